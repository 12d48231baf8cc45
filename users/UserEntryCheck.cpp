#include "users/UserEntryCheck.h"

#include <array>
#include <cstdint>

#include "crypto/KeyLocalization.h"
#include "platform/TextChecks.h"

namespace {

constexpr std::size_t kTextLimit = 32;                           // name and passwords, bytes
constexpr std::size_t kEngineIdDigits = 2 * kMaxEngineIdOctets;  // hexadecimal digits

}  // namespace

const char* UserEntryProblem(std::string_view name, std::string_view engineIdText,
                             std::string_view authPassword, std::string_view privPassword) {
    if (name.empty()) return "ユーザ名を入力してください。";
    if (name.size() > kTextLimit) return "ユーザ名が不正です。（0～32文字）";
    if (HasCommaBeforeLineFeed(name)) return "ユーザ名に , を使用することはできません。";
    if (engineIdText.size() > kEngineIdDigits) return "Engine ID が不正です。（0～32文字）";
    if (engineIdText.size() % 2 != 0) return "Engine ID が不正です。";
    std::array<uint8_t, kMaxEngineIdOctets> octets{};
    if (!engineIdText.empty() && EngineIdFromText(engineIdText, octets) == 0)
        return "Engine ID が不正です。";
    for (std::string_view password : {authPassword, privPassword}) {
        if (password.size() > kTextLimit) return "パスワードが不正です。（0～32文字）";
        if (HasCommaBeforeLineFeed(password)) return "パスワードに , を使用することはできません。";
    }
    return nullptr;
}
