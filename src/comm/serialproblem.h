#pragma once

#include <string>

// Why the serial port at path could not be opened, given the errno value
// that OpenSerialPort left, in words an installer can act on (for example
// "permission denied (add the user to the dialout group, then log in again)").
std::string SerialOpenProblem(const char* path, int error);
