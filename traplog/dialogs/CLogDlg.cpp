#include "traplog/dialogs/CLogDlg.h"

#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QResizeEvent>
#include <QStyle>
#include <algorithm>
#include <array>

#include "platform/Encoding.h"
#include "platform/qt/EventImages.h"
#include "platform/qt/QtText.h"
#include "platform/qt/ReportListCtrl.h"
#include "traplog/TrapLog.h"

namespace {

constexpr int kMargin = 14;       // list and count line from the left and right edges
constexpr int kBottomSpace = 30;  // below the list
constexpr int kCountLineGap = 4;  // between the list and the count line
constexpr int kCountLineHeight = 20;
constexpr std::size_t kKeyLimit = 127;  // bytes of a search key
constexpr std::size_t kDayLength = 10;  // "yyyy/mm/dd"
constexpr int kProgressWidth = 160;
constexpr int kProgressSteps = 1000;
// Lines read between two steps shown: enough that a large log is not shown row by row,
// few enough that the first rows appear at once.
constexpr int kLinesPerStep = 20000;

// Event names of the title line, by generic trap number.
constexpr std::array<const char*, 8> kEventNames = {
    "Cold Start",   "Warm Start",        "Link Down",           "Link Up",
    "Auth Failure", "Egp Neighbor Loss", "Enterprise Specific", "Other"};

}  // namespace

CLogDlg::CLogDlg(TrapLog& log, MessageBoxPort& boxes, QWidget* parent)
    : QDialog(parent), m_log(log), m_boxes(boxes) {
    WithId(this, 165);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Olix Trap Receiver: Log"));
    setSizeGripEnabled(true);

    m_menuBar = new QMenuBar(this);
    QMenu* file = m_menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    file->addAction(QStringLiteral("終了(&E)"), this, &QWidget::close);
    QMenu* view = m_menuBar->addMenu(QStringLiteral("表示(&D)"));
    view->addAction(QStringLiteral("選択 日付のデータ(&D)"), this, &CLogDlg::OnSearchDate);
    view->addAction(QStringLiteral("選択 アドレスのデータ(&I)"), this, &CLogDlg::OnSearchAddress);
    view->addAction(QStringLiteral("選択 ホストのデータ(&H)"), this, &CLogDlg::OnSearchHost);
    view->addAction(QStringLiteral("選択 バージョンのデータ(&H)"), this, &CLogDlg::OnSearchVersion);
    view->addAction(QStringLiteral("選択 イベントのデータ(&D)"), this, &CLogDlg::OnSearchEvent);
    view->addSeparator();
    view->addAction(QStringLiteral("すべてのデータ(&A)"), this, &CLogDlg::OnShowAll);
    QMenu* remove = m_menuBar->addMenu(QStringLiteral("削除(&D)"));
    remove->addAction(QStringLiteral("選択データ削除(&S)"), this, &CLogDlg::OnDeleteSelected);
    remove->addSeparator();
    remove->addAction(QStringLiteral("すべてのデータ削除(&A)"), this, &CLogDlg::OnDeleteAll);

    m_titleLine = WithId(new QLabel(QStringLiteral("すべてのデータ"), this), kTitleLine);
    m_list = WithId(new CReportListCtrl({{QStringLiteral("Event"), 120},
                                         {QStringLiteral("Date"), 120},
                                         {QStringLiteral("IP Address"), 100},
                                         {QStringLiteral("Host Name"), 100},
                                         {QStringLiteral("Version"), 60},
                                         {QStringLiteral("Message"), 300}},
                                        true, this),
                    kList);
    m_list->SetImages([](int image) { return EventImage(image); },
                      QSize(kEventImageWidth, kEventImageHeight));
    m_countLine = WithId(new QLabel(this), kCountLine);
    m_progress = WithId(new QProgressBar(this), kProgress);
    m_progress->setRange(0, kProgressSteps);
    m_progress->setTextVisible(false);
    m_progress->hide();
    connect(m_list, &QTableWidget::itemSelectionChanged, this, &CLogDlg::UpdateCountLine);

    resize(860, 480);
    Load(LogSearchAll, {});
    LayOut();
}

CLogDlg::~CLogDlg() { StopLoading(); }

void CLogDlg::Load(int searchField, const std::string& key) {
    StopLoading();
    m_list->RemoveAllRows();
    m_nLoaded = 0;
    m_loaded = false;
    m_progress->setValue(0);
    m_progress->show();
    UpdateCountLine();
    const unsigned load = ++m_load;
    const int columns = m_list->columnCount();
    m_reader = std::jthread([this, load, columns, searchField, key](std::stop_token stop) {
        LogRead read(m_log, searchField, key);
        for (bool more = true; more && !stop.stop_requested();) {
            auto rows = std::make_shared<GatheredRows>(columns);
            more = read.Next(*rows, kLinesPerStep);
            QMetaObject::invokeMethod(
                this,
                [this, load, rows, added = read.Added(), done = read.BytesRead(),
                 total = read.BytesTotal(),
                 more] { TakeRows(load, rows, added, done, total, !more); },
                Qt::QueuedConnection);
        }
    });
}

