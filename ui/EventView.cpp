#include "ui/EventView.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>

#include "platform/Encoding.h"
#include "platform/qt/QtText.h"
#include "reception/Receiver.h"
#include "traplog/TrapRowFilter.h"
#include "traplog/TrapRowQueue.h"
#include "ui/TrapListColumns.h"
#include "ui/TrapListCopy.h"
#include "ui/TrapListFinder.h"
#include "ui/TrapListModel.h"

namespace {

constexpr int kHeaderBandHeight = 50;
constexpr int kRowHeight = 22;  // fits the 20-pixel event pictures
constexpr int kLeastRowsShown = 3;

QFont ControlFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"),
                      QStringLiteral("IPAGothic")});
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
    return font;
}

}  // namespace

CEventView::CEventView(const SettingsSource& settings, const MibService& mib, Receiver& receiver,
                       LossCounters& losses, TrapRowQueue& rows, MessageBoxPort& boxes,
                       QWidget* parent)
    : QWidget(parent),
      m_receiver(receiver),
      m_rows(rows),
      m_boxes(boxes),
      m_model(new TrapListModel(settings, mib, losses, this)) {
    CreateControls();
    CreateContextMenu();
    m_start->setEnabled(false);
    m_nStartTick = 0;
    // A child, so that tests can find it and drive the ticks by hand.
    m_startTimer.setParent(this);
    m_startTimer.setObjectName(QStringLiteral("startTimer"));
    m_startTimer.setInterval(1000);
    connect(&m_startTimer, &QTimer::timeout, this, &CEventView::OnTimer);
    m_startTimer.start();
    SetServiceStatus(QStringLiteral("サービス起動中"));
}

void CEventView::CreateControls() {
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("1500"));
    m_list->setModel(m_model);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->setIconSize(QSize(116, 20));
    m_list->verticalHeader()->hide();
    // Fixed row heights keep a list of a hundred thousand rows responsive.
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_list->horizontalHeader()->setSectionsMovable(true);
    m_list->horizontalHeader()->setHighlightSections(false);
    m_columns = new CTrapListColumns(m_list->horizontalHeader());
    m_columns->ApplyInitialArrangement();
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->horizontalHeader()->setTextElideMode(Qt::ElideRight);
    connect(m_list, &QTableView::clicked, this, &CEventView::OnListClick);
    FollowSelection();
    connect(m_list, &QTableView::customContextMenuRequested, this, &CEventView::OnListRightClick);
    m_finder = new CTrapListFinder(
        m_list, m_model, [this] { FollowSelection(); }, this);

    m_headerBand = new QFrame(this);
    m_headerBand->setObjectName(QStringLiteral("1501"));
    m_headerBand->setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_headerBand->setLineWidth(2);

    m_serviceLabel = new QLabel(QStringLiteral("サービス:"), this);
    m_serviceLabel->setObjectName(QStringLiteral("1502"));
    m_serviceLabel->setGeometry(12, 6, 100 - 12, 20 - 6);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("1503"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setFrameStyle(QFrame::Panel | QFrame::Sunken);

    m_start = new QPushButton(QStringLiteral("開始"), this);
    m_start->setObjectName(QStringLiteral("1504"));
    m_stop = new QPushButton(QStringLiteral("停止"), this);
    m_stop->setObjectName(QStringLiteral("1505"));
    connect(m_start, &QPushButton::clicked, this, [this] { m_receiver.Start(); });
    connect(m_stop, &QPushButton::clicked, this, [this] { m_receiver.Stop(); });

    const QFont font = ControlFont();
    for (QWidget* control : {static_cast<QWidget*>(m_headerBand),
                             static_cast<QWidget*>(m_serviceLabel), static_cast<QWidget*>(m_status),
                             static_cast<QWidget*>(m_start), static_cast<QWidget*>(m_stop)})
        control->setFont(font);
    m_headerBand->lower();
    // However the splitter or the frame is resized, the service bar and a few rows stay.
    setMinimumHeight(kHeaderBandHeight + CTrapListFinder::kHeight +
                     m_list->horizontalHeader()->sizeHint().height() +
                     kLeastRowsShown * kRowHeight +
                     m_list->horizontalScrollBar()->sizeHint().height() + 2 * m_list->frameWidth());
}

void CEventView::FollowSelection() {
    // Moving through the list with the keys selects the row it moves to, as a click does.
    // A current row that moved only because rows were removed is not selected: the
    // detail view keeps its trap then.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && m_list->selectionModel()->isRowSelected(current.row()))
                    OnListClick();
            });
}

