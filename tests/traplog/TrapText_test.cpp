#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <memory>
#include <regex>
#include <string>

#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "support/TrapRecords.h"
#include "traplog/TrapText.h"

namespace {

// Every field holds a value of its own, whatever the version, so that a field shown for a
// version it does not apply to is caught.
std::unique_ptr<TrapRecord> FilledRecord(int32_t version) {
    auto r = NewTrapRecord(version, {192, 168, 1, 200});
    SetFixedText(r->hostName, "agent.example.test");
    SetFixedText(r->community, "public");
    SetFixedText(r->enterprise, "1.3.6.1.4.1.9999");
    r->agentAddress = {10, 0, 0, 255};
    r->genericTrap = 6;
    r->specificTrap = 17;
    r->timeStamp = 10000;
    r->requestId = -5;
    r->errorStatus = 2;
    r->errorIndex = 3;
    r->msgId = 4711;
    r->msgMaxSize = 65507;
    r->msgFlags = 3;
    r->msgSecurityModel = 3;
    r->engineIdLength = 3;
    r->engineId[0] = 0x80;
    r->engineId[1] = 0x00;
    r->engineId[2] = 0x1F;
    r->engineBoots = 12;
    r->engineTime = 360000;
    SetFixedText(r->userName, "trapuser");
    r->authParamsLength = 2;
    r->authParams[0] = 0xAB;
    r->authParams[1] = 0x0C;
    r->privParamsLength = 1;
    r->privParams[0] = 0xFF;
    r->contextEngineIdLength = 1;
    r->contextEngineId[0] = 0x01;
    r->contextNameLength = 2;
    r->contextName[0] = 'a';
    r->contextName[1] = 'b';
    AddBinding(*r, "1.3.6.1.2.1.1.3.0", 0x43).intValue = 123456;
    return r;
}

TEST(FormatTrapField, RendersEachFieldForTheVersionsItAppliesTo) {
    const auto v1 = FilledRecord(0);
    const auto v2c = FilledRecord(1);
    const auto v3 = FilledRecord(3);
    const struct {
        TrapField field;
        const char* v1;
        const char* v2c;
        const char* v3;
    } cases[] = {
        {TrapField::SourceAddress, "192.168.1.200", "192.168.1.200", "192.168.1.200"},
        {TrapField::HostName, "agent.example.test", "agent.example.test", "agent.example.test"},
        {TrapField::Version, "1", "2", "3"},
        {TrapField::Community, "public", "public", "public"},
        {TrapField::Enterprise, "1.3.6.1.4.1.9999", "", ""},
        {TrapField::GenericTrap, "6", "", ""},
        {TrapField::SpecificTrap, "17", "", ""},
        {TrapField::AgentAddress, "10.0.0.255", "", ""},
        {TrapField::TimeStamp, "00:01:40", "", ""},
        {TrapField::MsgId, "", "", "4711"},
        {TrapField::MsgMaxSize, "", "", "65507"},
        {TrapField::MsgFlags, "", "", "3"},
        {TrapField::MsgSecurityModel, "", "", "3"},
        {TrapField::EngineId, "0x80 00 1F ", "0x80 00 1F ", "0x80 00 1F "},
        {TrapField::EngineBoots, "", "", "00:00:00"},
        {TrapField::EngineTime, "", "", "01:00:00"},
        {TrapField::UserName, "trapuser", "trapuser", "trapuser"},
        {TrapField::AuthParams, "0xAB 0C ", "0xAB 0C ", "0xAB 0C "},
        {TrapField::PrivParams, "0xFF ", "0xFF ", "0xFF "},
        {TrapField::ContextEngineId, "0x01 ", "0x01 ", "0x01 "},
        {TrapField::ContextName, "0x61 62 ", "0x61 62 ", "0x61 62 "},
        {TrapField::RequestId, "", "-5", "-5"},
        {TrapField::ErrorStatus, "", "2", "2"},
        {TrapField::ErrorIndex, "", "3", "3"},
        {TrapField::VarBindName, "1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.1.3.0"},
        {TrapField::VarBindValue, "00:20:34", "00:20:34", "00:20:34"},
    };
    static_assert(std::size(cases) == kTrapFieldCount);
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.field));
        EXPECT_EQ(FormatTrapField(*v1, c.field), c.v1);
        EXPECT_EQ(FormatTrapField(*v2c, c.field), c.v2c);
        EXPECT_EQ(FormatTrapField(*v3, c.field), c.v3);
    }
    // A version the record should never hold is shown as it is and gets only the
    // fields of every version.
    const auto v7 = FilledRecord(7);
    EXPECT_EQ(FormatTrapField(*v7, TrapField::Version), "7");
    EXPECT_EQ(FormatTrapField(*v7, TrapField::RequestId), "");
}

