#pragma once
// A bound on new key localizations, each about a megabyte of hashing: a flood of messages
// naming new engines for a user who serves every engine must not take the receiver's CPU.
// A bucket of perSecond tokens, refilled continuously; one token per localization.

#include <chrono>

class LocalizationBudget {
public:
    using Clock = std::chrono::steady_clock;

    explicit LocalizationBudget(int perSecond) : m_perSecond(perSecond), m_tokens(perSecond) {}

    // Takes one token at now; false when none is left. Not for two threads at once.
    bool Take(Clock::time_point now);

private:
    double m_perSecond;
    double m_tokens;
    Clock::time_point m_last{};
};

// New localizations per second for the engines that messages name themselves.
inline constexpr int kNewEngineLocalizationsPerSecond = 50;
