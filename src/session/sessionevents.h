#pragma once

// What the desktop and the system tell the program about the end of the
// user session, the end of the machine and its sleep. Called from the event
// loop.
class SessionEventsReceiver
{
public:
    virtual ~SessionEventsReceiver() = default;

    // The session is about to end. With mayAsk the user may be asked now;
    // without, nobody can answer. Returns once that is done.
    virtual void OnSessionEnding(bool mayAsk) = 0;
    // The end of the session was withdrawn.
    virtual void OnSessionEndCancelled() = 0;
    // The session is over: the program ends in order.
    virtual void OnSessionOver() = 0;
    // The machine shuts down and waits only a few seconds: act at once,
    // asking nobody.
    virtual void OnMachineShutdown() = 0;
    // The machine woke up from sleep: the clock has jumped forward.
    virtual void OnMachineResumed() = 0;
};