TEST(FormatTrapField, TimeRenderingKeepsHoursUnboundedAndDropsHundredths) {
    const struct {
        uint32_t ticks;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},      {99, "00:00:00"},      {100, "00:00:01"},
        {5999, "00:00:59"},   {6000, "00:01:00"},    {359999, "00:59:59"},
        {360000, "01:00:00"}, {8640000, "24:00:00"}, {4294967295u, "11930:27:52"},
    };
    auto record = NewTrapRecord(0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ticks);
        record->timeStamp = c.ticks;
        EXPECT_EQ(FormatTrapField(*record, TrapField::TimeStamp), c.text);
    }
    // Engine boots and time are signed in the record but rendered as unsigned hundredths.
    record->version = 3;
    record->engineTime = -1;
    EXPECT_EQ(FormatTrapField(*record, TrapField::EngineTime), "11930:27:52");
}

TEST(FormatTrapField, HexRenderingCoversTheOctetsHeld) {
    auto record = NewTrapRecord(3);
    EXPECT_EQ(FormatTrapField(*record, TrapField::EngineId), "");
    record->engineId.fill(0xA5);
    record->engineIdLength = 0;
    EXPECT_EQ(FormatTrapField(*record, TrapField::EngineId), "");  // nothing without a length
    record->engineIdLength = -4;
    EXPECT_EQ(FormatTrapField(*record, TrapField::EngineId), "");
    record->engineIdLength = 600;  // received longer than the record holds
    std::string expected = "0x";
    for (int i = 0; i < 127; ++i) expected += "A5 ";
    EXPECT_EQ(FormatTrapField(*record, TrapField::EngineId), expected);
    EXPECT_EQ(expected.size(), 383u);
}

TEST(FormatTrapField, BindingValueFollowsItsTag) {
    const std::string longHex = [] {
        std::string text;
        for (int i = 0; i < 133; ++i) text += "7E ";
        return text;
    }();
    const struct {
        int32_t tag;
        void (*fill)(VarBindEntry&);
        std::string text;
    } cases[] = {
        {0x01, [](VarBindEntry& e) { e.intValue = 1; }, "1"},
        {0x02, [](VarBindEntry& e) { e.intValue = 0xFFFFFFFF; }, "-1"},
        {0x02, [](VarBindEntry& e) { e.intValue = 255; }, "255"},
        {0x02, [](VarBindEntry& e) { e.intValue = 0x80000000; }, "-2147483648"},
        {0x03, [](VarBindEntry& e) { std::strcpy(e.bitsText(), "0101"); }, "0101"},
        {0x04, [](VarBindEntry& e) { std::strcpy(e.hexText(), "41 42 "); }, "41 42 "},
        {0x04,
         [](VarBindEntry& e) {
             for (int i = 0; i < 133; ++i) std::memcpy(e.hexText() + 3 * i, "7E ", 3);
         },
         longHex},
        {0x06, [](VarBindEntry& e) { std::strcpy(e.oidText(), "1.3.6.1.6.3.1.1.5.3"); },
         "1.3.6.1.6.3.1.1.5.3"},
        {0x07, [](VarBindEntry& e) { std::strcpy(e.descriptorText(), "desc"); }, "desc"},
        {0x40, [](VarBindEntry& e) { std::memcpy(e.ipAddress(), "\xC0\xA8\x00\x01", 4); },
         "192.168.0.1"},
        {0x41, [](VarBindEntry& e) { e.intValue = 4294967295u; }, "4294967295"},
        {0x42, [](VarBindEntry& e) { e.intValue = 2147483648u; }, "2147483648"},
        {0x43, [](VarBindEntry& e) { e.intValue = 0; }, "00:00:00"},
        {0x43, [](VarBindEntry& e) { e.intValue = 8640000; }, "24:00:00"},
        {0x46, [](VarBindEntry& e) { e.counter64() = 18446744073709551615ull; },
         "18446744073709551615"},
        {0x05, [](VarBindEntry& e) { e.intValue = 9; }, ""},
        {0x44, [](VarBindEntry& e) { std::strcpy(e.hexText(), "41 "); }, ""},
        {0x45, [](VarBindEntry& e) { e.intValue = 9; }, ""},
        {-128, [](VarBindEntry& e) { e.intValue = 9; }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        auto record = NewTrapRecord(kSnmpV2c);
        AddIntegerBinding(*record, "1.3.6.1.2.1.1.3.0", 7);
        AddOctetStringBinding(*record, "1.3.6.1.4.1.1.1", "30 ");
        c.fill(AddBinding(*record, "1.3.6.1.4.1.1.2", c.tag));
        EXPECT_EQ(FormatTrapField(*record, TrapField::VarBindValue, 2), c.text);
        EXPECT_EQ(FormatTrapField(*record, TrapField::VarBindName, 2), "1.3.6.1.4.1.1.2");
    }
    // An index outside the record gives nothing rather than reading beyond it.
    const auto record = V2cRecord();
    EXPECT_EQ(FormatTrapField(*record, TrapField::VarBindName, -1), "");
    EXPECT_EQ(FormatTrapField(*record, TrapField::VarBindName, kMaxVarBinds), "");
    EXPECT_EQ(FormatTrapField(*record, TrapField::VarBindValue, kMaxVarBinds), "");
}

TEST(ExpandTrapText, ExpandsPlaceholdersAndEscapesAndCopiesTheRest) {
    const auto v1 = FilledRecord(0);
    const auto v2c = FilledRecord(1);
    const auto v3 = FilledRecord(3);
    const struct {
        const TrapRecord* record;
        const char* text;
        const char* expanded;
    } cases[] = {
        {v1.get(), "", ""},
        {v1.get(), "plain text", "plain text"},
        {v1.get(), "%H|%V|%C|%E|%A|%G|%S|%T",
         "agent.example.test|1|public|1.3.6.1.4.1.9999|192.168.1.200|6|17|00:01:40"},
        {v3.get(), "%e|%b|%t|%u|%i|%n", "0x80 00 1F |00:00:00|01:00:00|trapuser|0x01 |0x61 62 "},
        {v2c.get(), "[%E][%G][%S][%T][%b][%t]", "[][][][][][]"},
        {v1.get(), "[%b][%t]", "[][]"},
        {v2c.get(), "%V %C", "2 public"},
        {v1.get(), "100%", "100%"},
        {v1.get(), "%%C", "%%C"},
        {v1.get(), "%x%Z", "%x%Z"},
        {v1.get(), "%d %d", "%d %d"},
        {v1.get(), "%dT", "%dT"},
        {v1.get(), "a\\r\\nb", "a\r\nb"},
        {v1.get(), "\\t\\\\n", "\\t\\\\n"},
        {v1.get(), "end\\", "end\\"},
        {v1.get(), "%h%c", "%h%c"},  // names match with letter case
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ExpandTrapText(*c.record, c.text), c.expanded);
    }
}

