#pragma once
// The six severities of ITU-T X.733 with the labels and colours the alarm windows show,
// and the states of an alarm.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// Ordered: a higher value is more severe.
enum class AlarmSeverity : uint8_t {
    kCleared = 0,
    kIndeterminate = 1,
    kWarning = 2,
    kMinor = 3,
    kMajor = 4,
    kCritical = 5,
};
inline constexpr int kAlarmSeverityCount = 6;

struct AlarmSeverityInfo {
    AlarmSeverity severity;
    std::string_view name;   // in the rules file and the store
    std::string_view label;  // what the windows show (UTF-8)
    uint32_t rgb;            // 0xRRGGBB, the row's colour
};

// Most severe first.
inline constexpr std::array<AlarmSeverityInfo, kAlarmSeverityCount> kAlarmSeverities = {{
    {AlarmSeverity::kCritical, "critical", "重大", 0xD32F2F},
    {AlarmSeverity::kMajor, "major", "重要", 0xF57C00},
    {AlarmSeverity::kMinor, "minor", "軽微", 0xFBC02D},
    {AlarmSeverity::kWarning, "warning", "警告", 0x29B6F6},
    {AlarmSeverity::kIndeterminate, "indeterminate", "不明", 0x9E9E9E},
    {AlarmSeverity::kCleared, "cleared", "解除", 0x66BB6A},
}};

constexpr const AlarmSeverityInfo& SeverityInfo(AlarmSeverity severity) {
    return kAlarmSeverities[kAlarmSeverityCount - 1 - static_cast<int>(severity)];
}

constexpr std::optional<AlarmSeverity> SeverityNamed(std::string_view name) {
    for (const AlarmSeverityInfo& info : kAlarmSeverities)
        if (info.name == name) return info.severity;
    return std::nullopt;
}

enum class AlarmState : uint8_t {
    kRaised = 0,
    kAcknowledged = 1,
    kCleared = 2,
};

constexpr std::string_view StateName(AlarmState state) {
    switch (state) {
    case AlarmState::kRaised: return "raised";
    case AlarmState::kAcknowledged: return "acknowledged";
    case AlarmState::kCleared: return "cleared";
    }
    return "raised";
}

constexpr std::optional<AlarmState> StateNamed(std::string_view name) {
    for (AlarmState state : {AlarmState::kRaised, AlarmState::kAcknowledged, AlarmState::kCleared})
        if (StateName(state) == name) return state;
    return std::nullopt;
}

static_assert(SeverityInfo(AlarmSeverity::kCritical).name == "critical");
static_assert(SeverityInfo(AlarmSeverity::kCleared).name == "cleared");
static_assert(SeverityInfo(AlarmSeverity::kMinor).label == "軽微");
