#include "alarms/dialogs/AlarmWindow.h"

#include <QComboBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QThreadPool>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "alarms/AlarmStore.h"
#include "alarms/dialogs/AlarmListModel.h"
#include "alarms/dialogs/AlarmNoteDlg.h"
#include "alarms/dialogs/AlarmPane.h"
#include "platform/qt/QtText.h"

// The detail's history travels from the reading thread to the window through this: the
// thread fills it, the window's tick takes it. The window may close first.
struct CAlarmWindow::HistoryRead {
    std::mutex lock;
    bool done = false;
    std::vector<AlarmHistoryRow> rows;
};

namespace {

QTableWidget* NewTable(QWidget* parent, const QStringList& headers, const char* name) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(QString::fromLatin1(name));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

QPushButton* NewButton(QWidget* parent, const char* text, const char* name) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

int64_t NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), text.size()); }

// The history's event names as the detail shows them.
QString EventLabel(const std::string& event) {
    static const std::pair<const char*, const char*> kLabels[] = {
        {"trap", "トラップ"},
        {"raised", "発生"},
        {"severity", "重要度変更"},
        {"cleared", "解除 (トラップ)"},
        {"cleared-silence", "解除 (無通知)"},
        {"cleared-by-hand", "手動解除"},
        {"acknowledged", "確認"},
        {"unacknowledged", "確認取消"},
        {"removed", "削除"}};
    for (const auto& [name, label] : kLabels)
        if (event == name) return QString::fromUtf8(label);
    return Utf8(event);
}

QString SeverityLabelNamed(const std::string& name) {
    if (const auto severity = SeverityNamed(name)) {
        const std::string_view label = SeverityInfo(*severity).label;
        return QString::fromUtf8(label.data(), label.size());
    }
    return Utf8(name);
}

}  // namespace

