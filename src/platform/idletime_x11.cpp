#include "platform/idletime.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

class X11IdleTime : public IdleTimeSource
{
public:
    X11IdleTime(Display* display, XScreenSaverInfo* info) : m_display(display), m_info(info) {}
    ~X11IdleTime() override { XFree(m_info); }
    X11IdleTime(const X11IdleTime&) = delete;
    X11IdleTime& operator=(const X11IdleTime&) = delete;

    long long IdleMilliseconds() override
    {
        if (XScreenSaverQueryInfo(m_display, DefaultRootWindow(m_display), m_info) == 0)
            return -1;
        return static_cast<long long>(m_info->idle);
    }

private:
    Display* m_display; // the toolkit's connection, not ours to close
    XScreenSaverInfo* m_info;
};

} // namespace

std::unique_ptr<IdleTimeSource> OpenX11IdleTime(void* display, std::string& why)
{
    Display* x = static_cast<Display*>(display);
    int eventBase = 0, errorBase = 0;
    if (x == nullptr || XScreenSaverQueryExtension(x, &eventBase, &errorBase) == 0)
    {
        why = "the X server has no screen-saver extension";
        return nullptr;
    }
    XScreenSaverInfo* info = XScreenSaverAllocInfo();
    if (info == nullptr)
    {
        why = "no memory for the screen-saver information";
        return nullptr;
    }
    std::unique_ptr<IdleTimeSource> source = std::make_unique<X11IdleTime>(x, info);
    if (source->IdleMilliseconds() < 0)
    {
        why = "the X server's screen-saver extension does not answer";
        return nullptr;
    }
    return source;
}
