#pragma once

// The window that carries out what the desktop session says: the main
// window, found by the session watcher among the top-level windows.
class SessionWindow
{
public:
    // The desktop session is about to end: the question without Cancel and
    // the power-off (without the question when nobody may be asked), but
    // not yet the exit.
    virtual void AskBeforeSessionEnds(bool mayAsk) = 0;
    // The session manager withdrew the end: the next one asks again.
    virtual void SessionEndCancelled() = 0;
    // The end of the user session as the platform reports it (a signal, the
    // session manager's last word): the end without a veto.
    virtual void EndSessionNow() = 0;
    // The machine shuts down: turns the projector off, asking nobody.
    virtual void TurnOffForShutdown() = 0;
    // The machine woke up: what fell due while it slept is carried out.
    virtual void RunSchedulesNow() = 0;

protected:
    virtual ~SessionWindow() = default;
};
