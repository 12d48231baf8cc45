#include "mail/Mail.h"

#include "mail/MailMessage.h"
#include "mail/MailQueue.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"

namespace {

std::tm LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

}  // namespace

void SendNotificationMail(MailQueue& queue, const AppSettings& settings, std::string_view text) {
    if (std::optional<PreparedMail> mail = PrepareNotificationMail(settings, text, LocalTimeNow()))
        queue.QueueNotificationMail(std::move(*mail), MailRoute{});
}

std::optional<PreparedMail> PrepareNotificationMail(const AppSettings& settings,
                                                    std::string_view text,
                                                    const std::tm& localTime) {
    const std::string_view from = FixedTextView(settings.mailFrom);
    const std::string_view to = FixedTextView(settings.mailTo);
    if (from.empty() || to.empty()) return std::nullopt;
    MailText message;
    const std::size_t length = ComposeNotificationMessage(
        {from, to, FixedTextView(settings.mailSubject)}, text, localTime, message);
    return PreparedMail{std::string(FixedTextView(settings.smtpServer)),
                        std::string(from),
                        std::string(to),
                        settings.usePopAuth != 0,
                        std::string(FixedTextView(settings.popServer)),
                        std::string(FixedTextView(settings.popUserId)),
                        std::string(FixedTextView(settings.popPassword)),
                        std::string(message.data(), length)};
}

void DeliverNotificationMail(const PreparedMail& mail, const MailRoute& route,
                             LookupPool& lookups) {
    // POP before SMTP: without a completed login no mail is sent.
    if (mail.popLogin && RunPop3Login(lookups, {mail.popServer, route.popPort}, mail.popUserId,
                                      mail.popPassword, route.timeouts) != 0)
        return;
    // A mail that could not be delivered is dropped without a word, as every failure of
    // the notification actions is: nobody waits for it and nothing retries it.
    static_cast<void>(RunSmtpDelivery(lookups, {mail.smtpServer, route.smtpPort}, mail.from,
                                      mail.to, mail.message, route.timeouts));
}

void SendNotificationMailWith(const AppSettings& settings, std::string_view text,
                              const MailRoute& route, LookupPool& lookups) {
    if (std::optional<PreparedMail> mail = PrepareNotificationMail(settings, text, LocalTimeNow()))
        DeliverNotificationMail(*mail, route, lookups);
}
