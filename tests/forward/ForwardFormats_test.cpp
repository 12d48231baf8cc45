// The forwarding's own forms: the [FORWARD] keys, the packed trap the receiver hands on,
// syslog's structured data and the JSON line, also for bindings no format expects.

#include <gtest/gtest.h>

#include <rapidjson/document.h>
#include <cstring>

#include "forward/AlarmChangeFields.h"
#include "forward/CapturedTrap.h"
#include "forward/ForwardSettings.h"
#include "forward/JsonLine.h"
#include "forward/SyslogMessage.h"
#include "forward/TrapFields.h"
#include "settings/IniFile.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"
#include "support/TrapRecords.h"

namespace {

TEST(ForwardSettingsTest, KeysReadAsWrittenByHandAndFilesWithoutTheSectionKeepTheirBytes) {
    MessageBoxRecorder boxes;
    TempProgramFolder folder;
    const std::string plain = "[INIT]\r\nRECVP=162\r\n; a comment\r\n";
    folder.Write("OlixTrap.ini", plain);
    ASSERT_TRUE(SaveForwardSettingsFile(ForwardSettings{}, boxes));
    EXPECT_EQ(folder.Read("OlixTrap.ini"), plain);

    folder.Write("OlixTrap.ini",
                 plain +
                     "[FORWARD]\r\nKIND1=syslog-tcp\r\nHOST1=127.0.0.1\r\nPORT1=1514\r\n"
                     "WHICH1=filtered\r\nFACILITY1=23\r\nSEVERITY1=2\r\n"
                     "KIND3=JSON\r\nPATH3=forward/traps.json\r\nDAYS3=30\r\nKIND4=bogus\r\n"
                     "KIND5=json\r\nPATH5=a.json\r\nCONTENT5=Alarms\r\n"
                     "KIND6=snmp\r\nHOST6=a\r\nCONTENT6=alarms\r\n"
                     "KIND7=json\r\nPATH7=a.json\r\nCONTENT7=all\r\n");
    const ForwardSettings read = LoadForwardSettingsFile();
    EXPECT_EQ(read[0].kind, ForwardKind::kSyslogTcp);
    EXPECT_EQ(read[0].host, "127.0.0.1");
    EXPECT_EQ(EffectivePort(read[0]), 1514);
    EXPECT_TRUE(read[0].filteredOnly);
    EXPECT_EQ(read[0].facility, 23);
    EXPECT_EQ(read[0].severity, 2);
    EXPECT_EQ(read[1].kind, ForwardKind::kNone);
    EXPECT_EQ(read[2].kind, ForwardKind::kJson);
    EXPECT_EQ(EffectivePath(read[2], "/opt/olix"), "/opt/olix/forward/traps.json");
    EXPECT_EQ(read[2].days, 30);
    EXPECT_EQ(read[3].kind, ForwardKind::kNone);
    // Without the key, or with a word it does not know, a destination is sent traps.
    EXPECT_EQ(read[0].content, ForwardContent::kTraps);
    EXPECT_TRUE(TakesTraps(read[2]) && !TakesAlarmChanges(read[2]));
    EXPECT_TRUE(!TakesTraps(read[4]) && TakesAlarmChanges(read[4]));
    EXPECT_TRUE(TakesTraps(read[5]) && !TakesAlarmChanges(read[5]));  // a relay relays traps
    EXPECT_EQ(read[6].content, ForwardContent::kTraps);

    // Saved and read again, nothing changes; a default value is not added.
    ASSERT_TRUE(SaveForwardSettingsFile(read, boxes));
    EXPECT_EQ(LoadForwardSettingsFile(), read);
    EXPECT_EQ(folder.Read("OlixTrap.ini").find("FACILITY3"), std::string::npos);
    EXPECT_EQ(folder.Read("OlixTrap.ini").find("CONTENT3"), std::string::npos);
    EXPECT_NE(folder.Read("OlixTrap.ini").find("CONTENT5=alarms\r\n"), std::string::npos);
    EXPECT_NE(folder.Read("OlixTrap.ini").find("KIND1=syslog-tcp\r\n"), std::string::npos);
}

TEST(CapturedTrapTest, PackedRecordsUnpackToTheSameBytes) {
    std::unique_ptr<TrapRecord> records[] = {V1ColdStartishRecord(), V2cRecord(), V3Record(),
                                             NewTrapRecord()};
    // A binding area full to its end, as an IpAddress or Counter64 leaves it.
    VarBindEntry& full = AddBinding(*records[3], "1.3.6.1.2.1.1.1.0", 0x46);
    full.counter64() = ~0ULL;
    // One record reused, as the sender does: each unpack clears only what the last used,
    // after a larger record and after a smaller one.
    auto unpacked = NewTrapRecord();
    const auto unpacksTo = [&](const TrapRecord& record) {
        const std::string packed = PackTrapRecord(record);
        EXPECT_LT(packed.size(), 2000u);
        return UnpackTrapRecord(packed, *unpacked) &&
               std::memcmp(unpacked.get(), &record, sizeof(TrapRecord)) == 0;
    };
    for (const auto& record : records) EXPECT_TRUE(unpacksTo(*record));
    for (auto record = std::rbegin(records); record != std::rend(records); ++record)
        EXPECT_TRUE(unpacksTo(**record));

    const auto zero = std::make_unique<TrapRecord>();
    EXPECT_FALSE(UnpackTrapRecord(std::string("\x00\x00\xFF\x00", 4), *unpacked));
    EXPECT_EQ(std::memcmp(unpacked.get(), zero.get(), sizeof(TrapRecord)), 0);
    EXPECT_FALSE(UnpackTrapRecord(std::string("\xFF\xFF\x00\x00\xFF\xFF\x00\x00", 8), *unpacked));
}

TEST(SyslogMessageTest, ParamValuesEscapeQuoteBackslashAndBracket) {
    EXPECT_EQ(EscapeParamValue(R"(a"b\c]d[e)"), R"(a\"b\\c\]d[e)");

    TrapFields fields;
    fields.time = "2024-05-01T09:30:00.125+09:00";
    fields.source = "192.0.2.1";
    fields.version = "v2c";
    fields.event = 6;
    fields.trapOid = "1.3.6.1.4.1.8072.2.3.0.1";
    fields.community = R"(pu"b]\)";
    fields.uptime = 4200;
    EXPECT_EQ(BuildSyslogMessage(fields, "message", 16, 5, {"host-a", "77"}),
              "<133>1 2024-05-01T09:30:00.125+09:00 host-a olixtrap 77 trap [trap@32473 "
              "source=\"192.0.2.1\" "
              "version=\"v2c\" event=\"6\" trapOID=\"1.3.6.1.4.1.8072.2.3.0.1\" "
              "community=\"pu\\\"b\\]\\\\\" "
              "uptime=\"4200\"] \xEF\xBB\xBFmessage");
}

