#pragma once

#include <memory>
#include <string>

// How long nobody has touched the keyboard or the mouse, as the display
// server counts it.
class IdleTimeSource
{
public:
    virtual ~IdleTimeSource() = default;
    // Milliseconds since the last input; -1 when the server did not answer.
    virtual long long IdleMilliseconds() = 0;
};

// The X server's screen-saver extension on this X display connection (an
// X11 `Display*`); null with the reason when the server lacks it.
std::unique_ptr<IdleTimeSource> OpenX11IdleTime(void* display, std::string& why);
// GNOME's idle monitor on the session bus; null with the reason when it
// does not answer.
std::unique_ptr<IdleTimeSource> OpenGnomeIdleTime(std::string& why);
// The source of the display the program's windows are on: the X server's
// extension on X11, GNOME's monitor on Wayland (where an X server only sees
// its own clients' input). Null with the reasons when neither answers.
std::unique_ptr<IdleTimeSource> OpenIdleTimeSource(std::string& why);
