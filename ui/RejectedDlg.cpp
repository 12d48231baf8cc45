#include "ui/RejectedDlg.h"

#include <QAction>
#include <QClipboard>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/QtText.h"
#include "ui/AnswerCountsText.h"
#include "ui/MainFrame.h"
#include "ui/RejectedListModel.h"

namespace {

constexpr int kCountColumns = 4;
constexpr int kRowHeight = 20;

}  // namespace

CRejectedDlg::CRejectedDlg(RejectedMessages& rejected, const AnswerCounts& answers,
                           MessageBoxPort& boxes, QWidget* parent)
    : QDialog(parent),
      m_rejected(rejected),
      m_answerCounts(answers),
      m_boxes(boxes),
      m_model(new RejectedListModel(this)) {
    setObjectName(QString::number(kResourceId));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("受信拒否メッセージ"));
    setSizeGripEnabled(true);

    auto* counts = new QGroupBox(QStringLiteral("起動時からの件数"), this);
    auto* grid = new QGridLayout(counts);
    for (int i = 0; i < kRejectReasonCount; ++i) {
        m_counts[static_cast<std::size_t>(i)] = WithId(new QLabel(counts), kFirstCount + i);
        m_counts[static_cast<std::size_t>(i)]->setToolTip(RejectReasonCounterTip(RejectReason(i)));
        grid->addWidget(m_counts[static_cast<std::size_t>(i)], i / kCountColumns,
                        i % kCountColumns);
    }
    m_answers = WithId(new QLabel(counts), kAnswerCounts);
    m_answers->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(m_answers, (kRejectReasonCount + kCountColumns - 1) / kCountColumns, 0, 1,
                    kCountColumns);

    m_list = WithId(new QTableView(this), kList);
    m_list->setModel(m_model);
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_list->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_list->horizontalHeader()->setSectionsMovable(true);
    m_list->horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < RejectedListModel::kColumnCount; ++column)
        m_list->setColumnWidth(column, RejectedListModel::kColumnWidths[column]);
    auto* copy = new QAction(QStringLiteral("オクテットをコピー(&C)"), m_list);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &CRejectedDlg::CopyOctets);
    m_list->addAction(copy);
    m_list->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* note = new QLabel(
        QStringLiteral("最新 %1 件。クリアしても件数は残ります。").arg(RejectedMessages::kCapacity),
        this);
    m_clear = WithId(new QPushButton(QStringLiteral("一覧クリア(&C)"), this), kClearButton);
    m_clear->setAutoDefault(false);
    connect(m_clear, &QPushButton::clicked, this, &CRejectedDlg::OnClear);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(note, 1);
    bottom->addWidget(m_clear);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(counts);
    layout->addWidget(m_list, 1);
    layout->addLayout(bottom);

    m_timer.setParent(this);
    m_timer.setObjectName(QStringLiteral("tickTimer"));
    // At the rate the trap list takes its rows.
    m_timer.setInterval(CMainFrame::kRefreshIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CRejectedDlg::OnTick);
    resize(1240, 480);
    ShowCounts();
    OnTick();
}

void CRejectedDlg::OnTick() {
    m_answers->setText(AnswerCountsText(m_answerCounts.Snapshot()));
    const uint64_t last = m_rejected.LastSequence();
    if (last == m_nSeen) return;
    m_taken.clear();
    m_rejected.CopySince(m_nSeen, m_taken);
    m_nSeen = m_taken.empty() ? last : m_taken.back().sequence;
    m_model->AddNewest(m_taken);
    ShowCounts();
}

void CRejectedDlg::OnClear() {
    if (!AskOkCancel(m_boxes, "一覧をクリアします。よろしいですか？")) return;
    m_rejected.Clear();
    m_model->RemoveAllRows();
}

QString CRejectedDlg::SelectedOctets() const {
    QModelIndexList rows = m_list->selectionModel()->selectedRows();
    // In the order the list shows them, not the order they were picked in.
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const QModelIndex& row : rows)
        lines << m_model->CellText(row.row(), RejectedListModel::kOctetsColumn);
    return lines.join(QLatin1Char('\n'));
}

void CRejectedDlg::CopyOctets() {
    const QString octets = SelectedOctets();
    if (!octets.isEmpty()) QGuiApplication::clipboard()->setText(octets);
}

void CRejectedDlg::ShowCounts() {
    const std::array<uint64_t, kRejectReasonCount> counts = m_rejected.Counts();
    for (std::size_t i = 0; i < counts.size(); ++i)
        m_counts[i]->setText(
            QStringLiteral("%1: %2").arg(RejectReasonName(RejectReason(i))).arg(counts[i]));
}

void CRejectedDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    OnTick();
    m_timer.start();
}

void CRejectedDlg::hideEvent(QHideEvent* event) {
    m_timer.stop();
    QDialog::hideEvent(event);
}
