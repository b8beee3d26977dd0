#pragma once

#include "session/sessionevents.h"
#include "session/shutdowninhibitor.h"
#include "session/xsmpclient.h"

#include <string>

// Listens to the desktop's session manager and to logind, and hands what
// they say to the main window while it lives.
class SessionWatch : public SessionEventsReceiver
{
public:
    SessionWatch();
    void Start(const std::string& programPath);

    void OnSessionEnding(bool mayAsk) override;
    void OnSessionEndCancelled() override;
    void OnSessionOver() override;
    void OnMachineShutdown() override;
    void OnMachineResumed() override;

private:
    XsmpClient m_sessionManager;
    ShutdownInhibitor m_shutdown;
};

// The end that cannot be refused: through the main window while it lives,
// else the event loop simply ends.
void EndTheSessionNow();