TEST(AlarmChangeFormatTest, SeveritiesMapToSyslogsAndAnAcknowledgementNamesItsUser) {
    const struct {
        std::string_view severity;
        int syslog;
    } rows[] = {{"critical", 2}, {"major", 3},         {"minor", 4},
                {"warning", 4},  {"indeterminate", 5}, {"cleared", 6}};
    for (const auto& row : rows)
        EXPECT_EQ(SyslogSeverityOfAlarm(row.severity), row.syslog) << row.severity;

    AlarmChangeFields fields;
    fields.change = "acknowledged";
    fields.ms = 1'714'523'400'125;  // 2024-05-01T00:30:00.125Z
    fields.alarmId = 7;
    fields.severity = "minor";
    fields.severityLabel = "軽微";
    fields.state = "acknowledged";
    fields.sender = "192.0.2.1";
    fields.trapOid = "1.3.6.1.6.3.1.1.5.3";
    fields.trapName = "IF-MIB::linkDown";
    fields.instance = "2";
    fields.count = 3;
    fields.firstMs = 1'714'523'000'000;
    fields.lastMs = 1'714'523'300'000;
    fields.message = "リンク断";
    fields.ackUser = "yamada";
    fields.ackNote = R"(見た "b]")";
    EXPECT_EQ(BuildAlarmSyslogMessage(fields, 16, {"host-a", "77"}),
              "<132>1 2024-05-01T00:30:00.125Z host-a olixtrap 77 alarm [alarm@32473 "
              "change=\"acknowledged\" alarmId=\"7\" severity=\"minor\" state=\"acknowledged\" "
              "source=\"192.0.2.1\" trapOID=\"1.3.6.1.6.3.1.1.5.3\" trapName=\"IF-MIB::linkDown\" "
              "instance=\"2\" count=\"3\" firstTime=\"2024-05-01T00:23:20.000Z\" "
              "lastTime=\"2024-05-01T00:28:20.000Z\" ackUser=\"yamada\" "
              "ackNote=\"見た \\\"b\\]\\\"\"] \xEF\xBB\xBFリンク断");
    const std::string line = BuildAlarmJsonLine(fields);
    rapidjson::Document parsed;
    parsed.Parse<rapidjson::kParseValidateEncodingFlag>(line.data(), line.size());
    ASSERT_FALSE(parsed.HasParseError()) << line;
    EXPECT_STREQ(parsed["time"].GetString(), "2024-05-01T00:30:00.125Z");
    EXPECT_STREQ(parsed["severityLabel"].GetString(), "軽微");
    EXPECT_STREQ(parsed["ackNote"].GetString(), R"(見た "b]")");
    EXPECT_STREQ(parsed["trapName"].GetString(), "IF-MIB::linkDown");
}

