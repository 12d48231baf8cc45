#pragma once
// One row of the received trap list read back as fixed text slots (CP932, zero-terminated).
// The exports read the list through TrapListReader; the list itself lives in the windows.

#include <array>
#include <cstddef>
#include <string>

struct TrapListRow {
    std::array<char, 37> date;
    std::array<char, 37> sourceAddress;
    std::array<char, 37> hostName;
    std::array<char, 37> version;
    std::array<char, 37> community;
    std::array<char, 37> enterprise;
    std::array<char, 37> genericId;
    std::array<char, 37> specificId;
    std::array<char, 37> networkAddress;
    std::array<char, 37> timeTick;
    std::array<char, 37> msgId;
    std::array<char, 37> maximumSize;
    std::array<char, 37> messageFlags;
    std::array<char, 37> securityModel;
    std::array<char, 37> engineIdLength;
    std::array<char, 129> engineId;
    std::array<char, 37> engineBoots;
    std::array<char, 37> engineTime;
    std::array<char, 37> userName;
    std::array<char, 37> authParamsLength;
    std::array<char, 129> authParams;
    std::array<char, 37> privParamsLength;
    std::array<char, 129> privParams;
    std::array<char, 37> contextEngineIdLength;
    std::array<char, 129> contextEngineId;
    std::array<char, 37> contextNameLength;
    std::array<char, 129> contextName;
    std::array<char, 37> requestId;
    std::array<char, 37> errorStatus;
    std::array<char, 37> errorIndex;
    std::array<char, 2048> bindings;
};

static_assert(offsetof(TrapListRow, community) == 148);
static_assert(offsetof(TrapListRow, engineIdLength) == 148 + 37 * 10);
static_assert(offsetof(TrapListRow, engineId) == 555);
static_assert(offsetof(TrapListRow, authParams) == 832);
static_assert(offsetof(TrapListRow, privParamsLength) == 961);
static_assert(offsetof(TrapListRow, contextEngineIdLength) == 1127);
static_assert(offsetof(TrapListRow, contextName) == 1330);
static_assert(offsetof(TrapListRow, requestId) == 1459);
static_assert(offsetof(TrapListRow, bindings) == 1570);
static_assert(sizeof(TrapListRow) == 3618);

// The received trap list as the exports see it; called on the user interface thread.
class TrapListReader {
public:
    virtual ~TrapListReader() = default;
    // Fills row (zeroed first) from list row index: 0 copied, 1 no such row.
    [[nodiscard]] virtual int ReadTrapRow(int index, TrapListRow& row) const = 0;
    // The message column (5) of row index, CP932, at most maxBytes bytes ("" when no such row).
    virtual std::string ReadTrapMessage(int index, std::size_t maxBytes) const = 0;
};
