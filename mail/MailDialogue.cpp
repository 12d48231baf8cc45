#include "mail/MailDialogue.h"

#include <algorithm>
#include <array>
#include <string>

#include "mail/MailConnection.h"

namespace {

constexpr std::size_t kReceiveChunk = 1024;
// Replies a dialogue reads at most; POP3 needs four, SMTP seven. Guards against a server
// that answers for ever (each 250 to DATA is answered with DATA again).
constexpr int kMaxChunks = 64;
constexpr std::string_view kLineEnd = "\r\n";

struct Step {
    std::string send;  // command with its line end, or the message; may be empty
    bool done = false;
    bool failed = false;
};

Step Send(std::string_view command, std::string_view argument = {}) {
    return Step{std::string(command) + std::string(argument) + std::string(kLineEnd)};
}

// A negative reply is answered with an empty line and the dialogue is given up.
Step GiveUp() { return Step{std::string(kLineEnd), false, true}; }

class Pop3Login {
public:
    Pop3Login(std::string_view userId, std::string_view password)
        : userId_(userId), password_(password) {}

    Step OnReply(std::string_view reply) {
        if (!reply.starts_with("+OK ")) return GiveUp();
        switch (state_) {
        case State::Greeting: state_ = State::UserSent; return Send("USER ", userId_);
        case State::UserSent: state_ = State::PasswordSent; return Send("PASS ", password_);
        case State::PasswordSent: state_ = State::QuitSent; return Send("QUIT");
        case State::QuitSent: break;
        }
        return Step{{}, true, false};
    }

private:
    enum class State { Greeting, UserSent, PasswordSent, QuitSent };

    std::string_view userId_;
    std::string_view password_;
    State state_ = State::Greeting;
};

class SmtpDelivery {
public:
    SmtpDelivery(std::string_view from, std::string_view to, std::string_view message)
        : from_(from), to_(to), message_(message) {}

    Step OnReply(std::string_view reply) {
        switch (state_) {
        case State::Greeting: return Expect(reply, "220", State::HelloSent, Send("HELO home"));
        case State::HelloSent: return Expect(reply, "250", State::ResetSent, Send("RSET"));
        case State::ResetSent:
            return Expect(reply, "250", State::SenderSent, Send("MAIL FROM:", from_));
        case State::SenderSent:
            return Expect(reply, "250", State::RecipientSent, Send("RCPT TO:", to_));
        case State::RecipientSent:
            // DATA is sent in the same state; its 354 reply asks for the message.
            if (reply.starts_with("354")) {
                state_ = State::MessageSent;
                return Step{std::string(message_)};
            }
            return Expect(reply, "250", State::RecipientSent, Send("DATA"));
        case State::MessageSent: state_ = State::QuitSent; return Send("QUIT");
        case State::QuitSent: break;
        }
        return Step{{}, true, false};
    }

private:
    enum class State {
        Greeting,
        HelloSent,
        ResetSent,
        SenderSent,
        RecipientSent,
        MessageSent,
        QuitSent
    };

    Step Expect(std::string_view reply, std::string_view code, State next, Step step) {
        if (!reply.starts_with(code)) return GiveUp();
        state_ = next;
        return step;
    }

    std::string_view from_;
    std::string_view to_;
    std::string_view message_;
    State state_ = State::Greeting;
};

// Answers each judged reply with the dialogue's next step until it is done or failed, the
// connection breaks, or a bound is reached.
template <class Dialogue>
int Converse(MailTransport& peer, const MailTimeouts& timeouts, MailClock::time_point end,
             Dialogue& dialogue) {
    const auto within = [&](std::chrono::milliseconds limit) {
        return std::min(end, MailClock::now() + limit);
    };
    std::array<char, kReceiveChunk> chunk;
    for (int chunks = 0; chunks < kMaxChunks; ++chunks) {
        const std::size_t length = peer.Receive(chunk, within(timeouts.reply));
        if (length == 0) return 1;
        const auto reply = FindReplyLine({chunk.data(), length});
        if (!reply) continue;
        const Step step = dialogue.OnReply(*reply);
        if (!step.send.empty() && peer.SendAll(step.send, within(timeouts.reply)) != 0) return 1;
        if (step.failed) return 1;
        if (step.done) return 0;
    }
    return 1;
}

// Connects within its bound and gives the end of the whole dialogue, which starts here.
bool Connect(MailConnection& connection, MailServer server, const MailTimeouts& timeouts,
             MailClock::time_point& end) {
    const auto start = MailClock::now();
    end = start + timeouts.dialogue;
    return connection.Open(server.host, server.port, std::min(end, start + timeouts.connect)) == 0;
}

}  // namespace

std::optional<std::string_view> FindReplyLine(std::string_view chunk) {
    for (std::size_t cr = chunk.find('\r'); cr != std::string_view::npos; cr = chunk.find('\r')) {
        const std::string_view line = chunk.substr(0, cr);
        if (line.size() < 4 || line[3] != '-') return line;
        chunk.remove_prefix(cr + 1);
        if (chunk.starts_with('\n')) chunk.remove_prefix(1);
    }
    return std::nullopt;
}

int RunPop3Login(LookupPool& lookups, MailServer server, std::string_view userId,
                 std::string_view password, const MailTimeouts& timeouts) {
    MailConnection connection(lookups);
    MailClock::time_point end;
    if (!Connect(connection, server, timeouts, end)) return 1;
    return ConversePop3Login(connection, userId, password, timeouts, end);
}

int RunSmtpDelivery(LookupPool& lookups, MailServer server, std::string_view from,
                    std::string_view to, std::string_view message, const MailTimeouts& timeouts) {
    MailConnection connection(lookups);
    MailClock::time_point end;
    if (!Connect(connection, server, timeouts, end)) return 1;
    return ConverseSmtpDelivery(connection, from, to, message, timeouts, end);
}

int ConversePop3Login(MailTransport& peer, std::string_view userId, std::string_view password,
                      const MailTimeouts& timeouts, MailClock::time_point end) {
    Pop3Login login(userId, password);
    return Converse(peer, timeouts, end, login);
}

int ConverseSmtpDelivery(MailTransport& peer, std::string_view from, std::string_view to,
                         std::string_view message, const MailTimeouts& timeouts,
                         MailClock::time_point end) {
    SmtpDelivery delivery(from, to, message);
    return Converse(peer, timeouts, end, delivery);
}
