#pragma once
// The receiver thread as an SNMP engine: its identity for the decoder, and the answers to
// informs and discovery probes, sent from the trap socket before the trap goes on.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "snmp/AnswerFacts.h"
#include "snmp/engine/AnswerBuilder.h"
#include "snmp/engine/EngineFile.h"
#include "snmp/engine/InformMemory.h"

class AnswerCounts;
class ReceiverService;
class UsmKeyCache;

// Used by the service thread only, one thread at a time.
class Answering {
public:
    // Answers go out from service's socket; keys are localized in keys; what is answered
    // is counted in counts.
    Answering(EngineFile& engineFile, UsmKeyCache& keys, AnswerCounts& counts,
              const ReceiverService& service);

    // At the start of the service thread: one more boot of the engine (EngineFile::Boot),
    // and the engine's time starts again from 0.
    void Boot();

    // The engine as it is now: its ID, boots and seconds since the boot.
    LocalEngine Engine() const;

    // Builds and sends what answer asks for to the sender, unless it would be more than
    // kMaxAnswerGrowth octets larger than the request's requestSize octets; counts it.
    struct Outcome {
        bool sent = false;  // the answer went out
        // An inform already answered within the repeat window: it was answered again and is
        // not to be processed or counted once more.
        bool repeat = false;
    };
    [[nodiscard]] Outcome Send(const AnswerFacts& answer, std::size_t requestSize,
                               std::array<uint8_t, 4> sender, uint16_t senderPort);

private:
    using Clock = std::chrono::steady_clock;

    EngineFile& engineFile_;
    AnswerCounts& counts_;
    const ReceiverService& service_;
    AnswerBuilder builder_;
    EngineIdentity identity_;
    Clock::time_point bootedAt_;
    InformMemory answered_;
    std::vector<uint8_t> buffer_;
};
