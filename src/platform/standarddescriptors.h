#pragma once

// Opens /dev/null on each of the descriptors 0, 1 and 2 that is closed.
// Otherwise the next file or connection the program opens (the X display's
// connection) takes that number, and log lines would be written into it.
// Call it first thing, before anything is opened. A closed output is opened
// read-only, so it stays unwritable as it was: output that nobody can
// receive is still noticed as not written.
void OpenClosedStandardDescriptors();
