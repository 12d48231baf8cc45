#include <gtest/gtest.h>

#include "records/DBLib.h"
#include "snmp/engine/EngineFile.h"
#include "support/TempProgramFolder.h"

namespace {

TEST(EngineFile, ReadsOnlyAnEngineIdOfRfc3411AndItsBoots) {
    const struct {
        const char* text;
        bool valid;
        int32_t boots;
    } rows[] = {
        {"0x8000000005A1B2C3D4E5F60718\r\n12\r\n", true, 12},
        {"0x8000000005\n0\n", true, 0},               // 5 octets, bare line feeds
        {"0x80000000\r\n1\r\n", false, 0},            // 4 octets
        {"0x0000000005A1B2C3D4\r\n1\r\n", false, 0},  // first bit clear
        {"8000000005A1B2C3D4\r\n1\r\n", false, 0},    // no 0x
        {"0x8000000005A1B2C3D\r\n1\r\n", false, 0},   // odd digits
        {"0x8000000005A1B2C3D4\r\n-1\r\n", false, 0},
        {"0x8000000005A1B2C3D4\r\n2147483648\r\n", false, 0},
        {"0x8000000005A1B2C3D4\r\n7x\r\n", false, 0},
        {"0x8000000005A1B2C3D4", false, 0},
        {"", false, 0},
    };
    for (const auto& row : rows) {
        EngineIdentity identity;
        EXPECT_EQ(ParseEngineFile(row.text, identity), row.valid) << row.text;
        if (row.valid) {
            EXPECT_EQ(identity.boots, row.boots) << row.text;
        }
    }
}

TEST(EngineFile, BootsGrowAndADamagedFileGivesANewEngine) {
    TempProgramFolder folder;
    DBLib::MakeFolder("/db");
    EngineFile engine;
    const EngineIdentity first = engine.Boot();
    ASSERT_GE(first.engineIdLength, 5u);
    EXPECT_EQ(first.boots, 1);
    EXPECT_EQ(folder.Read("db/Engine.na"), EngineIdText(first.EngineId()) + "\r\n1\r\n");
    const EngineIdentity second = engine.Boot();
    EXPECT_EQ(EngineIdText(second.EngineId()), EngineIdText(first.EngineId()));
    EXPECT_EQ(second.boots, 2);
    EXPECT_EQ(engine.Peek().boots, 2);  // looking counts no boot

    folder.Write("db/Engine.na", "garbage");
    const EngineIdentity renewed = engine.Boot();
    EXPECT_NE(EngineIdText(renewed.EngineId()), EngineIdText(first.EngineId()));
    EXPECT_EQ(renewed.boots, 1);

    folder.Write("db/Engine.na", EngineIdText(first.EngineId()) + "\r\n2147483647\r\n");
    EXPECT_EQ(engine.Boot().boots, 2147483647);  // snmpEngineBoots stops at its maximum
}

}  // namespace
