#include "notify/Mail.h"

#include <ctime>

#include "notify/MailMessage.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"

void SendNotificationMail(const TrapRecord&, std::string_view text) {
    SendNotificationMailWith(ReadSettings(), text, MailRoute{});
}

void SendNotificationMailWith(const AppSettings& settings, std::string_view text,
                              const MailRoute& route) {
    const std::string_view from = FixedTextView(settings.mailFrom);
    const std::string_view to = FixedTextView(settings.mailTo);
    if (from.empty() || to.empty()) return;
    // POP before SMTP: without a completed login no mail is sent.
    if (settings.usePopAuth != 0 &&
        RunPop3Login({FixedTextView(settings.popServer), route.popPort},
                     FixedTextView(settings.popUserId), FixedTextView(settings.popPassword),
                     route.timeouts) != 0)
        return;

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    MailText message;
    const std::size_t length = ComposeNotificationMessage(
        {from, to, FixedTextView(settings.mailSubject)}, text, local, message);
    RunSmtpDelivery({FixedTextView(settings.smtpServer), route.smtpPort}, from, to,
                    {message.data(), length}, route.timeouts);
}
