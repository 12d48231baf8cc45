#include <QTextBrowser>
#include <QTreeWidget>

#include "FrameFixture.h"
#include "mib/MibService.h"
#include "platform/FixedText.h"
#include "support/TrapRecords.h"

namespace {

struct Row {
    std::string label;
    std::string value;
    int icon;
    bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << "{" << row.label << "=" << row.value << " icon " << row.icon << "}";
}

class DetailTest : public FrameTest {
protected:
    // Adds the row of record, shows it and returns the detail rows.
    std::vector<Row> Show(const TrapRecord& record) {
        AddTrapRow(record);
        List().List()->clearSelection();
        SelectRow(List().RowCount() - 1);
        Detail().ShowSelectedTrap();
        return Rows();
    }
    std::vector<Row> Rows() {
        std::vector<Row> rows;
        QTreeWidget* list = Detail().List();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.push_back({list->topLevelItem(i)->text(0).toStdString(),
                            list->topLevelItem(i)->text(1).toStdString(), Detail().RowIcon(i)});
        return rows;
    }
    // The rows every version shows, for the last row of the list.
    std::vector<Row> Common(const std::string& version) {
        return {{"Node Infomation", "", 0},
                {"RecvTime", std::string(List().CellText(List().RowCount() - 1, 1)), -1},
                {"Source Address", "192.168.1.20", -1},
                {"Host Name", "", -1},
                {"", "", -1},
                {"Snmp Infomation", "", 1},
                {"Version", version, -1}};
    }
    static void Append(std::vector<Row>& rows, std::initializer_list<Row> more) {
        rows.insert(rows.end(), more);
    }
};

}  // namespace

TEST_F(DetailTest, SnmpV1TrapShowsTheV1FieldsAndItsBindings) {
    const std::vector<Row> shown = Show(*V1ColdStartishRecord());
    std::vector<Row> expected = Common("1");
    Append(expected, {{"Community", "public", -1},
                      {"EnterPrise", "1.3.6.1.4.1.9.1", -1},
                      {"Network Address", "10.0.0.1", -1},
                      {"Generic Trap", "6", -1},
                      {"Spacific Trap", "3", -1},
                      {"Time Ticks", "00:01:40", -1},
                      {"", "", -1},
                      {"VariableBindings", "", 3},
                      {"Object", "1.3.6.1.2.1.2.2.1.1.1", -1},
                      {" Value", " 42", -1},
                      {"Object", "1.3.6.1.4.1.9.1.1", -1},
                      {" Value", " 41 42 ", -1}});
    EXPECT_EQ(shown, expected);
}

TEST_F(DetailTest, SnmpV2cTrapShowsCommunityAndTheRequestFields) {
    const std::vector<Row> shown = Show(*V2cRecord());
    std::vector<Row> expected = Common("2");
    Append(expected, {{"Community", "private", -1},
                      {"Request ID", "7", -1},
                      {"Error Status", "1", -1},
                      {"Error Index", "2", -1},
                      {"", "", -1},
                      {"VariableBindings", "", 3},
                      {"Object", "1.3.6.1.2.1.2.2.1.1.2", -1},
                      {" Value", " 2", -1}});
    EXPECT_EQ(shown, expected);
}

TEST_F(DetailTest, SnmpV3TrapShowsTheSecurityFieldsWithoutLengthsAndTheKeyIcon) {
    std::string auth = "0x";
    for (int i = 0; i < 12; ++i) auth += "AB ";
    const std::vector<Row> shown = Show(*V3Record());
    std::vector<Row> expected = Common("3");
    Append(expected, {{"ID", "100", -1},
                      {"Maximum Size", "65507", -1},
                      {"Message Flags", "3", -1},
                      {"Security Model", "3", -1},
                      {"Engine ID", "0x80 00 1F 88 01 ", -1},
                      {"Engine Boots", "00:00:00", -1},
                      {"Engine Time", "00:01:00", -1},
                      {"User Name", "user1", -1},
                      {"Authentication Parameters", auth, 2},
                      {"Privacy Parameters", "0x01 01 01 01 01 01 01 01 ", -1},
                      {"Context Engine ID", "0x80 00 1F 88 01 ", -1},
                      {"Context Name", "", -1},
                      {"Request ID", "9", -1},
                      {"Error Status", "0", -1},
                      {"Error Index", "0", -1},
                      {"", "", -1},
                      {"VariableBindings", "", 3},
                      {"Object", "1.3.6.1.2.1.1.3.0", -1},
                      {" Value", " 5", -1}});
    EXPECT_EQ(shown, expected);
}

