#include "snmp/LocalizationBudget.h"

#include <algorithm>

bool LocalizationBudget::Take(Clock::time_point now) {
    if (now > m_last) {
        const double elapsed = std::chrono::duration<double>(now - m_last).count();
        m_tokens = std::min(m_perSecond, m_tokens + elapsed * m_perSecond);
        m_last = now;
    }
    if (m_tokens < 1.0) return false;
    m_tokens -= 1.0;
    return true;
}
