#include <gtest/gtest.h>

#include <string>

#include "platform/Encoding.h"
#include "platform/FixedText.h"
#include "settings/AppSettings.h"
#include "settings/SettingsSource.h"
#include "support/MessageBoxRecorder.h"
#include "support/TempProgramFolder.h"

namespace {

class CConfigTest : public ::testing::Test {
protected:
    AppSettings LoadFrom(const std::string& ini) {
        folder.Write("OlixTrap.ini", ini);
        settings.Load();
        return settings.Snapshot();
    }

    TempProgramFolder folder;
    SettingsSource settings;
    MessageBoxRecorder boxes;
};

TEST_F(CConfigTest, MissingFileGivesFirstRunDefaultsAndSaveCreatesEveryKeyInOrder) {
    settings.Load();
    const AppSettings s = settings.Snapshot();
    EXPECT_EQ(s.receiveMode, 0);
    EXPECT_EQ(s.trapPort, 162);
    EXPECT_EQ(s.resolveHostName, 1);
    EXPECT_EQ(s.logMode, 1);
    EXPECT_EQ(s.logRetention, 3);
    EXPECT_EQ(s.usePopAuth, 0);
    EXPECT_EQ(FixedTextView(s.smtpServer), "");

    EXPECT_TRUE(settings.Save(boxes));
    EXPECT_EQ(
        folder.Read("OlixTrap.ini"),
        "[INIT]\r\n"
        "TRECV=0\r\n"
        "RECVP=162\r\n"
        "HOST=1\r\n"
        "LOG=1\r\n"
        "T1MSG=Com = %C / ePrise = %E / GID = %G / SID = %S / TickTime = %T / VarBindings = %B\r\n"
        "T2MSG=Com = %C / VarBindings = %B\r\n"
        "T3MSG=User = %u / eBoots = %b / eTime = %t / VarBindings = %B\r\n"
        "LOGDELM=3\r\n"
        "[SMTP]\r\n"
        "smtpserver=\r\n"
        "adrfrom=\r\n"
        "adrto=\r\n"
        "pop=0\r\n"
        "popserver=\r\n"
        "userid=\r\n"
        "passward=\r\n"
        "subject=\r\n");
}

TEST_F(CConfigTest, ExistingFileTakesSecondDefaultsForMissingKeys) {
    const AppSettings s = LoadFrom("[INIT]\r\nRECVP=0\r\n");
    EXPECT_EQ(s.trapPort, 162);
    EXPECT_EQ(s.resolveHostName, 0);
    EXPECT_EQ(s.logMode, 0);
    EXPECT_EQ(s.logRetention, 3);
    EXPECT_EQ(FixedTextView(s.formatV1), "");
    EXPECT_EQ(FixedTextView(s.formatV2c), "");
    EXPECT_EQ(FixedTextView(s.formatV3), "");
}

TEST_F(CConfigTest, TrapPortIsNarrowedTo16BitsAndZeroMeans162) {
    const struct {
        const char* stored;
        uint16_t port;
    } cases[] = {
        {"RECVP=8162\r\n", 8162},  {"RECVP=65535\r\n", 65535}, {"RECVP=65536\r\n", 162},
        {"RECVP=70000\r\n", 4464}, {"RECVP=0\r\n", 162},       {"RECVP=-1\r\n", 65535},
        {"RECVP=\r\n", 162},       {"TRECV=1\r\n", 162},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(LoadFrom(std::string("[INIT]\r\n") + c.stored).trapPort, c.port);
    }
}

TEST_F(CConfigTest, RowCeilingIsClampedAndWrittenOnlyOnceItLeavesTheDefault) {
    const struct {
        const char* stored;
        int32_t rows;
    } cases[] = {
        {"", 1000000},
        {"MAXROWS=50000\r\n", 50000},
        {"MAXROWS=999\r\n", 1000},
        {"MAXROWS=-5\r\n", 1000},
        {"MAXROWS=10000001\r\n", 10000000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        EXPECT_EQ(LoadFrom(std::string("[INIT]\r\n") + c.stored).maxRows, c.rows);
    }
    LoadFrom("[INIT]\r\n");
    ASSERT_TRUE(settings.Save(boxes));
    EXPECT_EQ(folder.Read("OlixTrap.ini").find("MAXROWS"), std::string::npos);
    AppSettings s = settings.Snapshot();
    s.maxRows = 2000;
    settings.Replace(s);
    ASSERT_TRUE(settings.Save(boxes));
    EXPECT_NE(folder.Read("OlixTrap.ini").find("LOGDELM=3\r\nMAXROWS=2000\r\n"), std::string::npos);
    s.maxRows = kMaxRowsDefault;
    settings.Replace(s);
    ASSERT_TRUE(settings.Save(boxes));
    EXPECT_NE(folder.Read("OlixTrap.ini").find("MAXROWS=1000000\r\n"), std::string::npos);
}

TEST_F(CConfigTest, MibFoldersAreWrittenOnlyOnceSet) {
    LoadFrom("[INIT]\r\n");
    ASSERT_TRUE(settings.Save(boxes));
    EXPECT_EQ(folder.Read("OlixTrap.ini").find("MIBDIRS"), std::string::npos);
    EXPECT_STREQ(LoadFrom("[INIT]\r\nMIBDIRS=/opt/mibs:/srv/mibs\r\n").mibFolders.data(),
                 "/opt/mibs:/srv/mibs");
    ASSERT_TRUE(settings.Save(boxes));
    EXPECT_NE(folder.Read("OlixTrap.ini").find("MIBDIRS=/opt/mibs:/srv/mibs\r\n"),
              std::string::npos);
}

TEST_F(CConfigTest, LongValuesAreCutToTheirFieldOnLoad) {
    const std::string format(300, 'f');
    const std::string server(50, 's');
    const std::string address(200, 'a');
    // 35 ASCII bytes then a two-byte character: the character does not fit in 36 bytes.
    const std::string subject = std::string(35, 'x') + Utf8ToCp932("件");
    // A value ends at a zero byte, and so does the half character before it.
    const std::string userId = std::string("id\x82\0tail", 8);
    const AppSettings s = LoadFrom("[INIT]\r\nT1MSG=" + format +
                                   "\r\n[SMTP]\r\nsmtpserver=" + server + "\r\nadrto=" + address +
                                   "\r\nsubject=" + subject + "\r\nuserid=" + userId + "\r\n");
    EXPECT_EQ(FixedTextView(s.formatV1), format.substr(0, 256));
    EXPECT_EQ(FixedTextView(s.smtpServer), server.substr(0, 36));
    EXPECT_EQ(FixedTextView(s.mailTo), address.substr(0, 128));
    EXPECT_EQ(FixedTextView(s.mailSubject), std::string(35, 'x'));
    EXPECT_EQ(FixedTextView(s.popUserId), "id");
}

TEST_F(CConfigTest, SaveAndLoadRoundTripEveryFieldAsCp932PlainText) {
    AppSettings s{};
    s.receiveMode = 1;
    s.trapPort = 10162;
    s.resolveHostName = 0;
    s.logMode = 2;
    SetFixedText(s.formatV1, Utf8ToCp932("障害 %A ～ %B"));
    SetFixedText(s.formatV2c, "v2 %C");
    SetFixedText(s.formatV3, "v3 %u\\r\\n");
    s.logRetention = 12;
    SetFixedText(s.smtpServer, "mail.example.test");
    SetFixedText(s.mailFrom, "trap@example.test");
    SetFixedText(s.mailTo, "admin@example.test");
    s.usePopAuth = 1;
    SetFixedText(s.popServer, "pop.example.test");
    SetFixedText(s.popUserId, "admin");
    SetFixedText(s.popPassword, "p@ss=word;1");
    SetFixedText(s.mailSubject, Utf8ToCp932("トラップ通知"));
    settings.Replace(s);
    ASSERT_TRUE(settings.Save(boxes));

    const std::string file = folder.Read("OlixTrap.ini");
    EXPECT_NE(file.find("passward=p@ss=word;1\r\n"), std::string::npos);
    EXPECT_NE(file.find("T1MSG=" + Utf8ToCp932("障害 %A ～ %B") + "\r\n"), std::string::npos);

    settings.Replace(AppSettings{});
    settings.Load();
    const AppSettings r = settings.Snapshot();
    EXPECT_EQ(r.receiveMode, 1);
    EXPECT_EQ(r.trapPort, 10162);
    EXPECT_EQ(r.resolveHostName, 0);
    EXPECT_EQ(r.logMode, 2);
    EXPECT_EQ(r.logRetention, 12);
    EXPECT_EQ(r.usePopAuth, 1);
    EXPECT_EQ(FixedTextView(r.formatV1), FixedTextView(s.formatV1));
    EXPECT_EQ(FixedTextView(r.formatV2c), "v2 %C");
    EXPECT_EQ(FixedTextView(r.formatV3), "v3 %u\\r\\n");
    EXPECT_EQ(FixedTextView(r.smtpServer), "mail.example.test");
    EXPECT_EQ(FixedTextView(r.mailFrom), "trap@example.test");
    EXPECT_EQ(FixedTextView(r.mailTo), "admin@example.test");
    EXPECT_EQ(FixedTextView(r.popServer), "pop.example.test");
    EXPECT_EQ(FixedTextView(r.popUserId), "admin");
    EXPECT_EQ(FixedTextView(r.popPassword), "p@ss=word;1");
    EXPECT_EQ(FixedTextView(r.mailSubject), FixedTextView(s.mailSubject));
}

TEST_F(CConfigTest, SaveKeepsUnknownLinesAndRewritesKeysInPlace) {
    folder.Write("OlixTrap.ini",
                 "; written by hand\n"
                 "[Window]\n"
                 "x=10\n"
                 "\n"
                 "[init]\n"
                 "Extra=keep me\n"
                 "recvp = 9000\n"
                 "\n"
                 "[Other]\n"
                 "y=20\n");
    settings.Load();
    AppSettings s = settings.Snapshot();
    EXPECT_EQ(s.trapPort, 9000);
    s.trapPort = 9001;
    settings.Replace(s);
    ASSERT_TRUE(settings.Save(boxes));

    EXPECT_EQ(folder.Read("OlixTrap.ini"),
              "; written by hand\r\n"
              "[Window]\r\n"
              "x=10\r\n"
              "\r\n"
              "[init]\r\n"
              "Extra=keep me\r\n"
              "RECVP=9001\r\n"
              "TRECV=0\r\n"
              "HOST=0\r\n"
              "LOG=0\r\n"
              "T1MSG=\r\n"
              "T2MSG=\r\n"
              "T3MSG=\r\n"
              "LOGDELM=3\r\n"
              "\r\n"
              "[Other]\r\n"
              "y=20\r\n"
              "[SMTP]\r\n"
              "smtpserver=\r\n"
              "adrfrom=\r\n"
              "adrto=\r\n"
              "pop=0\r\n"
              "popserver=\r\n"
              "userid=\r\n"
              "passward=\r\n"
              "subject=\r\n");
}

}  // namespace