CAlarmWindow::CAlarmWindow(AlarmEngine& engine, std::string historyPath, QWidget* parent)
    : QDialog(parent), m_engine(engine), m_historyPath(std::move(historyPath)) {
    setObjectName(QStringLiteral("alarmWindow"));
    setWindowTitle(QStringLiteral("アラーム"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(1100, 640);

    m_model = new AlarmListModel(this);
    m_proxy = new AlarmFilterProxy(this);
    m_proxy->setSourceModel(m_model);
    m_list = new QTableView(this);
    m_list->setObjectName(QStringLiteral("alarmList"));
    m_list->setModel(m_proxy);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(static_cast<int>(AlarmColumn::kSeverity), Qt::DescendingOrder);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    m_list->verticalHeader()->hide();
    m_list->verticalHeader()->setDefaultSectionSize(m_list->fontMetrics().height() + 6);
    m_list->horizontalHeader()->setStretchLastSection(true);
    const int widths[kAlarmColumnCount] = {60, 60, 110, 150, 140, 60, 140, 140, 280, 140};
    for (int column = 0; column < kAlarmColumnCount; ++column)
        m_list->setColumnWidth(column, widths[column]);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("alarmSearch"));
    m_search->setPlaceholderText(QStringLiteral("検索"));
    m_search->setClearButtonEnabled(true);
    m_severity = new QComboBox(this);
    m_severity->setObjectName(QStringLiteral("alarmSeverityFilter"));
    m_severity->addItems({QStringLiteral("すべての重要度"), QStringLiteral("重大"),
                          QStringLiteral("重要以上"), QStringLiteral("軽微以上"),
                          QStringLiteral("警告以上"), QStringLiteral("不明以上")});
    m_state = new QComboBox(this);
    m_state->setObjectName(QStringLiteral("alarmStateFilter"));
    m_state->addItems({QStringLiteral("すべての状態"), QStringLiteral("未解除"),
                       QStringLiteral("発生"), QStringLiteral("確認済"), QStringLiteral("解除")});
    connect(m_search, &QLineEdit::textChanged, this, &CAlarmWindow::ApplyFilters);
    connect(m_severity, &QComboBox::currentIndexChanged, this, &CAlarmWindow::ApplyFilters);
    connect(m_state, &QComboBox::currentIndexChanged, this, &CAlarmWindow::ApplyFilters);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("alarmSummary"));

    auto* filters = new QHBoxLayout;
    filters->addWidget(m_search, 1);
    filters->addWidget(m_severity);
    filters->addWidget(m_state);
    filters->addWidget(m_summary);

    auto* ack = NewButton(this, "確認…", "alarmAck");
    auto* unack = NewButton(this, "確認取消…", "alarmUnack");
    auto* clear = NewButton(this, "手動解除…", "alarmClear");
    auto* removeCleared = NewButton(this, "解除済みを削除", "alarmRemoveCleared");
    auto* mute = NewButton(this, "ミュート…", "alarmMute");
    auto* close = NewButton(this, "閉じる", "alarmClose");
    connect(ack, &QPushButton::clicked, this, &CAlarmWindow::OnAcknowledge);
    connect(unack, &QPushButton::clicked, this, &CAlarmWindow::OnUnacknowledge);
    connect(clear, &QPushButton::clicked, this, &CAlarmWindow::OnClearByHand);
    connect(removeCleared, &QPushButton::clicked, this, &CAlarmWindow::OnRemoveCleared);
    connect(mute, &QPushButton::clicked, this, &CAlarmWindow::OnMute);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {ack, unack, clear, removeCleared, mute}) buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(close);

    // Below the list: the selected alarm's detail and history beside the mutes.
    auto* detail = new QWidget(this);
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    m_facts = new QLabel(detail);
    m_facts->setObjectName(QStringLiteral("alarmFacts"));
    m_facts->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_facts->setWordWrap(true);
    m_history = NewTable(detail,
                         {QStringLiteral("日時"), QStringLiteral("出来事"),
                          QStringLiteral("重要度"), QStringLiteral("回数")},
                         "alarmHistory");
    m_history->setColumnWidth(0, 150);
    m_history->setColumnWidth(1, 120);
    detailLayout->addWidget(m_facts);
    detailLayout->addWidget(m_history, 1);

    auto* muted = new QWidget(this);
    auto* mutedLayout = new QVBoxLayout(muted);
    mutedLayout->setContentsMargins(0, 0, 0, 0);
    m_mutes = NewTable(muted,
                       {QStringLiteral("ミュート対象"), QStringLiteral("終了日時"),
                        QStringLiteral("ミュート中のトラップ")},
                       "alarmMutes");
    m_mutes->setColumnWidth(0, 160);
    m_mutes->setColumnWidth(1, 130);
    m_unmute = NewButton(muted, "ミュート解除", "alarmUnmute");
    connect(m_unmute, &QPushButton::clicked, this, &CAlarmWindow::OnUnmute);
    mutedLayout->addWidget(new QLabel(QStringLiteral("ミュート中"), muted));
    mutedLayout->addWidget(m_mutes, 1);
    mutedLayout->addWidget(m_unmute, 0, Qt::AlignRight);

    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(detail);
    lower->addWidget(muted);
    lower->setStretchFactor(0, 3);
    lower->setStretchFactor(1, 2);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_list);
    split->addWidget(lower);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(m_list, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        ShowDetail(index.data(kAlarmIdRole).toLongLong());
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) ShowDetail(current.data(kAlarmIdRole).toLongLong());
            });

    m_tick.setParent(this);
    m_tick.setInterval(kTickMs);
    connect(&m_tick, &QTimer::timeout, this, &CAlarmWindow::Tick);
    m_tick.start();
    Tick();
}

CAlarmWindow::~CAlarmWindow() = default;

