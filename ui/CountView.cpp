#include "ui/CountView.h"

#include <QGroupBox>
#include <QLabel>
#include <algorithm>
#include <bit>

#include "platform/qt/EventImages.h"
#include "ui/DialogUnits.h"

namespace {

constexpr int kFirstRowY = 17;
constexpr int kRowStep = 14;
constexpr int kGroupTop = 5;
// The group boxes hold the taller of the two columns of rows, with the margins below.
constexpr int kGroupHeight = [] {
    int packets = 0;
    for (const PacketCounterEntry& entry : kPacketCounterTable)
        if (entry.group == CounterGroup::kPackets) ++packets;
    const int rows = std::max(packets, kCounterCount - packets);
    return kFirstRowY - kGroupTop + rows * kRowStep + 7;
}();

}  // namespace

const char* PacketCounterLabel(int kind) {
    // A kind counts in the slot of its number.
    if (kind < 0 || kind >= kCounterCount) return "";
    const PacketCounterEntry& entry = kPacketCounterTable[static_cast<std::size_t>(kind)];
    return entry.group == CounterGroup::kPackets ? entry.viewLabel : "";
}

CCountDlg::CCountDlg(PacketCounters& counters, QWidget* parent)
    : QWidget(parent), m_counters(counters) {
    setObjectName(QStringLiteral("146"));
    resize(DuX(299), DuY(kGroupTop + kGroupHeight + 28));

    AddGroup(QStringLiteral("Packets Count"), DuRect(7, kGroupTop, 134, kGroupHeight));
    AddGroup(QStringLiteral("Snmp Packets Count"), DuRect(146, kGroupTop, 130, kGroupHeight));
    int packetRow = 0;
    int trapTypeRow = 0;
    for (const PacketCounterEntry& entry : kPacketCounterTable) {
        if (entry.group == CounterGroup::kPackets) {
            AddRow(16, 72, kFirstRowY + kRowStep * packetRow++, CounterLabelImage(entry.viewLabel),
                   91, entry.fieldId);
        } else {
            // The trap types in genericTrap order, each with its event picture.
            const int genericTrap = trapTypeRow++;
            AddRow(156, 66, kFirstRowY + kRowStep * genericTrap, EventImage(genericTrap), 226,
                   entry.fieldId);
        }
    }

    m_counters.Reset();
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
    if (std::find(kCounterFieldIds.begin(), kCounterFieldIds.end(), fieldId) ==
        kCounterFieldIds.end())
        return nullptr;
    return findChild<QLabel*>(QString::number(fieldId), Qt::FindDirectChildrenOnly);
}

void CCountDlg::ShowCounters() {
    const auto counters = std::bit_cast<std::array<uint32_t, kCounterCount>>(m_counters.Snapshot());
    for (std::size_t slot = 0; slot < counters.size(); ++slot) {
        if (counters[slot] == m_shown[slot]) continue;
        m_shown[slot] = counters[slot];
        if (QLabel* field = CounterField(kCounterFieldIds[slot]))
            field->setText(QString::number(counters[slot]));
    }
}

CCountView::CCountView(PacketCounters& counters, QWidget* parent) : QWidget(parent) {
    m_form = new CCountDlg(counters, this);
    m_form->move(10, 30);
    m_form->raise();
    m_form->show();
}

void CCountView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_form->setGeometry(rect());
}
