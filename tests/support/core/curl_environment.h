#pragma once

// Registers, once per test program, a GoogleTest environment that
// initialises libcurl for the whole run (as the application does at start-up)
// and gives the program a log when it has none. Call it from a namespace-scope
// initialiser in each test file that needs it; repeated calls do nothing.
bool RegisterCurlEnvironment();
