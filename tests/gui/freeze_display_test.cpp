// The freeze takes the window off the screen before "Freeze" goes out: the
// display server itself, asked over a connection of its own (so that asking
// does not flush the program's), must already have the window unmapped while
// the freeze waits.

#include "mainframe_fixture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <memory>
#include <string>

namespace {

const char TITLE[] = "Freeze display test window";

// The map state (IsUnmapped, IsViewable, ...) of the top-level window with
// that title as the X server sees it now; -1 when there is none.
int ServerMapState()
{
    std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    int state = -1;
    if (display && XQueryTree(display.get(), DefaultRootWindow(display.get()), &root, &parent, &children, &count))
        for (unsigned i = 0; i < count && state < 0; ++i)
        {
            char* name = nullptr;
            XWindowAttributes attributes;
            if (XFetchName(display.get(), children[i], &name) && name != nullptr && std::string(name) == TITLE &&
                XGetWindowAttributes(display.get(), children[i], &attributes))
                state = attributes.map_state;
            XFree(name);
        }
    XFree(children);
    return state;
}

// Notes what the server shows at every wait of the freeze, then waits for real.
struct WatchedFrame : TestMainFrame
{
    std::vector<int> statesAtWaits;
    void WaitMilliseconds(long milliseconds) override
    {
        statesAtWaits.push_back(ServerMapState());
        MainFrame::WaitMilliseconds(milliseconds);
    }
};

using FreezeDisplay = MainFrameTest;

TEST_F(FreezeDisplay, WindowIsOffTheScreenWhileTheFreezeIsSentAndBackAfterwards)
{
    WriteProjectors("projector: Room 1\nC, Freeze, FRZ\nC, UnFreeze, UFZ\n");
    SetDefaultProjector("Room 1");
    WatchedFrame* watched = new WatchedFrame;
    frame = watched;
    frame->m_statusTimer.Stop();
    frame->SetTitle(TITLE);
    frame->Show();
    Tick();
    ASSERT_TRUE(thePanelComm->IsConnected()) << log.Text();
    ASSERT_TRUE(YieldUntil([] { return ServerMapState() == IsViewable; })) << "the window never showed";
    sim.ClearReceived();

    Click(frame->m_btnFreeze);
    ASSERT_TRUE(frame->m_frozen) << log.Text();
    EXPECT_EQ(watched->statesAtWaits, (std::vector<int>{IsUnmapped, IsUnmapped}))
        << "the window was still on the screen during the hide wait or the freeze delay";
    EXPECT_EQ(ServerMapState(), IsViewable) << "the window did not come back at once";
    EXPECT_EQ(sim.RequestsWithoutResends(), (std::vector<Bytes>{Packet('P', {'F', 'R', 'Z'})}));
}

} // namespace
