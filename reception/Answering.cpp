#include "reception/Answering.h"

#include <algorithm>

#include "reception/ReceiverService.h"
#include "snmp/engine/AnswerCounts.h"

Answering::Answering(EngineFile& engineFile, UsmKeyCache& keys, AnswerCounts& counts,
                     const ReceiverService& service)
    : engineFile_(engineFile), counts_(counts), service_(service), builder_(keys) {}

void Answering::Boot() {
    identity_ = engineFile_.Boot();
    bootedAt_ = Clock::now();
}

LocalEngine Answering::Engine() const {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - bootedAt_).count();
    return {identity_.EngineId(), identity_.boots, int32_t(std::min<int64_t>(seconds, INT32_MAX))};
}

Answering::Outcome Answering::Send(const AnswerFacts& answer, std::size_t requestSize,
                                   std::array<uint8_t, 4> sender, uint16_t senderPort) {
    Outcome outcome;
    const bool report = answer.kind == AnswerKind::kReport;
    const uint32_t reportValue = report ? counts_.CountUsmFailure(answer.report) : 0;
    if (builder_.Build(answer, Engine(), reportValue, buffer_) == 0) {
        if (buffer_.size() > requestSize + kMaxAnswerGrowth) {
            counts_.CountAnswerUnsent();
        } else if (service_.SendFromServiceSocket(buffer_, sender, senderPort)) {
            outcome.sent = true;
            if (report)
                counts_.CountReportSent(answer.report);
            else
                counts_.CountInformAnswered();
        }
    }
    if (report) return outcome;
    const InformKey key =
        MakeInformKey(sender, senderPort, answer.requestId, answer.msgId, answer.contextEngineId);
    if (!answered_.Repeated(key, Clock::now())) return outcome;
    counts_.CountInformRepeat();
    outcome.repeat = true;
    return outcome;
}