TEST_F(DetailTest, CommaInAValueStartsTheNextObject) {
    auto record = V2cRecord();
    record->varBindCount = 0;
    std::copy_n("left,right", 10, AddBinding(*record, "1.3.6.1.2.1.1.1", 0x07).descriptorText());
    AddIntegerBinding(*record, "1.3.6.1.2.1.1.2", 1);
    const std::vector<Row> rows = Show(*record);
    const std::vector<Row> bindings(rows.begin() + 13, rows.end());
    EXPECT_EQ(bindings, (std::vector<Row>{{"Object", "1.3.6.1.2.1.1.1", -1},
                                          {" Value", " left", -1},
                                          {"Object", "right", -1},
                                          {" Value", " 1.3.6.1.2.1.1.2", -1},
                                          {"Object", "1", -1},
                                          {" Value", " ", -1}}));
}

TEST_F(DetailTest, EmptyBindingNameEndsTheBindings) {
    auto record = V2cRecord();
    record->varBinds[0].name.fill('\0');
    AddIntegerBinding(*record, "1.3.6.1.2.1.1.2", 1);
    const std::vector<Row> rows = Show(*record);
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows.back(), (Row{"VariableBindings", "", 3}));
}

TEST_F(DetailTest, TrapWithoutBindingsEndsWithTheBindingsRowAndTheFirstSelectedRowIsShown) {
    auto record = V2cRecord();
    record->varBindCount = 0;
    SetFixedText(record->community, "first");
    AddTrapRow(*record);
    SetFixedText(record->community, "second");
    AddTrapRow(*record);
    SelectRow(1);
    SelectRow(0);
    Detail().ShowSelectedTrap();
    const std::vector<Row> rows = Rows();
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows[7].value, "first");
    EXPECT_EQ(rows.back(), (Row{"VariableBindings", "", 3}));
}

TEST_F(DetailTest, OctetStringsThatAreTextShowTheirTextBesideTheHex) {
    auto record = V1ColdStartishRecord();
    record->varBindCount = 0;
    AddOctetStringBinding(*record, "1.3.6.1.2.1.2.2.1.2.3", "65 74 68 30 ");
    AddOctetStringBinding(*record, "1.3.6.1.4.1.9.9", "00 FF 10 ");
    const std::vector<Row> shown = Show(*record);
    QTreeWidget* list = Detail().List();
    const int last = list->topLevelItemCount() - 1;
    EXPECT_EQ(shown[static_cast<std::size_t>(last - 2)].value, " 65 74 68 30 ");
    EXPECT_EQ(list->topLevelItem(last - 2)->text(2), "eth0");
    EXPECT_EQ(list->topLevelItem(last)->text(2), "");
    EXPECT_EQ(List()
                  .List()
                  ->model()
                  ->index(List().RowCount() - 1, kMessageColumn)
                  .data(Qt::ToolTipRole)
                  .toString(),
              "1.3.6.1.2.1.2.2.1.2.3: eth0");
}

