#include "reception/Answering.h"

#include <chrono>
#include <vector>

#include "reception/ReceiverService.h"
#include "snmp/engine/AnswerBuilder.h"
#include "snmp/engine/AnswerCounts.h"
#include "snmp/engine/EngineFile.h"
#include "snmp/engine/InformMemory.h"

namespace {

using Clock = std::chrono::steady_clock;

// Written at the thread's start, read by the same thread afterwards.
EngineIdentity identity;
Clock::time_point bootedAt;
InformMemory answered;
std::vector<uint8_t> answerBuffer;

}  // namespace

void BootAnsweringEngine() {
    identity = BootLocalEngine();
    bootedAt = Clock::now();
}

LocalEngine TheLocalEngine() {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - bootedAt).count();
    return {identity.EngineId(), identity.boots, int32_t(std::min<int64_t>(seconds, INT32_MAX))};
}

bool SendAnswer(const AnswerFacts& answer, std::size_t requestSize, std::array<uint8_t, 4> sender,
                uint16_t senderPort) {
    const bool report = answer.kind == AnswerKind::kReport;
    const uint32_t reportValue = report ? CountUsmFailure(answer.report) : 0;
    if (BuildAnswer(answer, TheLocalEngine(), reportValue, answerBuffer) == 0) {
        if (answerBuffer.size() > requestSize + kMaxAnswerGrowth) {
            CountAnswerUnsent();
        } else if (SendFromServiceSocket(answerBuffer, sender, senderPort)) {
            if (report)
                CountReportSent(answer.report);
            else
                CountInformAnswered();
        }
    }
    if (report) return false;
    const InformKey key =
        MakeInformKey(sender, senderPort, answer.requestId, answer.msgId, answer.contextEngineId);
    if (!answered.Repeated(key, Clock::now())) return false;
    CountInformRepeat();
    return true;
}
