#pragma once
// Mail set up for the tests that send real mails: SMTP has its fixed port, so each test
// process takes a loopback address of its own for its server.

#include <unistd.h>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/FixedText.h"
#include "rules/RuleStore.h"
#include "settings/SettingsSource.h"

// 127.x.y.last, with x and y from this process's id.
inline std::array<uint8_t, 4> ProcessSmtpHost(uint8_t last) {
    return {127, static_cast<uint8_t>(1 + getpid() % 250),
            static_cast<uint8_t>(getpid() / 250 % 250), last};
}

// Mail settings in source towards the server at smtpHost, from trap@ to admin@example.org.
inline void MailTowards(SettingsSource& source, std::array<uint8_t, 4> smtpHost) {
    AppSettings settings = source.Snapshot();
    SetFixedText(settings.smtpServer,
                 std::to_string(smtpHost[0]) + "." + std::to_string(smtpHost[1]) + "." +
                     std::to_string(smtpHost[2]) + "." + std::to_string(smtpHost[3]));
    SetFixedText(settings.mailFrom, "trap@example.org");
    SetFixedText(settings.mailTo, "admin@example.org");
    settings.usePopAuth = 0;
    source.Replace(settings);
}

// MailTowards, and a default rule in rules that mails message for every trap; false when
// the rule could not be stored.
inline bool MailEveryTrap(RuleStore& rules, SettingsSource& source, std::array<uint8_t, 4> smtpHost,
                          std::string_view message) {
    MailTowards(source, smtpHost);
    RuleRecord defaults{};
    defaults.kind = AllTraps;
    SetFixedText(defaults.mailMessage, message);
    return rules.Put(defaults) <= RuleStore::kPutReplaced;
}
