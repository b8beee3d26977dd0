#pragma once

// Whether a program says that the computer is in use without any input (a
// video player, a slide show): logind lists an "idle" block inhibitor, or
// the desktop's session manager says idleness is inhibited. A service that
// is not there inhibits nothing.
bool IdlenessInhibited();
