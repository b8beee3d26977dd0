#pragma once

// Hands every request the program has made to the display server (hide,
// show, drawing) and, on X11, waits until the server has carried them out:
// afterwards a hidden window is off the screen. Elsewhere the toolkit's own
// flush is all there is.
void SyncWithDisplayServer();

// Lets the toolkit run for the given time with only what concerns the screen
// (painting, mapping, sizes): the user's input and the timers wait, so no
// other control action can start meanwhile.
void RunDisplayFor(long milliseconds);
