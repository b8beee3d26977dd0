#include "session/xsmpclient.h"

#include "log/log.h"
#include "session/sessionevents.h"

#include <X11/ICE/ICElib.h>
#include <glib-unix.h>
#include <glib.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr int ERROR_SIZE = 256;

// ICE's own handler for a broken connection ends the process; the program
// lives on without its session manager instead (the watch notices).
void IgnoreIceIOError(IceConn)
{
}

gboolean OnIceInput(gint, GIOCondition, gpointer data)
{
    return static_cast<XsmpClient*>(data)->ProcessMessages() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

} // namespace

XsmpClient::XsmpClient(SessionEventsReceiver& receiver) : m_receiver(receiver)
{
}

XsmpClient::~XsmpClient()
{
    Close();
}

bool XsmpClient::Connect(const std::string& programPath)
{
    const char* address = getenv("SESSION_MANAGER");
    if (address == nullptr || address[0] == '\0')
    {
        theLog->Print(Log::LEVEL_DEBUG2, "no session manager: logout is not seen");
        return false;
    }
    IceSetIOErrorHandler(IgnoreIceIOError);

    SmcCallbacks callbacks;
    memset(&callbacks, 0, sizeof callbacks);
    callbacks.save_yourself.callback = OnSaveYourself;
    callbacks.save_yourself.client_data = this;
    callbacks.die.callback = OnDie;
    callbacks.die.client_data = this;
    callbacks.save_complete.callback = OnSaveComplete;
    callbacks.save_complete.client_data = this;
    callbacks.shutdown_cancelled.callback = OnShutdownCancelled;
    callbacks.shutdown_cancelled.client_data = this;

    char error[ERROR_SIZE] = {};
    char* clientId = nullptr;
    m_conn = SmcOpenConnection(nullptr, this, SmProtoMajor, SmProtoMinor,
                               SmcSaveYourselfProcMask | SmcDieProcMask | SmcSaveCompleteProcMask |
                                   SmcShutdownCancelledProcMask,
                               &callbacks, nullptr, &clientId, ERROR_SIZE - 1, error);
    if (m_conn == nullptr)
    {
        theLog->Print(Log::LEVEL_WARNING, "unable to register with the session manager: %s", error);
        return false;
    }
    const std::string id = clientId ? clientId : "";
    free(clientId);

    const int fd = IceConnectionNumber(SmcGetIceConnection(m_conn));
    m_iceWatch = g_unix_fd_add(fd, GIOCondition(G_IO_IN | G_IO_HUP | G_IO_ERR), OnIceInput, this);
    SetProperties(programPath);
    theLog->Print(Log::LEVEL_DEBUG2, "session manager in use (XSMP client %s)", id.c_str());
    return true;
}

void XsmpClient::SetProperties(const std::string& programPath)
{
    char* program = const_cast<char*>(programPath.c_str());
    const std::string user = std::to_string(getuid());
    char hint = SmRestartNever;

    SmPropValue programValue = {static_cast<int>(programPath.size()), program};
    SmPropValue userValue = {static_cast<int>(user.size()), const_cast<char*>(user.c_str())};
    SmPropValue hintValue = {1, &hint};

    SmProp programProp = {const_cast<char*>(SmProgram), const_cast<char*>(SmARRAY8), 1, &programValue};
    SmProp restartProp = {const_cast<char*>(SmRestartCommand), const_cast<char*>(SmLISTofARRAY8), 1,
                          &programValue};
    SmProp cloneProp = {const_cast<char*>(SmCloneCommand), const_cast<char*>(SmLISTofARRAY8), 1, &programValue};
    SmProp userProp = {const_cast<char*>(SmUserID), const_cast<char*>(SmARRAY8), 1, &userValue};
    SmProp hintProp = {const_cast<char*>(SmRestartStyleHint), const_cast<char*>(SmCARD8), 1, &hintValue};
    SmProp* props[] = {&programProp, &restartProp, &cloneProp, &userProp, &hintProp};
    SmcSetProperties(m_conn, static_cast<int>(sizeof props / sizeof props[0]), props);
}

