#pragma once

// When to ask whether an unused room's projector should go off: once the
// display server's idle time reaches the period. After the room last
// counted as used without input (the answer No, a program that inhibits
// idleness) another full period has to pass; any input in between starts
// the count from that input instead.
class IdleOffRule
{
public:
    // One look at the idle time (milliseconds): whether to ask now.
    bool Due(long long idleMs, long long periodMs);
    // The room counts as used now, when the idle time is idleMs (below 0:
    // the one of the last look).
    void CountAsUsed(long long idleMs);

private:
    long long m_lastIdleMs = 0;
    long long m_usedAtIdleMs = 0; // the idle time at which the count starts
};