TEST(ExpandTrapText, BindingsFollowTheSharedCursor) {
    auto record = NewV1Trap({}, 6, 1);
    record->timeStamp = 10000;
    AddIntegerBinding(*record, "1.3.6.1.2.1.1.3.0", 42);
    EXPECT_EQ(
        ExpandTrapText(*record, "GID = %G / SID = %S / TickTime = %T / VarBindings = %B"),
        "GID = 6 / SID = 1 / TickTime = 00:01:40 / VarBindings =  { 1.3.6.1.2.1.1.3.0 = 42 } ");

    AddOctetStringBinding(*record, "1.3.6.1.4.1.5", "61 ");
    EXPECT_EQ(ExpandTrapText(*record, "%B|%B"),
              " { 1.3.6.1.2.1.1.3.0 = 42 / 1.3.6.1.4.1.5 = 61  } | {  } ");
    // Each call starts over.
    EXPECT_EQ(ExpandTrapText(*record, "%B"), " { 1.3.6.1.2.1.1.3.0 = 42 / 1.3.6.1.4.1.5 = 61  } ");

    EXPECT_EQ(ExpandTrapText(*NewTrapRecord(1), "%B"), " {  } ");
}

TEST(ExpandTrapText, DateAndTimeIsTheCurrentLocalTimeWithoutLeadingZeros) {
    const std::time_t before = std::time(nullptr);
    const std::string text = ExpandTrapText(*NewTrapRecord(0), "at %dt.");
    const std::time_t after = std::time(nullptr);
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        text, m,
        std::regex(
            R"(at ([1-9]\d*)/([1-9]\d?)/([1-9]\d?) (0|[1-9]\d?):(0|[1-9]\d?):(0|[1-9]\d?)\.)")))
        << text;
    std::tm local{};
    local.tm_year = std::stoi(m[1]) - 1900;
    local.tm_mon = std::stoi(m[2]) - 1;
    local.tm_mday = std::stoi(m[3]);
    local.tm_hour = std::stoi(m[4]);
    local.tm_min = std::stoi(m[5]);
    local.tm_sec = std::stoi(m[6]);
    local.tm_isdst = -1;
    const std::time_t shown = std::mktime(&local);
    EXPECT_GE(shown, before);
    EXPECT_LE(shown, after);
}

