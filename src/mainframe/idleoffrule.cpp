#include "mainframe/idleoffrule.h"

bool IdleOffRule::Due(long long idleMs, long long periodMs)
{
    if (idleMs < m_lastIdleMs)
        m_usedAtIdleMs = 0; // someone used the computer since the last look
    m_lastIdleMs = idleMs;
    return idleMs - m_usedAtIdleMs >= periodMs;
}

void IdleOffRule::CountAsUsed(long long idleMs)
{
    if (idleMs >= 0)
        m_lastIdleMs = idleMs;
    m_usedAtIdleMs = m_lastIdleMs;
}