// Names come from the built-in table here: no module of this machine names these OIDs.
TEST_F(DetailTest, NamesShowBesideTheNumbersInTheListAndTheDetail) {
    auto record = V1ColdStartishRecord();
    record->genericTrap = 2;
    Show(*record);
    const QAbstractItemModel* model = List().List()->model();
    EXPECT_EQ(model->headerData(kTrapListColumns, Qt::Horizontal).toString(),
              QStringLiteral("トラップ名"));
    EXPECT_EQ(model->index(List().RowCount() - 1, kTrapListColumns).data().toString(),
              QStringLiteral("IF-MIB::linkDown"));
    QTreeWidget* detail = Detail().List();
    EXPECT_EQ(detail->headerItem()->text(2), QStringLiteral("名前"));
    const int object = detail->topLevelItemCount() - 4;
    EXPECT_EQ(detail->topLevelItem(object)->text(1), QStringLiteral("1.3.6.1.2.1.2.2.1.1.1"));
    EXPECT_EQ(detail->topLevelItem(object)->text(2), QStringLiteral("IF-MIB::ifIndex.1"));
    EXPECT_TRUE(
        Detail().Description()->toPlainText().startsWith(QStringLiteral("IF-MIB::linkDown\n\n")));
}

// A load that ends while a trap is shown names it without another click, on the refresh tick.
TEST_F(DetailTest, DetailShowsTheNamesOfAReloadOnceItEnds) {
    auto record = NewV1Trap({192, 168, 1, 20}, 6, 1, "1.3.6.1.4.1.64999.3");
    AddIntegerBinding(*record, "1.3.6.1.4.1.64999.2.1.1.4.2", 12);
    Show(*record);
    QTreeWidget* detail = Detail().List();
    const int value = detail->topLevelItemCount() - 1;
    ASSERT_EQ(detail->topLevelItem(value)->text(0), QStringLiteral(" Value"));
    EXPECT_EQ(detail->topLevelItem(value)->text(2), QString());

    program.Mib().Reload({OLIXTRAP_TESTDATA_DIR "/mibs", OLIXTRAP_SOURCE_DIR "/mib/base"});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return detail->topLevelItemCount() > value &&
                   detail->topLevelItem(value)->text(2) == "12 seconds";
        },
        20000));
    EXPECT_EQ(detail->topLevelItem(value - 1)->text(2),
              QStringLiteral("OLIX-TEST-MIB::olixFanSpinUp.2"));
    EXPECT_TRUE(Detail().Description()->toPlainText().startsWith(
        QStringLiteral("OLIX-TEST-MIB::olixFanFailure\n\n")));
    EXPECT_EQ(
        List().List()->model()->index(List().RowCount() - 1, kTrapListColumns).data().toString(),
        QStringLiteral("OLIX-TEST-MIB::olixFanFailure"));
}

TEST_F(DetailTest, TheNameColumnStartsInsideANarrowPaneBesideALongValue) {
    frame->AllowShowing();
    frame->resize(800, 600);
    frame->show();
    auto record = V1ColdStartishRecord();
    record->varBindCount = 0;
    std::string hex = "0x";
    for (int i = 0; i < 60; ++i) hex += "00 FF 10 ";
    AddOctetStringBinding(*record, "1.3.6.1.2.1.2.2.1.1.1", hex);
    Show(*record);
    QTreeWidget* list = Detail().List();
    const QHeaderView* header = list->header();
    const int object = list->topLevelItemCount() - 2;
    ASSERT_EQ(list->topLevelItem(object)->text(2), "IF-MIB::ifIndex.1");
    const int width = list->viewport()->width();
    EXPECT_LE(header->sectionViewportPosition(2) + header->sectionSize(2), width);
    EXPECT_GE(header->sectionSize(2), list->fontMetrics().horizontalAdvance("IF-MIB::ifIndex.1"));
    EXPECT_GE(header->sectionSize(1), 60) << "the value keeps a few digits";

    // Wide enough, the labels keep their width and the value takes what the name leaves.
    const int labels = header->sectionSize(0);
    frame->resize(1280, 1000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->viewport()->width() > width; }, 2000));
    EXPECT_GT(header->sectionSize(0), labels);
    EXPECT_EQ(header->sectionSize(0) + header->sectionSize(1) + header->sectionSize(2),
              list->viewport()->width());
}