void CEventView::CreateContextMenu() {
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("177"));
    QAction* deleteSelected = m_contextMenu->addAction(QStringLiteral("選択データ削除"));
    deleteSelected->setObjectName(QStringLiteral("32794"));
    connect(deleteSelected, &QAction::triggered, this, &CEventView::OnDeleteSelected);
    QAction* deleteAll = m_contextMenu->addAction(QStringLiteral("すべてのデータ削除"));
    deleteAll->setObjectName(QStringLiteral("32795"));
    connect(deleteAll, &QAction::triggered, this, &CEventView::OnDeleteAll);
    m_contextMenu->addSeparator();
    QAction* copy = m_contextMenu->addAction(QStringLiteral("コピー"));
    copy->setObjectName(QStringLiteral("copyRows"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_list->addAction(copy);
    connect(copy, &QAction::triggered, this, &CEventView::OnCopySelected);
    m_filterOnValue = m_contextMenu->addAction(QStringLiteral("この値で絞り込み"));
    m_filterOnValue->setObjectName(QStringLiteral("filterOnValue"));
    connect(m_filterOnValue, &QAction::triggered, this, &CEventView::OnFilterOnValue);
}

void CEventView::OnFilterOnValue() {
    if (!m_menuCell.isValid() || m_menuCell.model() != m_list->model()) return;
    const int row = m_finder->SourceRow(m_menuCell.row());
    const int column = m_menuCell.column();
    if (row < 0) return;
    std::string value;
    if (column == 0)
        value = std::to_string(m_model->Row(row).image);
    else if (column == TrapNameColumn::kColumn)
        value = m_model->index(row, column).data().toString().toStdString();
    else
        value = Cp932ToUtf8(m_model->CellText(row, column));
    const std::string expression = FilterExpressionFor(column, value);
    if (!expression.empty()) m_finder->SearchFor(QString::fromStdString(expression));
}

void CEventView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int right = width();
    const int bottom = height();
    m_headerBand->setGeometry(0, 0, right, kHeaderBandHeight);
    m_finder->setGeometry(0, kHeaderBandHeight, right, CTrapListFinder::kHeight);
    const int listTop = kHeaderBandHeight + CTrapListFinder::kHeight;
    m_list->setGeometry(0, listTop, right, std::max(0, bottom - listTop));
    m_stop->setGeometry(right - 90, 20, 80, 22);
    m_start->setGeometry(right - 176, 20, 80, 22);
    m_status->setGeometry(10, 20, std::max(0, right - 192), 22);
}

void CEventView::InsertQueuedRows() {
    // The detail shows names from the index of its time: a new one redraws it too.
    if (m_model->RefreshNames()) emit ShowTrapDetail();
    std::vector<TrapRow> rows = m_rows.TakeQueuedRows();
    if (rows.empty()) return;
    m_model->AppendRows(std::move(rows));
    m_finder->UpdateCount();
    m_list->scrollToBottom();
}

int CEventView::ReadTrapRow(int index, TrapListRow& row) const {
    const int source = m_finder->SourceRow(index);
    if (source < 0) return 1;
    FillTrapListRow([&](int column) { return m_model->CellText(source, column); }, row);
    return 0;
}

std::string CEventView::ReadTrapMessage(int index, std::size_t maxBytes) const {
    const std::string_view text = CellText(index, kMessageColumn);
    return std::string(text.substr(0, Cp932PrefixLength(text, maxBytes)));
}

int CEventView::RowCount() const { return m_model->rowCount(); }

std::string_view CEventView::CellText(int row, int column) const {
    return m_model->CellText(m_finder->SourceRow(row), column);
}

int CEventView::FirstSelectedRow() const {
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty()) return -1;
    int first = selected.front().row();
    for (const QModelIndex& index : selected) first = std::min(first, index.row());
    return first;
}

void CEventView::DeleteAllRows() {
    m_model->RemoveAllRows();
    m_finder->UpdateCount();
}

std::vector<int> CEventView::SelectedSourceRows() const {
    std::vector<int> shown;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        shown.push_back(index.row());
    std::sort(shown.begin(), shown.end());
    std::vector<int> rows;
    for (int row : shown) rows.push_back(m_finder->SourceRow(row));
    return rows;
}

void CEventView::OnCopySelected() {
    const std::vector<int> rows = SelectedSourceRows();
    if (!rows.empty()) QApplication::clipboard()->setText(TrapRowsAsText(*m_model, rows));
}

void CEventView::SetServiceStatus(const QString& text) { m_status->setText(text); }

void CEventView::SetServiceFailure(const QString& text) { m_status->setToolTip(text); }

void CEventView::EnableServiceCommands(bool startEnabled, bool stopEnabled) {
    m_start->setEnabled(startEnabled);
    m_stop->setEnabled(stopEnabled);
}

void CEventView::OnTimer() {
    if (++m_nStartTick < kAutoStartTick) return;
    m_startTimer.stop();
    m_receiver.StartAutomatically();
}

void CEventView::OnListClick() {
    if (FirstSelectedRow() < 0) return;
    emit ShowTrapDetail();
}

void CEventView::OnListRightClick(const QPoint& position) {
    if (FirstSelectedRow() < 0) return;
    m_menuCell = m_list->indexAt(position);
    m_filterOnValue->setEnabled(m_menuCell.isValid());
    m_contextMenu->popup(m_list->viewport()->mapToGlobal(position));
}

void CEventView::OnDeleteSelected() {
    if (!AskOkCancel(m_boxes, "選択されているデータを削除します。よろしいですか？")) return;
    std::vector<int> rows = SelectedSourceRows();
    std::sort(rows.begin(), rows.end(), std::greater<>());
    // Remove runs of neighbouring rows from the bottom up, so the indexes stay valid.
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        while (j < rows.size() && rows[j] == rows[j - 1] - 1) ++j;
        m_model->RemoveRows(rows[j - 1], static_cast<int>(j - i));
        i = j;
    }
    m_finder->UpdateCount();
}

void CEventView::OnDeleteAll() {
    if (!AskOkCancel(m_boxes, "すべてのデータを削除します。よろしいですか？")) return;
    DeleteAllRows();
}
