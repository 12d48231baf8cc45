#include "traplog/TrapRowTexts.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstring>

#include "platform/Encoding.h"
#include "traplog/TrapText.h"

const std::array<TrapListColumn, kTrapListColumns> kTrapListColumnLayout = {{
    {"Event", ColumnAlign::Centre, 120},
    {"Date", ColumnAlign::Left, 120},
    {"IP Adress", ColumnAlign::Left, 100},
    {"Host Name", ColumnAlign::Left, 100},
    {"Version", ColumnAlign::Right, 60},
    {"Trap Message", ColumnAlign::Left, 500},
    {"Community", ColumnAlign::Left, 100},
    {"EnterPrises", ColumnAlign::Left, 100},
    {"Generic ID", ColumnAlign::Right, 70},
    {"Specific ID", ColumnAlign::Right, 70},
    {"Network Address", ColumnAlign::Right, 70},
    {"Time Tick", ColumnAlign::Right, 80},
    {"Id", ColumnAlign::Right, 80},
    {"Maximum size", ColumnAlign::Right, 80},
    {"Message flags", ColumnAlign::Right, 80},
    {"Security model", ColumnAlign::Right, 80},
    {"Authoritative engine id len", ColumnAlign::Right, 80},
    {"Authoritative engine id", ColumnAlign::Right, 80},
    {"Engine Boots", ColumnAlign::Right, 80},
    {"Engine Time", ColumnAlign::Right, 80},
    {"User Name", ColumnAlign::Right, 80},
    {"Authentication parameters len", ColumnAlign::Right, 80},
    {"Authentication parameters", ColumnAlign::Right, 80},
    {"Privacy parameters len", ColumnAlign::Right, 80},
    {"Privacy parameters", ColumnAlign::Right, 80},
    {"Context EngineID len", ColumnAlign::Right, 80},
    {"Context EngineID", ColumnAlign::Right, 80},
    {"Context Name len", ColumnAlign::Right, 80},
    {"Context Name", ColumnAlign::Right, 80},
    {"Request ID", ColumnAlign::Right, 80},
    {"Error status", ColumnAlign::Right, 80},
    {"Error index", ColumnAlign::Right, 80},
    {"Object ID = Value", ColumnAlign::Left, 100},
    {"PDU", ColumnAlign::Left, 100},
}};

namespace {

std::string Field(const TrapRecord& record, int field, int index = 0) {
    return FormatTrapField(record, static_cast<TrapField>(field), index);
}

// name "," value "," for every binding, limited to kBindingsLimit bytes.
std::string JoinBindings(const TrapRecord& record) {
    std::string joined;
    const int count = std::min(record.varBindCount, kMaxVarBinds);
    for (int i = 0; i < count && joined.size() < kBindingsLimit; ++i) {
        joined += Field(record, static_cast<int>(TrapField::VarBindName), i);
        joined += ',';
        joined += Field(record, static_cast<int>(TrapField::VarBindValue), i);
        joined += ',';
    }
    joined.resize(Cp932PrefixLength(joined, kBindingsLimit));
    return joined;
}

struct SlotOfColumn {
    int column;
    std::size_t offset;
    std::size_t size;
};

#define OLIXTRAP_SLOT(column, member) \
    SlotOfColumn { column, offsetof(TrapListRow, member), sizeof(TrapListRow::member) }

const std::array<SlotOfColumn, 31> kSlots = {{
    OLIXTRAP_SLOT(1, date),
    OLIXTRAP_SLOT(2, sourceAddress),
    OLIXTRAP_SLOT(3, hostName),
    OLIXTRAP_SLOT(4, version),
    OLIXTRAP_SLOT(6, community),
    OLIXTRAP_SLOT(7, enterprise),
    OLIXTRAP_SLOT(8, genericId),
    OLIXTRAP_SLOT(9, specificId),
    OLIXTRAP_SLOT(10, networkAddress),
    OLIXTRAP_SLOT(11, timeTick),
    OLIXTRAP_SLOT(12, msgId),
    OLIXTRAP_SLOT(13, maximumSize),
    OLIXTRAP_SLOT(14, messageFlags),
    OLIXTRAP_SLOT(15, securityModel),
    OLIXTRAP_SLOT(16, engineIdLength),
    OLIXTRAP_SLOT(17, engineId),
    OLIXTRAP_SLOT(18, engineBoots),
    OLIXTRAP_SLOT(19, engineTime),
    OLIXTRAP_SLOT(20, userName),
    OLIXTRAP_SLOT(21, authParamsLength),
    OLIXTRAP_SLOT(22, authParams),
    OLIXTRAP_SLOT(23, privParamsLength),
    OLIXTRAP_SLOT(24, privParams),
    OLIXTRAP_SLOT(25, contextEngineIdLength),
    OLIXTRAP_SLOT(26, contextEngineId),
    OLIXTRAP_SLOT(27, contextNameLength),
    OLIXTRAP_SLOT(28, contextName),
    OLIXTRAP_SLOT(29, requestId),
    OLIXTRAP_SLOT(30, errorStatus),
    OLIXTRAP_SLOT(31, errorIndex),
    OLIXTRAP_SLOT(32, bindings),
}};

#undef OLIXTRAP_SLOT

}  // namespace