TEST(JsonLineTest, BindingsOfAnyOctetsGiveOneValidLineOfUtf8) {
    auto record = V2cRecord();
    // Control characters, quotes, a backslash, a cut Shift_JIS pair, 0xFF and a valid 日本.
    AddOctetStringBinding(*record, "1.3.6.1.4.1.99.1",
                          std::string("\x01\t\n\"q\"\\ \x81\x20 \xFF \x93\xFA\x96\x7B"));
    const std::string line =
        BuildJsonLine(CollectTrapFields(*record, std::chrono::system_clock::now(), 4711));
    EXPECT_EQ(line.find('\n'), std::string::npos);
    rapidjson::Document parsed;
    parsed.Parse<rapidjson::kParseValidateEncodingFlag>(line.data(), line.size());
    ASSERT_FALSE(parsed.HasParseError()) << line;
    EXPECT_EQ(parsed["sourcePort"].GetUint(), 4711u);
    EXPECT_STREQ(parsed["version"].GetString(), "v2c");
    const auto& last = parsed["bindings"][parsed["bindings"].Size() - 1];
    const std::string value = last["value"].GetString();
    EXPECT_EQ(value.substr(0, 7), "\x01\t\n\"q\"\\");
    EXPECT_NE(value.find("日本"), std::string::npos);
    EXPECT_STREQ(last["type"].GetString(), "OCTET STRING");
}

// Generic and specific numbers are SNMPv1's; a later notification is named by its OID alone.
TEST(JsonLineTest, OnlyAnSnmpV1TrapCarriesGenericAndSpecific) {
    const struct {
        std::unique_ptr<TrapRecord> record;
        bool numbers;
    } cases[] = {{V1ColdStartishRecord(), true}, {V2cRecord(), false}, {V3Record(), false}};
    for (const auto& c : cases) {
        const std::string line =
            BuildJsonLine(CollectTrapFields(*c.record, std::chrono::system_clock::now(), 162));
        rapidjson::Document parsed;
        parsed.Parse(line.data(), line.size());
        ASSERT_FALSE(parsed.HasParseError()) << line;
        EXPECT_EQ(parsed.HasMember("generic"), c.numbers) << line;
        EXPECT_EQ(parsed.HasMember("specific"), c.numbers) << line;
        EXPECT_TRUE(parsed.HasMember("trapOID")) << line;
    }
}

}  // namespace
