#pragma once

// Settings for the GUI toolkit that must be in place before it starts.
// The program draws nothing with OpenGL: GTK is told not to load it (a
// software OpenGL driver alone adds some 40 MB of resident memory). A value
// the user set for GDK_GL is left alone.
void PrepareToolkitEnvironment();
