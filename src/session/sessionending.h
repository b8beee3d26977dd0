#pragma once

// Set once when the user session ends; from then on the main window's
// timers only drive the shutdown and no follow-up work starts.
extern bool theSessionEnding;
