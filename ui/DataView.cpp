#include "ui/DataView.h"

#include <QHeaderView>
#include <QPainter>
#include <QResizeEvent>
#include <QTextBrowser>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

#include "mib/TrapDetailNames.h"
#include "platform/Encoding.h"
#include "platform/qt/QtText.h"
#include "records/DBLib.h"
#include "traplog/ReadableText.h"
#include "traplog/TrapRowTexts.h"
#include "ui/EventView.h"

namespace {

constexpr int kIconRole = Qt::UserRole + 1;
constexpr std::size_t kCellBuffer = 2048;   // a cell is read as at most 2047 bytes
constexpr std::size_t kValueBuffer = 2047;  // a binding value: at most 2046 bytes

struct DetailRow {
    const char* label;
    int column;  // of the trap list
};

constexpr std::array<DetailRow, 6> kV1Rows = {{
    {"Community", 6},
    {"EnterPrise", 7},
    {"Network Address", 10},
    {"Generic Trap", 8},
    {"Spacific Trap", 9},
    {"Time Ticks", 11},
}};
constexpr std::array<DetailRow, 4> kV2cRows = {{
    {"Community", 6},
    {"Request ID", 29},
    {"Error Status", 30},
    {"Error Index", 31},
}};
constexpr std::array<DetailRow, 15> kV3Rows = {{
    {"ID", 12},
    {"Maximum Size", 13},
    {"Message Flags", 14},
    {"Security Model", 15},
    {"Engine ID", 17},
    {"Engine Boots", 18},
    {"Engine Time", 19},
    {"User Name", 20},
    {"Authentication Parameters", 22},
    {"Privacy Parameters", 24},
    {"Context Engine ID", 26},
    {"Context Name", 28},
    {"Request ID", 29},
    {"Error Status", 30},
    {"Error Index", 31},
}};
constexpr int kAuthParamsColumn = 22;

QIcon DrawIcon(int icon) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    switch (icon) {
    case CDataView::kNodeIcon:  // a monitor
        p.setBrush(QColor(0, 128, 192));
        p.drawRect(1, 2, 13, 9);
        p.drawLine(7, 12, 7, 13);
        p.drawLine(4, 14, 11, 14);
        break;
    case CDataView::kSnmpIcon:  // an envelope
        p.setBrush(QColor(255, 255, 192));
        p.drawRect(1, 3, 13, 10);
        p.drawLine(1, 3, 8, 9);
        p.drawLine(8, 9, 14, 3);
        break;
    case CDataView::kAuthIcon:  // a key
        p.setBrush(QColor(255, 200, 0));
        p.drawEllipse(1, 4, 6, 6);
        p.drawLine(7, 7, 14, 7);
        p.drawLine(12, 7, 12, 10);
        p.drawLine(14, 7, 14, 10);
        break;
    default:  // a list
        p.setBrush(QColor(0, 160, 0));
        for (int y = 2; y <= 12; y += 5) {
            p.drawRect(1, y, 2, 2);
            p.drawLine(5, y + 1, 14, y + 1);
        }
        break;
    }
    return QIcon(pixmap);
}

// Text of a trap list cell as the detail view reads it: at most 2047 bytes.
std::string Cell(const CEventView& list, int row, int column) {
    const std::string_view text = list.CellText(row, column);
    return std::string(text.substr(0, Cp932PrefixLength(text, kCellBuffer - 1)));
}

std::string GetField(int index, std::string_view line, std::size_t buffer) {
    std::string out(buffer, '\0');
    // What fits the buffer is shown, as the cell it came from was cut to it.
    static_cast<void>(DBLib::GetField(index, line, std::span<char>(out.data(), out.size())));
    out.resize(out.find('\0'));
    return out;
}

}  // namespace

CDataView::CDataView(const CEventView& list, const MibService& mib, QWidget* parent)
    : QWidget(parent),
      m_trapList(list),
      m_mib(mib),
      m_icons{DrawIcon(0), DrawIcon(1), DrawIcon(2), DrawIcon(3)} {
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("1600"));
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels(
        {QStringLiteral("Description"), QStringLiteral("Value"), QStringLiteral("名前")});
    m_list->headerItem()->setTextAlignment(0, Qt::AlignCenter);
    m_list->header()->setSectionsMovable(true);
    // Every column can be widened by hand; a value wider than its column shows in its
    // tooltip, a name in its own.
    m_list->header()->setSectionResizeMode(QHeaderView::Interactive);
    m_list->header()->setStretchLastSection(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setIconSize(QSize(16, 16));
    // Wide enough for the longest label with its icon, and not wider.
    AddRow(QStringLiteral("Authentication Parameters"), {}, kAuthIcon);
    m_list->resizeColumnToContents(0);
    m_labelWidth = std::max(130, m_list->columnWidth(0));
    m_list->setColumnWidth(0, m_labelWidth);
    m_list->viewport()->installEventFilter(this);
    m_list->clear();
    m_description = new QTextBrowser(this);
    m_description->setObjectName(QStringLiteral("mibDescription"));
    m_description->hide();
}

void CDataView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOut();
}

bool CDataView::eventFilter(QObject* watched, QEvent* event) {
    // A new width of the list (the pane, or its scroll bar coming or going) shares the room
    // anew; a new height alone keeps what the user set by hand.
    if (watched == m_list->viewport() && event->type() == QEvent::Resize) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        if (resize->size().width() != resize->oldSize().width()) FitColumns();
    }
    return QWidget::eventFilter(watched, event);
}