std::string FormatReceiveTime(const std::tm& t) {
    // Digits written directly, as printf's "%02d" would: the log and the list write this
    // for every trap.
    std::string text;
    text.reserve(19);
    const auto append = [&text](int value, char after) {
        std::array<char, 16> digits;
        char* end = std::to_chars(digits.begin(), digits.end(), value).ptr;
        if (value >= 0 && value < 10) text += '0';
        text.append(digits.data(), end);
        if (after != '\0') text += after;
    };
    append(t.tm_year + 1900, '/');
    append(t.tm_mon + 1, '/');
    append(t.tm_mday, ' ');
    append(t.tm_hour, ':');
    append(t.tm_min, ':');
    append(t.tm_sec, '\0');
    return text;
}

TrapRowTexts BuildTrapRowTexts(const TrapRecord& record, std::string_view message,
                               const std::tm& localTime, bool inform) {
    TrapRowTexts row;
    auto& c = row.columns;
    row.image = record.genericTrap;
    c[1] = FormatReceiveTime(localTime);
    for (int column = 2; column <= 4; ++column) c[column] = Field(record, column - 2);
    c[kMessageColumn] = message;
    for (int column = 6; column <= 12; ++column) c[column] = Field(record, column - 3);
    if (record.version == kSnmpV3) {
        for (int column = 13; column <= 15; ++column) c[column] = Field(record, column - 3);
        c[16] = std::to_string(record.engineIdLength);
        for (int column = 17; column <= 20; ++column) c[column] = Field(record, column - 4);
        c[21] = std::to_string(record.authParamsLength);
        c[22] = Field(record, 17);
        c[23] = std::to_string(record.privParamsLength);
        c[24] = Field(record, 18);
        c[25] = std::to_string(record.contextEngineIdLength);
        c[26] = Field(record, 19);
        c[27] = std::to_string(record.contextNameLength);
        c[28] = Field(record, 20);
    }
    for (int column = 29; column <= 31; ++column) c[column] = Field(record, column - 8);
    c[kBindingsColumn] = JoinBindings(record);
    if (inform) c[kPduColumn] = "InformRequest";
    return row;
}

void FillTrapListRow(const std::function<std::string_view(int column)>& column, TrapListRow& row) {
    std::memset(&row, 0, sizeof row);
    auto* bytes = reinterpret_cast<char*>(&row);
    for (const SlotOfColumn& slot : kSlots) {
        const std::size_t room = slot.column == kBindingsColumn ? slot.size - 1 : slot.size - 2;
        const std::string_view text = column(slot.column);
        std::memcpy(bytes + slot.offset, text.data(), Cp932PrefixLength(text, room));
    }
}