bool XsmpClient::ProcessMessages()
{
    if (m_conn == nullptr)
        return false;
    if (IceProcessMessages(SmcGetIceConnection(m_conn), nullptr, nullptr) != IceProcessMessagesIOError)
        return true;
    theLog->Print(Log::LEVEL_WARNING, "the session manager closed the connection");
    m_iceWatch = 0; // the caller's source ends with its return value
    Close();
    return false;
}

void XsmpClient::Close()
{
    if (m_pendingSource != 0)
        g_source_remove(m_pendingSource);
    m_pendingSource = 0;
    if (m_iceWatch != 0)
        g_source_remove(m_iceWatch);
    m_iceWatch = 0;
    if (m_conn != nullptr)
        SmcCloseConnection(m_conn, 0, nullptr);
    m_conn = nullptr;
    m_state = State::IDLE;
}

// The receiver may run a dialog with its own event loop: it is called from
// the main loop, never from inside ICE's message processing.
void XsmpClient::Queue(int (*call)(void*))
{
    if (m_pendingSource != 0)
        g_source_remove(m_pendingSource);
    m_pendingSource = g_idle_add(call, this);
}

void XsmpClient::OnSaveYourself(SmcConn conn, SmPointer data, int, Bool shutdown, int interactStyle, Bool)
{
    XsmpClient* self = static_cast<XsmpClient*>(data);
    if (!shutdown)
    {
        // A checkpoint: there is nothing of the program's own to save.
        SmcSaveYourselfDone(conn, True);
        return;
    }
    self->m_cancelled = false;
    if (interactStyle == SmInteractStyleAny && SmcInteractRequest(conn, SmDialogNormal, OnInteract, self))
    {
        self->m_state = State::WAITING_FOR_TURN;
        return;
    }
    // Not allowed to talk to the user: the room is turned off without asking.
    self->m_state = State::ACTING_ALONE;
    self->Queue(RunWithoutAsking);
}

void XsmpClient::OnInteract(SmcConn, SmPointer data)
{
    XsmpClient* self = static_cast<XsmpClient*>(data);
    self->m_state = State::INTERACTING;
    self->Queue(RunInteraction);
}

int XsmpClient::RunInteraction(void* data)
{
    static_cast<XsmpClient*>(data)->DeliverSessionEnding(true);
    return G_SOURCE_REMOVE;
}

int XsmpClient::RunWithoutAsking(void* data)
{
    static_cast<XsmpClient*>(data)->DeliverSessionEnding(false);
    return G_SOURCE_REMOVE;
}

void XsmpClient::DeliverSessionEnding(bool mayAsk)
{
    m_pendingSource = 0;
    m_receiver.OnSessionEnding(mayAsk);
    FinishSave();
}

void XsmpClient::FinishSave()
{
    if (m_conn == nullptr || m_state == State::IDLE)
        return; // the connection went meanwhile
    if (m_state == State::INTERACTING && !m_cancelled)
        SmcInteractDone(m_conn, False); // the logout goes on
    SmcSaveYourselfDone(m_conn, True);
    m_state = State::IDLE;
}

void XsmpClient::OnDie(SmcConn, SmPointer data)
{
    static_cast<XsmpClient*>(data)->Queue(RunSessionOver);
}

int XsmpClient::RunSessionOver(void* data)
{
    XsmpClient* self = static_cast<XsmpClient*>(data);
    self->m_pendingSource = 0;
    self->m_receiver.OnSessionOver();
    return G_SOURCE_REMOVE;
}

void XsmpClient::OnSaveComplete(SmcConn, SmPointer)
{
}

void XsmpClient::OnShutdownCancelled(SmcConn conn, SmPointer data)
{
    XsmpClient* self = static_cast<XsmpClient*>(data);
    self->m_cancelled = true;
    self->m_receiver.OnSessionEndCancelled();
    if (self->m_state == State::WAITING_FOR_TURN)
    {
        // The turn will not come: the save ends here.
        SmcSaveYourselfDone(conn, True);
        self->m_state = State::IDLE;
    }
}