void CLogDlg::StopLoading() {
    if (m_reader.joinable()) {
        m_reader.request_stop();
        m_reader.join();
    }
    ++m_load;
    m_loaded = true;
    m_progress->hide();
}

void CLogDlg::TakeRows(unsigned load, const std::shared_ptr<GatheredRows>& rows, int added,
                       uint64_t done, uint64_t total, bool finished) {
    if (load != m_load) return;
    m_list->InsertAtTop(*rows);
    m_nLoaded = added;
    m_progress->setValue(total == 0 ? kProgressSteps
                                    : static_cast<int>(done * kProgressSteps / total));
    if (finished) {
        m_loaded = true;
        m_progress->hide();
    }
    UpdateCountLine();
}

void CLogDlg::UpdateCountLine() {
    m_countLine->setText(QString::asprintf("%2d / %2d", m_list->FirstSelectedRow() + 1, m_nLoaded));
}

void CLogDlg::OnShowAll() {
    m_titleLine->setText(QStringLiteral("すべてのデータ"));
    Load(LogSearchAll, {});
}

void CLogDlg::SearchByColumn(int column, int searchField, const char* titlePrefix) {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) return ShowStopMessage(m_boxes, "表示する項目を選択してください。");
    std::string key = m_list->CellText(row, column);
    key.resize(Cp932PrefixLength(key, kKeyLimit));
    const std::string shown = searchField == LogSearchDate ? key.substr(0, kDayLength) : key;
    m_titleLine->setText(QString::fromUtf8(titlePrefix) + FromCp932(shown));
    Load(searchField, key);
}

void CLogDlg::OnSearchDate() { SearchByColumn(kDateColumn, LogSearchDate, "日付 = "); }
void CLogDlg::OnSearchAddress() {
    SearchByColumn(kAddressColumn, LogSearchAddress, "IP Address = ");
}
void CLogDlg::OnSearchHost() { SearchByColumn(kHostColumn, LogSearchHost, "Host Name = "); }
void CLogDlg::OnSearchVersion() { SearchByColumn(kVersionColumn, LogSearchVersion, "Version = "); }

void CLogDlg::OnSearchEvent() {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) return ShowStopMessage(m_boxes, "表示する項目を選択してください。");
    const int event = m_list->RowImage(row);
    const bool named = event >= 0 && event < static_cast<int>(kEventNames.size());
    m_titleLine->setText(QStringLiteral("Event = ") +
                         (named ? QString::fromUtf8(kEventNames[event]) : QString::number(event)));
    Load(LogSearchEvent, std::to_string(event));
}

void CLogDlg::OnDeleteSelected() {
    if (m_list->FirstSelectedRow() < 0)
        return ShowStopMessage(m_boxes, "削除するデータを選択してください。");
    if (!AskOkCancel(m_boxes, "選択データを削除します。よろしいですか？")) return;
    StopLoading();
    // Every row names its line in the log, so exactly the chosen lines go, also after a
    // search and also when two lines read the same. When the log could not be rewritten
    // the rows stay, as their lines do.
    if (m_log.DeleteLines(*m_list) > 0) m_list->RemoveRows(m_list->SelectedRows());
    UpdateCountLine();
}

void CLogDlg::OnDeleteAll() {
    if (!AskOkCancel(m_boxes, "すべてのデータを削除します。よろしいですか？")) return;
    StopLoading();
    m_log.Clear();
    m_list->RemoveAllRows();
    UpdateCountLine();
}

void CLogDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (!isMinimized()) LayOut();
}

void CLogDlg::LayOut() {
    const int menuHeight = m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, width(), menuHeight);
    // The list starts below the title line, where the window's frame, menu and caption
    // heights put it.
    const QStyle* look = style();
    const int chrome = look->pixelMetric(QStyle::PM_TitleBarHeight) +
                       2 * look->pixelMetric(QStyle::PM_DefaultFrameWidth);
    m_titleLine->setGeometry(kMargin, menuHeight + 4, width() - 2 * kMargin, kCountLineHeight);
    const int top = std::max(menuHeight + chrome, m_titleLine->geometry().bottom() + 4);
    const int bottom = height() - kBottomSpace;
    m_list->setGeometry(kMargin, top, width() - 2 * kMargin, std::max(bottom - top, 0));
    m_countLine->setGeometry(kMargin, bottom + kCountLineGap, width() - 2 * kMargin,
                             kCountLineHeight);
    m_progress->setGeometry(width() - kMargin - kProgressWidth, bottom + kCountLineGap,
                            kProgressWidth, kCountLineHeight);
}
