#pragma once

// Starts wxWidgets for a program that builds windows without running an
// event loop of its own (the tests, the benchmarks, the developer tools):
// the toolkit prepared as the program prepares it, a plain wxApp and the PNG
// handler. Says why on standard error and returns false when no display can
// be opened. The caller ends with wxEntryCleanup().
bool StartToolkitWithoutLoop(int& argc, char** argv);