TEST(ExpandTrapText, OutputStopsBeforeTheFirstTextThatDoesNotFit) {
    const auto record = FilledRecord(0);  // %A gives "192.168.1.200", 13 bytes
    const struct {
        std::string text;
        std::string expanded;
    } cases[] = {
        {std::string(3000, 'a'), std::string(2047, 'a')},
        {std::string(2034, 'a') + "%Az", std::string(2034, 'a') + "192.168.1.200"},  // exactly 2047
        {std::string(2035, 'a') + "%Az", std::string(2035, 'a')},  // would reach 2048
        {std::string(2000, 'a') + "%A" + std::string(40, 'b') + "%Ac",
         std::string(2000, 'a') + "192.168.1.200" + std::string(34, 'b')},
        {std::string(2046, 'a') + "%x", std::string(2046, 'a') + "%"},
        {std::string(2046, 'a') + "\\r", std::string(2046, 'a') + "\r"},
        {std::string(2047, 'a') + "\\r", std::string(2047, 'a')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.size());
        const std::string expanded = ExpandTrapText(*record, c.text);
        EXPECT_EQ(expanded.size(), c.expanded.size());
        EXPECT_EQ(expanded, c.expanded);
    }
}

TEST(ExpandTrapText, AHundredLongBindingsAreMeasuredBeforeTheyAreAppended) {
    const std::string name =
        "1.3.6.1.4.1.99999.1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21";
    auto record = NewTrapRecord(kSnmpV2c);
    for (int i = 0; i < kMaxVarBinds; ++i) {
        char* hex = AddBinding(*record, name, 0x04).hexText();
        for (int k = 0; k < 133; ++k) std::memcpy(hex + 3 * k, "FF ", 3);
    }
    EXPECT_EQ(ExpandTrapText(*record, "before %B after"), "before ");

    // With room enough the whole list is there.
    const std::string all = ExpandTrapText(*record, "%B", 1 << 17);
    EXPECT_EQ(all.size(), 6 + 100 * (name.size() + 3 + 399) + 99 * 3);
    EXPECT_TRUE(all.starts_with(" { " + name + " = FF FF "));
    EXPECT_TRUE(all.ends_with("FF FF  } "));

    // A count beyond the record is held to the record.
    record->varBindCount = 5000;
    EXPECT_EQ(ExpandTrapText(*record, "%B", 1 << 17), all);
}

TEST(ExpandTrapText, TwoByteCharactersAreNeverSplitOrReadAsEscapes) {
    const auto record = FilledRecord(0);
    const std::string hyou = Utf8ToCp932("表");  // second byte 0x5C, a backslash
    ASSERT_EQ(hyou, "\x95\x5C");
    const struct {
        std::string text;
        std::string expanded;
    } cases[] = {
        {hyou + "n" + hyou + "r%C", hyou + "n" + hyou + "rpublic"},
        {"%" + hyou + "n", "%" + hyou + "n"},
        {Utf8ToCp932("障害 %C 発生\\n"), Utf8ToCp932("障害 public 発生\n")},
        {std::string(2046, 'a') + hyou, std::string(2046, 'a')},
        {std::string(2045, 'a') + "%" + hyou, std::string(2045, 'a') + "%"},
        {std::string("ab\x95", 3), std::string("ab\x95", 3)},  // a lone lead byte at the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.size());
        EXPECT_EQ(ExpandTrapText(*record, c.text), c.expanded);
    }
}

TEST(ExpandTrapText, CallersBufferIsFilledAndTerminatedWithinItsSize) {
    const auto record = FilledRecord(0);
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    ExpandTrapText(*record, "abc%Cdef", buffer, 12);
    EXPECT_STREQ(buffer, "abcpublicde");
    EXPECT_EQ(buffer[12], '#');

    ExpandTrapText(*record, "%A", buffer, 12);  // 13 bytes do not fit
    EXPECT_STREQ(buffer, "");
    ExpandTrapText(*record, "abc", buffer, 1);
    EXPECT_STREQ(buffer, "");
}

TEST(ExpandTrapMessage, UsesTheDisplayFormatOfTheVersion) {
    AppSettings settings{};
    SetFixedText(settings.formatV1, "one %G");
    SetFixedText(settings.formatV2c, "two %C");
    SetFixedText(settings.formatV3, "three %u");
    EXPECT_EQ(ExpandTrapMessage(*FilledRecord(0), settings), "one 6");
    EXPECT_EQ(ExpandTrapMessage(*FilledRecord(1), settings), "two public");
    EXPECT_EQ(ExpandTrapMessage(*FilledRecord(3), settings), "three trapuser");
    EXPECT_EQ(ExpandTrapMessage(*FilledRecord(2), settings), "");
    EXPECT_EQ(ExpandTrapMessage(*FilledRecord(0), AppSettings{}), "");  // an empty format
}

}  // namespace
