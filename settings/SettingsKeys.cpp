#include "settings/SettingsKeys.h"

#include "platform/FixedText.h"

int32_t NumberOf(const SettingsKey& key, const AppSettings& settings) {
    return std::visit(
        [&](auto member) -> int32_t {
            const auto& field = settings.*member;
            if constexpr (std::is_integral_v<std::remove_cvref_t<decltype(field)>>)
                return static_cast<int32_t>(field);
            else
                return 0;
        },
        key.field);
}

void SetNumber(const SettingsKey& key, AppSettings& settings, int32_t value) {
    std::visit(
        [&](auto member) {
            auto& field = settings.*member;
            using Field = std::remove_cvref_t<decltype(field)>;
            if constexpr (std::is_integral_v<Field>) field = static_cast<Field>(value);
        },
        key.field);
}

std::string_view TextOf(const SettingsKey& key, const AppSettings& settings) {
    return std::visit(
        [&](auto member) -> std::string_view {
            const auto& field = settings.*member;
            if constexpr (std::is_integral_v<std::remove_cvref_t<decltype(field)>>)
                return {};
            else
                return FixedTextView(field);
        },
        key.field);
}

void SetText(const SettingsKey& key, AppSettings& settings, std::string_view text) {
    std::visit(
        [&](auto member) {
            auto& field = settings.*member;
            if constexpr (!std::is_integral_v<std::remove_cvref_t<decltype(field)>>)
                SetFixedText(field, text);
        },
        key.field);
}
