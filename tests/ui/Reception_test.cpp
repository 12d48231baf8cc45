// The windows with the real receiver: traps from net-snmp's snmptrap on a loopback port.

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>
#include <QTreeWidget>
#include <array>
#include <ctime>

#include "FrameFixture.h"
#include "settings/AppSettings.h"
#include "support/SnmptrapRunner.h"
#include "trap/PacketCounters.h"
#include "traplog/TrapRowTexts.h"
#include "ui/TrapListFinder.h"

namespace {

class ReceptionTest : public FrameTest {
protected:
    void SetUp() override {
        if (FindSnmptrap().empty())
            GTEST_SKIP() << "snmptrap (Debian package snmp) is not installed";
        for (int tick = 0; tick < CEventView::kAutoStartTick; ++tick) List().OnTimer();
        ASSERT_TRUE(PortHeldWithin(10000));
    }

    std::string Target() const { return "127.0.0.1:" + std::to_string(port); }

    void Send(const std::vector<std::string>& arguments) { ASSERT_EQ(RunSnmptrap(arguments), 0); }

    // Waits (bounded) until the sixteen fields show expected, then compares them.
    void ExpectCounters(const std::map<int, QString>& expected) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return CounterFields() == expected; }, 10000));
        EXPECT_EQ(CounterFields(), expected);
    }

    std::map<int, QString> CounterFields() {
        std::map<int, QString> fields;
        for (int id : kCounterFieldIds) fields[id] = Counter(id);
        return fields;
    }

    static std::map<int, QString> Zeros(std::map<int, QString> nonzero) {
        for (int id : kCounterFieldIds) nonzero.emplace(id, "0");
        return nonzero;
    }
};

}  // namespace

TEST_F(ReceptionTest, SnmpV1TrapBecomesARowWithAllItsColumnsAndIsCounted) {
    const std::time_t before = std::time(nullptr);
    Send({"-v", "1", "-c", "public", Target(), "1.3.6.1.4.1.9.1", "10.0.0.1", "6", "3", "12345",
          "1.3.6.1.2.1.2.2.1.1.1", "i", "42"});
    ExpectCounters(Zeros({{1000, "1"}, {1001, "1"}, {1013, "1"}}));
    ASSERT_EQ(List().RowCount(), 1);
    std::array<std::string, kTrapListColumns> expected{};
    expected[2] = "127.0.0.1";
    expected[4] = "1";
    expected[5] = "v1 public 6/3";
    expected[6] = "public";
    expected[7] = "1.3.6.1.4.1.9.1";
    expected[8] = "6";
    expected[9] = "3";
    expected[10] = "10.0.0.1";
    expected[11] = "00:02:03";
    expected[32] = "1.3.6.1.2.1.2.2.1.1.1,42,";
    for (int column = 0; column < kTrapListColumns; ++column) {
        if (column == 1) continue;
        EXPECT_EQ(List().CellText(0, column), expected[static_cast<std::size_t>(column)])
            << "column " << column;
    }
    const std::string date(List().CellText(0, 1));
    EXPECT_TRUE(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$")
                    .match(QString::fromStdString(date))
                    .hasMatch())
        << date;
    std::tm local{};
    localtime_r(&before, &local);
    EXPECT_EQ(date.substr(0, 4), std::to_string(local.tm_year + 1900));
    EXPECT_EQ(List().List()->model()->index(0, 0).data(Qt::DecorationRole).isNull(), false);

    SelectRow(0);
    List().OnListClick();
    EXPECT_EQ(Detail().List()->topLevelItem(7)->text(0), "Community");
    EXPECT_EQ(Detail().List()->topLevelItem(7)->text(1), "public");
}

