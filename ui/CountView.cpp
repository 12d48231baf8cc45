#include "ui/CountView.h"

#include <QGroupBox>
#include <QLabel>
#include <bit>
#include "platform/qt/EventImages.h"
#include "ui/DialogUnits.h"
#include "ui/TrapApp.h"

namespace {

struct PacketRow {
    int y;
    const char* label;
    int fieldId;
};

constexpr std::array<PacketRow, 8> kPacketRows = {{
    {17, "Total Recv Packets", 1000},
    {31, "SnmpV1 Trap", 1001},
    {45, "SnmpV2 Trap", 1002},
    {59, "SnmpV3 Trap", 1003},
    {73, "AuthFail Packets", 1004},
    {87, "DecFail Packets", 1015},
    {101, "Error Packets", 1005},
    {115, "Drop Packets", 1006},
}};

constexpr int kFirstGenericField = 1007;  // 1007-1014: genericTrap 0-7
constexpr int kFirstRowY = 17;
constexpr int kRowStep = 14;

}  // namespace

const char* PacketCounterLabel(int kind) {
    if (kind < 0 || kind >= static_cast<int>(kPacketRows.size())) return "";
    return kPacketRows[static_cast<std::size_t>(kind)].label;
}

CCountDlg::CCountDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("146"));
    resize(DuX(299), DuY(164));

    AddGroup(QStringLiteral("Packets Count"), DuRect(7, 5, 134, 131));
    for (const PacketRow& row : kPacketRows)
        AddRow(16, 72, row.y, CounterLabelImage(row.label), 91, row.fieldId);

    AddGroup(QStringLiteral("Snmp Packets Count"), DuRect(146, 5, 130, 131));
    for (int n = 0; n < 8; ++n)
        AddRow(156, 66, kFirstRowY + kRowStep * n, EventImage(n), 226, kFirstGenericField + n);

    ResetCounters();
}

void CCountDlg::AddGroup(const QString& title, QRect box) {
    auto* group = new QGroupBox(title, this);
    group->setGeometry(box);
    group->lower();
}

void CCountDlg::AddRow(int labelX, int labelWidth, int y, const QPixmap& picture, int fieldX,
                       int fieldId) {
    auto* label = new QLabel(this);
    label->setPixmap(picture);
    // The picture is drawn at its own size, which may exceed the label's width in units.
    label->setGeometry(DuX(labelX), DuY(y), std::max(DuX(labelWidth), picture.width()),
                       picture.height());
    auto* field = new QLabel(QStringLiteral("0"), this);
    field->setObjectName(QString::number(fieldId));
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setGeometry(DuRect(fieldX, y, 40, 13));
}

QLabel* CCountDlg::CounterField(int fieldId) const {
    if (fieldId < 1000 || fieldId > 1015) return nullptr;
    return findChild<QLabel*>(QString::number(fieldId), Qt::FindDirectChildrenOnly);
}

void CCountDlg::ShowCounters() {
    const auto counters = std::bit_cast<std::array<uint32_t, kCounterCount>>(SnapshotCounters());
    for (std::size_t slot = 0; slot < counters.size(); ++slot) {
        if (counters[slot] == m_shown[slot]) continue;
        m_shown[slot] = counters[slot];
        if (QLabel* field = CounterField(kCounterFieldIds[slot]))
            field->setText(QString::number(counters[slot]));
    }
}

CCountView::CCountView(QWidget* parent) : QWidget(parent) {
    TheApp().m_pCountView = this;
    m_form = new CCountDlg(this);
    m_form->move(10, 30);
    m_form->raise();
    m_form->show();
    TheApp().m_pCountDlg = m_form;
}

CCountView::~CCountView() {
    if (TheApp().m_pCountView == this) TheApp().m_pCountView = nullptr;
    if (TheApp().m_pCountDlg == m_form) TheApp().m_pCountDlg = nullptr;
}

void CCountView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_form->setGeometry(rect());
}
