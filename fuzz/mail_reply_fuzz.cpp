// libFuzzer entry point for the mail client's handling of server replies: the POP3 login
// and the SMTP delivery talk to a scripted server whose replies arrive in chunks that the
// input cuts, wherever it likes, and that may close the connection or refuse a send.
//   ./mail_reply_fuzz -max_total_time=600 corpus/

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "mail/MailDialogue.h"

namespace {

// A dialogue reads at most this many chunks, whatever the server sends.
constexpr int kMaxChunksRead = 64;

constexpr std::string_view kUser = "USER fuzz\r\n";
constexpr std::string_view kPass = "PASS secret\r\n";
constexpr std::string_view kQuit = "QUIT\r\n";
constexpr std::string_view kGiveUp = "\r\n";
constexpr std::string_view kMessage = "Subject: x\r\n\r\nbody\r\n.\r\n";

class ScriptedServer final : public MailTransport {
public:
    explicit ScriptedServer(FuzzedDataProvider& input) : input_(input) {}

    int SendAll(std::string_view text, MailClock::time_point) override {
        sent_ += Letter(text);
        return input_.ConsumeIntegral<uint8_t>() == 0xFF ? 1 : 0;
    }

    // Each chunk: its length (0 closes the connection), then that many bytes.
    std::size_t Receive(std::span<char> buffer, MailClock::time_point) override {
        if (++receives_ > kMaxChunksRead) __builtin_trap();
        const std::size_t length = input_.ConsumeIntegralInRange<std::size_t>(0, buffer.size());
        const std::string chunk = input_.ConsumeBytesAsString(length);
        std::copy(chunk.begin(), chunk.end(), buffer.begin());
        CheckReplyLine({buffer.data(), chunk.size()});
        return chunk.size();
    }

    // One letter per text sent, so the order can be checked as a pattern.
    const std::string& Sent() const { return sent_; }

private:
    static char Letter(std::string_view text) {
        if (text == kUser) return 'U';
        if (text == kPass) return 'P';
        if (text == kQuit) return 'Q';
        if (text == kGiveUp) return 'E';
        if (text == "HELO home\r\n") return 'H';
        if (text == "RSET\r\n") return 'R';
        if (text == "MAIL FROM:<from@fuzz>\r\n") return 'M';
        if (text == "RCPT TO:<to@fuzz>\r\n") return 'T';
        if (text == "DATA\r\n") return 'D';
        if (text == kMessage) return 'B';
        return '?';
    }

    // The judged line lies inside the chunk, holds no CR and is no continuation line.
    static void CheckReplyLine(std::string_view chunk) {
        const auto line = FindReplyLine(chunk);
        if (!line) return;
        const bool inside = line->data() >= chunk.data() &&
                            line->data() + line->size() <= chunk.data() + chunk.size();
        if (!inside || line->find('\r') != std::string_view::npos ||
            (line->size() >= 4 && (*line)[3] == '-'))
            __builtin_trap();
    }

    FuzzedDataProvider& input_;
    std::string sent_;
    int receives_ = 0;
};

// The orders of texts a dialogue may send, as letters (see ScriptedServer::Letter).
// Done: every step answered. Given up: any prefix, or a refusal answered by one empty
// line. The message goes only after RCPT TO (a 354 is taken as the go-ahead in that state
// even before DATA), at most once, and is followed by QUIT.
const std::regex kPop3Done("UPQ");
const std::regex kPop3GivenUp("(U(P(Q)?)?)?E?");
const std::regex kSmtpDone("HRMTD*BQ");
const std::regex kSmtpGivenUp("(H(R(M(T(D*(BQ?)?)?)?)?)?)?|(H(R(M(TD*)?)?)?)?E");

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool pop3 = input.ConsumeBool();
    ScriptedServer server(input);
    const MailTimeouts timeouts;
    const auto end = MailClock::now() + timeouts.dialogue;
    if (pop3) {
        const int result = ConversePop3Login(server, "fuzz", "secret", timeouts, end);
        if (!std::regex_match(server.Sent(), result == 0 ? kPop3Done : kPop3GivenUp))
            __builtin_trap();
    } else {
        const int result =
            ConverseSmtpDelivery(server, "<from@fuzz>", "<to@fuzz>", kMessage, timeouts, end);
        if (!std::regex_match(server.Sent(), result == 0 ? kSmtpDone : kSmtpGivenUp))
            __builtin_trap();
    }
    return 0;
}