CAlarmWindow* CAlarmWindow::Open(AlarmEngine& engine, std::string historyPath, QWidget* parent) {
    auto* window = parent->findChild<CAlarmWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new CAlarmWindow(engine, std::move(historyPath), parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void CAlarmWindow::Tick() {
    const AlarmSnapshot snapshot = m_engine.Snapshot();
    static_cast<void>(m_model->Update(snapshot));
    const AlarmCounts counts = CountOpenAlarms(snapshot);
    const QString summary =
        QStringLiteral("表示 %1 / %2 件 | ").arg(m_proxy->rowCount()).arg(m_model->rowCount()) +
        AlarmCountsText(counts);
    if (summary != m_summary->text()) m_summary->setText(summary);
    ShowMutes();
    if (m_detailId != 0) ShowFacts();
    TakeHistory();
}

void CAlarmWindow::ApplyFilters() {
    static constexpr AlarmSeverity kLeast[] = {
        AlarmSeverity::kCleared, AlarmSeverity::kCritical, AlarmSeverity::kMajor,
        AlarmSeverity::kMinor,   AlarmSeverity::kWarning,  AlarmSeverity::kIndeterminate};
    m_proxy->SetSearch(m_search->text().trimmed());
    m_proxy->SetLeastSeverity(kLeast[std::clamp(m_severity->currentIndex(), 0, 5)]);
    m_proxy->SetState(
        static_cast<AlarmFilterProxy::StateFilter>(std::clamp(m_state->currentIndex(), 0, 4)));
}

std::vector<int64_t> CAlarmWindow::SelectedIds() const {
    std::vector<int64_t> ids;
    for (const QModelIndex& index : m_list->selectionModel()->selectedRows())
        ids.push_back(index.data(kAlarmIdRole).toLongLong());
    if (ids.empty() && m_list->currentIndex().isValid())
        ids.push_back(m_list->currentIndex().data(kAlarmIdRole).toLongLong());
    return ids;
}

bool CAlarmWindow::AskNote(const QString& title, const QString& what, std::string& note) {
    CAlarmNoteDlg dialog(title, what, this);
    if (RunModal(dialog) != QDialog::Accepted) return false;
    note = dialog.Note();
    return true;
}

void CAlarmWindow::OnAcknowledge() {
    const std::vector<int64_t> ids = SelectedIds();
    std::string note;
    if (ids.empty() ||
        !AskNote(QStringLiteral("アラームの確認"),
                 QStringLiteral("選択した %1 件のアラームを確認済みにします。").arg(ids.size()),
                 note))
        return;
    const std::string user = AlarmUserName();
    for (int64_t id : ids) static_cast<void>(m_engine.Acknowledge(id, user, note));
    Tick();
}

void CAlarmWindow::OnUnacknowledge() {
    const std::vector<int64_t> ids = SelectedIds();
    std::string note;
    if (ids.empty() ||
        !AskNote(QStringLiteral("アラームの確認取消"),
                 QStringLiteral("選択した %1 件のアラームの確認を取り消します。").arg(ids.size()),
                 note))
        return;
    const std::string user = AlarmUserName();
    for (int64_t id : ids) static_cast<void>(m_engine.Unacknowledge(id, user, note));
    Tick();
}

void CAlarmWindow::OnClearByHand() {
    const std::vector<int64_t> ids = SelectedIds();
    std::string note;
    if (ids.empty() ||
        !AskNote(QStringLiteral("アラームの手動解除"),
                 QStringLiteral("選択した %1 件のアラームを解除します。").arg(ids.size()), note))
        return;
    const std::string user = AlarmUserName();
    for (int64_t id : ids) static_cast<void>(m_engine.ClearByHand(id, user, note));
    Tick();
}

void CAlarmWindow::OnRemoveCleared() {
    static_cast<void>(m_engine.RemoveCleared(AlarmUserName()));
    Tick();
}

void CAlarmWindow::OnMute() {
    const std::vector<int64_t> ids = SelectedIds();
    if (ids.empty()) return;
    const std::optional<int> row = m_model->RowOf(ids.front());
    if (!row) return;
    const AlarmFacts facts = *m_model->At(*row).facts;
    CAlarmMuteDlg dialog(AlarmSenderText(facts.sender), Utf8(facts.ruleName), this);
    if (RunModal(dialog) != QDialog::Accepted) return;
    const int64_t until = dialog.UntilMs(NowMs());
    if (dialog.BySender())
        m_engine.MuteSender(facts.sender, until);
    else
        m_engine.MuteRule(facts.ruleName, until);
    Tick();
}

void CAlarmWindow::OnUnmute() {
    const int row = m_mutes->currentRow();
    if (row < 0 || row >= static_cast<int>(m_shownMutes.size())) return;
    const AlarmMute& mute = m_shownMutes[static_cast<std::size_t>(row)];
    if (mute.bySender)
        m_engine.MuteSender(mute.sender, 0);
    else
        m_engine.MuteRule(mute.ruleName, 0);
    Tick();
}

void CAlarmWindow::ShowMutes() {
    std::vector<AlarmMute> mutes = m_engine.Mutes();
    const int64_t now = NowMs();
    std::erase_if(mutes, [now](const AlarmMute& mute) { return mute.untilMs <= now; });
    const bool same = mutes.size() == m_shownMutes.size() &&
                      std::equal(mutes.begin(), mutes.end(), m_shownMutes.begin(),
                                 [](const AlarmMute& a, const AlarmMute& b) {
                                     return a.bySender == b.bySender && a.sender == b.sender &&
                                            a.ruleName == b.ruleName && a.untilMs == b.untilMs &&
                                            a.traps == b.traps;
                                 });
    if (same) return;
    const int current = m_mutes->currentRow();
    m_shownMutes = std::move(mutes);
    m_mutes->setRowCount(static_cast<int>(m_shownMutes.size()));
    for (int row = 0; row < static_cast<int>(m_shownMutes.size()); ++row) {
        const AlarmMute& mute = m_shownMutes[static_cast<std::size_t>(row)];
        const QString what = mute.bySender
                                 ? QStringLiteral("送信元 %1").arg(AlarmSenderText(mute.sender))
                                 : QStringLiteral("規則 %1").arg(Utf8(mute.ruleName));
        const QString cells[] = {what, AlarmTimeText(mute.untilMs), QString::number(mute.traps)};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(cells[column]);
            if (column == 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_mutes->setItem(row, column, item);
        }
    }
    if (current >= 0 && current < m_mutes->rowCount()) m_mutes->selectRow(current);
    m_unmute->setEnabled(!m_shownMutes.empty());
}

void CAlarmWindow::ShowDetail(int64_t id) {
    if (id == 0) return;
    m_detailId = id;
    ShowFacts();
    m_history->setRowCount(0);
    if (m_historyPath.empty()) return;
    // The history may be long and the writer busy: it is read on a pool thread, and the
    // tick shows it when it has come.
    auto read = std::make_shared<HistoryRead>();
    m_read = read;
    QThreadPool::globalInstance()->start([read, path = m_historyPath, id] {
        std::vector<AlarmHistoryRow> rows = ReadAlarmHistory(path, id, kHistoryRows);
        const std::lock_guard hold(read->lock);
        read->rows = std::move(rows);
        read->done = true;
    });
    QTimer::singleShot(20, this, &CAlarmWindow::TakeHistory);
}

bool CAlarmWindow::ReadingHistory() const {
    if (!m_read) return false;
    const std::lock_guard hold(m_read->lock);
    return !m_read->done;
}

void CAlarmWindow::TakeHistory() {
    if (!m_read) return;
    std::vector<AlarmHistoryRow> rows;
    {
        const std::lock_guard hold(m_read->lock);
        if (!m_read->done) {
            QTimer::singleShot(20, this, &CAlarmWindow::TakeHistory);
            return;
        }
        rows = std::move(m_read->rows);
    }
    m_read.reset();
    m_history->setUpdatesEnabled(false);
    m_history->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const AlarmHistoryRow& entry = rows[static_cast<std::size_t>(row)];
        const QString cells[] = {AlarmTimeText(entry.ms), EventLabel(entry.event),
                                 SeverityLabelNamed(entry.severity), QString::number(entry.count)};
        for (int column = 0; column < 4; ++column)
            m_history->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    m_history->setUpdatesEnabled(true);
}

void CAlarmWindow::ShowFacts() {
    const std::optional<int> row = m_model->RowOf(m_detailId);
    if (!row) {
        m_facts->setText(QStringLiteral("(このアラームは表示から外れました)"));
        return;
    }
    const AlarmView& view = m_model->At(*row);
    const AlarmFacts& facts = *view.facts;
    const std::string_view severity = SeverityInfo(facts.severity).label;
    QString text = QStringLiteral("#%1  %2  %3  送信元 %4  トラップ %5 (%6)")
                       .arg(facts.id)
                       .arg(QString::fromUtf8(severity.data(), severity.size()),
                            AlarmStateLabel(facts.state), AlarmSenderText(facts.sender),
                            Utf8(facts.trapName.empty() ? facts.trapOid : facts.trapName),
                            Utf8(facts.trapOid));
    if (!facts.instance.empty())
        text += QStringLiteral("\nインスタンス %1")
                    .arg(Utf8(facts.instanceNames.empty() ? facts.instance : facts.instanceNames));
    text += QStringLiteral("\n規則 %1  回数 %2  最初 %3  最後 %4")
                .arg(facts.ruleName.empty() ? QStringLiteral("(なし)") : Utf8(facts.ruleName))
                .arg(view.count)
                .arg(AlarmTimeText(facts.firstMs), AlarmTimeText(view.lastMs));
    if (facts.clearedMs > 0)
        text += QStringLiteral("  解除 %1").arg(AlarmTimeText(facts.clearedMs));
    if (!facts.ackUser.empty())
        text += QStringLiteral("\n確認 %1 (%2) %3")
                    .arg(Utf8(facts.ackUser), AlarmTimeText(facts.ackMs), Utf8(facts.ackNote));
    text += QStringLiteral("\n") + Utf8(facts.message);
    if (text != m_facts->text()) m_facts->setText(text);
}