void CDataView::FitColumns() {
    // The name shows whole beside the value where it can: the labels give up width for it
    // down to their least, the value keeps up to half of what the labels leave, and the
    // name takes the width its content needs of the rest. A value wider than its column
    // is in its tooltip; a name column wider than its content fills the pane.
    constexpr int kLeastLabelWidth = 100;
    constexpr int kLeastValueWidth = 60;
    constexpr int kLeastNameWidth = 120;
    const QAbstractItemView& view = *m_list;
    const QHeaderView& header = *m_list->header();
    const auto content = [&](int column) {
        return std::max(view.sizeHintForColumn(column), header.sectionSizeHint(column));
    };
    const int width = m_list->viewport()->width();
    const int nameContent = content(2);
    const int valueContent = content(1);
    const int labels =
        std::clamp(width - kLeastValueWidth - nameContent, kLeastLabelWidth, m_labelWidth);
    const int room = width - labels;
    const int valueShare =
        std::clamp(valueContent, kLeastValueWidth, std::max(kLeastValueWidth, room / 2));
    const int name = std::min(nameContent, std::max(kLeastNameWidth, room - valueShare));
    const int value =
        std::clamp(valueContent, kLeastValueWidth, std::max(kLeastValueWidth, room - name));
    m_list->setColumnWidth(0, labels);
    m_list->setColumnWidth(1, value);
    m_list->setColumnWidth(2, std::max(name, room - value));
}

void CDataView::LayOut() {
    // The description takes a third of the pane below the list, when there is one.
    const int below = m_description->isVisibleTo(this) ? height() / 3 : 0;
    m_list->setGeometry(0, 0, width(), height() - below);
    m_description->setGeometry(0, height() - below, width(), below);
}

void CDataView::AddRow(const QString& label, const QString& value, int icon, const QString& name) {
    auto* item = new QTreeWidgetItem(m_list, {label, value, name});
    item->setTextAlignment(0, Qt::AlignCenter);
    item->setForeground(0, QColor(128, 128, 128));
    item->setForeground(1, QColor(0, 0, 0));
    item->setData(0, kIconRole, icon);
    // Rich text with the value escaped: trap data is never markup, and a long value wraps.
    if (!value.isEmpty())
        item->setToolTip(
            1, QStringLiteral("<p style='white-space:pre-wrap'>%1</p>").arg(value.toHtmlEscaped()));
    if (!name.isEmpty()) item->setToolTip(2, name);
    if (icon >= 0) item->setIcon(0, m_icons[static_cast<std::size_t>(icon)]);
}

int CDataView::RowIcon(int row) const {
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    return item ? item->data(0, kIconRole).toInt() : kNoIcon;
}

void CDataView::DeleteAllRows() {
    m_list->clear();
    m_description->hide();
    LayOut();
}

void CDataView::ShowSelectedTrap() {
    const CEventView& list = m_trapList;
    const int row = list.FirstSelectedRow();
    m_list->clear();
    m_description->hide();
    LayOut();
    if (row < 0) return;
    auto cell = [&](int column) { return FromCp932(Cell(list, row, column)); };

    AddRow(QStringLiteral("Node Infomation"), {}, kNodeIcon);
    AddRow(QStringLiteral("RecvTime"), cell(1));
    AddRow(QStringLiteral("Source Address"), cell(2));
    AddRow(QStringLiteral("Host Name"), cell(3));
    AddRow({}, {});
    AddRow(QStringLiteral("Snmp Infomation"), {}, kSnmpIcon);
    AddRow(QStringLiteral("Version"), cell(4));
    // Only an inform has this row; a trap's rows stay as they were.
    if (const QString pdu = cell(kPduColumn); !pdu.isEmpty()) AddRow(QStringLiteral("PDU"), pdu);

    auto addRows = [&](const auto& rows) {
        for (const DetailRow& detail : rows)
            AddRow(QString::fromLatin1(detail.label), cell(detail.column),
                   detail.column == kAuthParamsColumn ? kAuthIcon : kNoIcon);
    };
    switch (std::atoi(Cell(list, row, 4).c_str())) {
    case 1: addRows(kV1Rows); break;
    case 2: addRows(kV2cRows); break;
    case 3: addRows(kV3Rows); break;
    default: break;
    }

    AddRow({}, {});
    AddRow(QStringLiteral("VariableBindings"), {}, kBindingsIcon);
    const std::string bindings = Cell(list, row, 32);
    const TrapDetailNames names(m_mib);
    int field = 0;
    for (std::string name = GetField(field, bindings, kCellBuffer); !name.empty();
         name = GetField(field, bindings, kCellBuffer)) {
        const std::string value = GetField(field + 1, bindings, kValueBuffer);
        AddRow(QStringLiteral("Object"), FromCp932(name), kNoIcon,
               QString::fromStdString(names.ObjectName(name)));
        // The value's label from its module; else octets that are text, shown beside their hex.
        std::string label = names.ValueLabel(name, value);
        if (label.empty()) label = ReadableText(value);
        AddRow(QStringLiteral(" Value"), QStringLiteral(" ") + FromCp932(value), kNoIcon,
               QString::fromStdString(label));
        field += 2;
    }
    FitColumns();
    const std::string about =
        names.Notification([&](int column) { return list.CellText(row, column); });
    if (!about.empty()) {
        m_description->setPlainText(QString::fromStdString(about));
        m_description->show();
        LayOut();
    }
}
