#pragma once

class wxAppConsole;

// The whole program: everything up to the command line runs before the
// window toolkit starts, so that the commands work without a display (the
// single-instance check, the log, the application-data folder, then the
// command); a normal start then runs the toolkit with the application object
// that makeApp returns. Returns the process's exit status.
int ProgramMain(int argc, char** argv, wxAppConsole* (*makeApp)());