TEST_F(ReceptionTest, CountersFollowAcceptedFilteredAndMalformedDatagrams) {
    Send({"-v", "2c", "-c", "public", Target(), "", "1.3.6.1.6.3.1.1.5.1"});
    ExpectCounters(Zeros({{1000, "1"}, {1002, "1"}, {1007, "1"}}));
    EXPECT_EQ(List().RowCount(), 1);
    EXPECT_EQ(List().CellText(0, 5), "v2 public");

    AppSettings settings = Settings().Snapshot();
    settings.receiveMode = 1;  // no filter entries: nothing passes
    Settings().Replace(settings);
    Send({"-v", "2c", "-c", "public", Target(), "", "1.3.6.1.6.3.1.1.5.4"});
    ExpectCounters(Zeros({{1000, "2"}, {1002, "1"}, {1007, "1"}, {1006, "1"}}));
    EXPECT_EQ(List().RowCount(), 1);

    const std::array<uint8_t, 4> garbage = {0x30, 0x02, 0xFF, 0xFF};
    ASSERT_TRUE(SendToLoopback(port, garbage));
    ExpectCounters(Zeros({{1000, "3"}, {1002, "1"}, {1007, "1"}, {1006, "1"}, {1005, "1"}}));
}

// An octet string that is Japanese text (UTF-8, as a shell passes it) reads as text beside its
// hex in the detail view and in a copied row, which ends with the trap's name.
TEST_F(ReceptionTest, AJapaneseStringReadsAsTextInTheDetailAndTheCopiedRow) {
    Send({"-v", "2c", "-c", "public", Target(), "", "1.3.6.1.6.3.1.1.5.3", "1.3.6.1.4.1.99.1", "s",
          "ディスク容量不足"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return List().RowCount() == 1; }, 10000));
    const QString hex = "E3 83 87 E3 82 A3 E3 82 B9 E3 82 AF E5 AE B9 E9 87 8F E4 B8 8D E8 B6 B3 ";
    SelectRow(0);
    List().OnListClick();
    QTreeWidget* detail = Detail().List();
    const int value = detail->topLevelItemCount() - 1;
    EXPECT_EQ(detail->topLevelItem(value - 1)->text(1), "1.3.6.1.4.1.99.1");
    EXPECT_EQ(detail->topLevelItem(value)->text(1), " " + hex);
    EXPECT_EQ(detail->topLevelItem(value)->text(2), "ディスク容量不足");

    List().OnCopySelected();
    const QStringList cells = QApplication::clipboard()->text().split('\n').value(1).split('\t');
    ASSERT_EQ(cells.size(), kTrapListColumns + 1);
    EXPECT_TRUE(
        cells[kBindingsColumn].endsWith(",1.3.6.1.4.1.99.1," + hex + "\"ディスク容量不足\","))
        << cells[kBindingsColumn].toStdString();
    EXPECT_EQ(cells.last(), "IF-MIB::linkDown");
    // The list itself keeps the hex alone.
    EXPECT_TRUE(QString::fromLatin1(List().CellText(0, kBindingsColumn)).endsWith(hex + ","));
}

// Two real linkDown traps, of interfaces 2 and 3: a filter on the binding by its MIB name
// and on the name column keeps the one of interface 3.
TEST_F(ReceptionTest, AFilterOnABindingByItsMibNameKeepsTheRealTrapThatHasIt) {
    for (const char* ifIndex : {"2", "3"})
        Send({"-v", "2c", "-c", "public", Target(), "", "1.3.6.1.6.3.1.1.5.3",
              std::string("1.3.6.1.2.1.2.2.1.1.") + ifIndex, "i", ifIndex,
              std::string("1.3.6.1.2.1.2.2.1.2.") + ifIndex, "s", std::string("eth") + ifIndex});
    ASSERT_TRUE(QTest::qWaitFor([&] { return List().RowCount() == 2; }, 10000));
    CTrapListFinder& finder = *List().Finder();
    finder.SearchFor(R"(source == 127.0.0.0/8 && trap ~ "linkDown" && ifIndex == 3)");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finder.Searching(); }, 10000));
    ASSERT_EQ(finder.ShownRowCount(), 1) << finder.ErrorText().toStdString();
    EXPECT_TRUE(QString::fromLatin1(List().CellText(0, kBindingsColumn))
                    .contains("1.3.6.1.2.1.2.2.1.1.3,3,"));
    finder.SearchFor(R"(IF-MIB::ifDescr == "eth2")");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !finder.Searching(); }, 10000));
    ASSERT_EQ(finder.ShownRowCount(), 1);
    EXPECT_TRUE(QString::fromLatin1(List().CellText(0, kBindingsColumn))
                    .contains("1.3.6.1.2.1.2.2.1.1.2,2,"));
}
