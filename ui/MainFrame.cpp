#include "ui/MainFrame.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "alarms/dialogs/AlarmPane.h"
#include "alarms/dialogs/AlarmRulesDlg.h"
#include "alarms/dialogs/AlarmWindow.h"
#include "forward/Forwarder.h"
#include "mail/MailQueue.h"
#include "mib/MibService.h"
#include "mib/dialogs/MibStatusText.h"
#include "mib/dialogs/MibWindow.h"
#include "platform/Encoding.h"
#include "platform/MessageBox.h"
#include "platform/Version.h"
#include "platform/qt/HelpWindow.h"
#include "platform/qt/QtText.h"
#include "program/Program.h"
#include "records/DBLib.h"
#include "settings/AppSettings.h"
#include "traplog/TrapLog.h"
#include "ui/AboutDlg.h"
#include "ui/CountView.h"
#include "ui/DataView.h"
#include "ui/EventView.h"
#include "ui/ExSplitter3Wnd.h"
#include "ui/LossSummary.h"
#include "ui/MenuCommands.h"
#include "ui/WindowState.h"

namespace {

constexpr int kAboutCommand = 57664;  // the framework's standard about command
constexpr int kTrafficGraphCommand = 32820;
constexpr int kMibModulesCommand = 32800;
constexpr int kAlarmWindowCommand = 32821;
constexpr int kAlarmRulesCommand = 32822;
// The alarm pane counts on every sixth refresh tick (about four times a second).
constexpr int kAlarmPaneTicks = 6;

// The unsent mails the last run kept and what became of them at this start.
QString MailSpoolStatusText(const MailSpoolStart& start) {
    if (start.unreadable) return QStringLiteral("未送信メール読込失敗");
    QString text = QStringLiteral("未送信メール再送 %1 | 期限切れ %2 | 上限超過 %3")
                       .arg(start.queued)
                       .arg(start.droppedForAge)
                       .arg(start.droppedForCount);
    if (start.damagedBytes > 0) text += QStringLiteral(" | 破損 %1 バイト").arg(start.damagedBytes);
    return text;
}

QAction* AddCommand(QMenu* menu, const char* textUtf8, int id, const char* shortcut = nullptr) {
    QAction* action = menu->addAction(QString::fromUtf8(textUtf8));
    action->setObjectName(QString::number(id));
    if (shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
    return action;
}

}  // namespace

CMainFrame::CMainFrame(Program& program, CMyInfo& serviceWindow)
    : m_program(program), m_info(serviceWindow) {
    setObjectName(QStringLiteral("128"));
    setWindowTitle(FromCp932(kProgramTitle));
    setAttribute(Qt::WA_DeleteOnClose);
    CreateMenus();
    CreateClient();
    CreateStatusBar();
    DBLib::MakeFolder("/db");
    DBLib::MakeFolder("/tmp");
    DBLib::MakeFolder("/log");
    m_nHour = m_nMin = m_nSec = 0;
    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &CMainFrame::OnClockTick);
    m_clock.start();
    m_refresh.setInterval(kRefreshIntervalMs);
    connect(&m_refresh, &QTimer::timeout, this, &CMainFrame::OnRefreshTick);
    m_refresh.start();
    m_info.Start();
    StartMibLoading(m_program.Mib(), m_program.Settings());
}

CMainFrame::~CMainFrame() { DestroyWindow(); }

void CMainFrame::CreateClient() {
    m_pSplitter = new CExSplitter3Wnd(this);
    m_pSplitter->m_view1Size = QSize(800, 380);
    m_pSplitter->m_view2Size = QSize(500, 220);
    m_pSplitter->m_view3Size = QSize(300, 220);
    m_list = new CEventView(m_program.Settings(), m_program.Mib(), m_program.TrapReceiver(),
                            m_program.Losses(), m_program.Rows(), m_program.MessageBoxes());
    auto* counters = new CCountView(m_program.Counters());
    m_counters = counters->Form();
    m_detail = new CDataView(*m_list, m_program.Mib());
    connect(m_list, &CEventView::ShowTrapDetail, m_detail, &CDataView::ShowSelectedTrap);
    m_pSplitter->CreateLayout(3, m_list, counters, m_detail);
    setCentralWidget(m_pSplitter);
}

void CMainFrame::CreateStatusBar() {
    m_pane0 = new QLabel(this);
    m_pane0->setObjectName(QStringLiteral("pane0"));
    m_pane1 = new QLabel(this);
    m_pane1->setObjectName(QStringLiteral("pane1"));
    m_pane1->setFixedWidth(kClockPaneWidth);
    m_lossPane = new QLabel(this);
    m_lossPane->setObjectName(QStringLiteral("lossPane"));
    m_lossPane->hide();
    m_rowsPane = new QLabel(this);
    m_rowsPane->setObjectName(QStringLiteral("rowsPane"));
    m_rowsPane->hide();
    m_listenPane = new QLabel(this);
    m_listenPane->setObjectName(QStringLiteral("listenPane"));
    // Sunken frames keep the counts apart from each other and from the clock.
    for (QLabel* pane : {m_lossPane, m_rowsPane, m_listenPane}) {
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        pane->setMargin(2);
    }
    m_lossSince = QStringLiteral("起動");
    m_spoolPane = new QLabel(this);
    m_spoolPane->setObjectName(QStringLiteral("spoolPane"));
    m_spoolPane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_spoolPane->setMargin(2);
    if (const MailSpoolStart& spool = m_program.Mail().SpoolStart(); spool.found) {
        m_spoolPane->setText(MailSpoolStatusText(spool));
        // The pane is kept short; the tooltip says what its counts are.
        if (spool.unreadable)
            m_spoolPane->setToolTip(
                QStringLiteral("%1 を読み込めないため、前回の未送信メールは送信しません。")
                    .arg(QString::fromStdString(spool.path)));
        else
            m_spoolPane->setToolTip(
                QStringLiteral(
                    "前回の終了時に送信できなかったメール (%1) のうち %2 通を再送します。\n"
                    "%3 時間より古い %4 通と、新しい %5 通を超える %6 通は破棄しました。")
                    .arg(QString::fromStdString(spool.path))
                    .arg(spool.queued)
                    .arg(kSpoolMaxAge.count())
                    .arg(spool.droppedForAge)
                    .arg(kSpoolMaxMails)
                    .arg(spool.droppedForCount) +
                (spool.damagedBytes > 0
                     ? QStringLiteral("\n末尾の %1 バイトは壊れていて読めませんでした。")
                           .arg(spool.damagedBytes)
                     : QString()));
    } else {
        m_spoolPane->hide();
    }
    m_mibPane = new QLabel(this);
    m_mibPane->setObjectName(QStringLiteral("mibPane"));
    m_alarmPane = new CAlarmPane(this);
    connect(m_alarmPane, &CAlarmPane::Clicked, this, &CMainFrame::OnAlarmWindow);
    m_alarmPane->Show(m_program.Alarms().Snapshot());
    statusBar()->addWidget(m_pane0, 1);
    statusBar()->addPermanentWidget(m_alarmPane, 0);
    statusBar()->addPermanentWidget(m_mibPane, 0);
    statusBar()->addPermanentWidget(m_spoolPane, 0);
    statusBar()->addPermanentWidget(m_lossPane, 0);
    statusBar()->addPermanentWidget(m_rowsPane, 0);
    statusBar()->addPermanentWidget(m_listenPane, 0);
    statusBar()->addPermanentWidget(m_pane1, 0);
    ShowListening();
}

void CMainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    connect(AddCommand(file, "保存\tCtrl+S", 32771, "Ctrl+S"), &QAction::triggered, this,
            &CMainFrame::OnFileSave);
    QMenu* output = file->addMenu(QStringLiteral("出力"));
    connect(AddCommand(output, "HTML(&H)", 32772), &QAction::triggered, this, [this] {
        OnExportHtmlCommand(this, m_program.Counters(), m_list, m_program.Programs(),
                            m_program.MessageBoxes());
    });
    connect(AddCommand(output, "CSV(&C)", 32773), &QAction::triggered, this, [this] {
        OnExportCsvCommand(this, m_program.Counters(), m_list, m_program.Programs(),
                           m_program.MessageBoxes());
    });
    file->addSeparator();
    connect(AddCommand(file, "終了(&E)", 32774), &QAction::triggered, this,
            &CMainFrame::OnFileExit);

    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&D)"));
    connect(AddCommand(view, "表示データクリア(&C)", 32775), &QAction::triggered, this,
            &CMainFrame::OnViewClear);
    connect(AddCommand(view, "受信拒否メッセージ(&R)", 32788), &QAction::triggered, this, [this] {
        OnRejectedMessagesCommand(this, m_program.Rejected(), m_program.Answers(),
                                  m_program.MessageBoxes());
    });
    connect(AddCommand(view, "受信グラフ(&G)", kTrafficGraphCommand), &QAction::triggered, this,
            [this] { OnTrafficGraphCommand(this, m_program.Traffic()); });
    connect(AddCommand(view, "MIB モジュール", kMibModulesCommand), &QAction::triggered, this,
            [this] {
                CMibWindow* window = CMibWindow::Open(m_program.Mib(), m_program.Settings(), this);
                // A notification starts an alarm rule in the rules dialog.
                window->SetNotificationAction([this](const MibNotification& notification) {
                    const AlarmRule rule =
                        RuleForNotification(notification.name, notification.oid,
                                            notification.objects, notification.description);
                    OpenAlarmRulesDialog(
                        m_program.Alarms(), m_program.AlarmRulesPath(),
                        [this] { return m_program.ReloadAlarmRules(); }, m_program.MessageBoxes(),
                        this, &rule);
                });
            });
    connect(AddCommand(view, "アラーム", kAlarmWindowCommand), &QAction::triggered, this,
            &CMainFrame::OnAlarmWindow);

    QMenu* trap = menuBar()->addMenu(QStringLiteral("トラップ(&T)"));
    connect(AddCommand(trap, "トラップ受信 設定\tCtrl+E", 32776, "Ctrl+E"), &QAction::triggered,
            this, [this] {
                OnTrapSettingsCommand(this, m_program.Rules(), m_program.Users(),
                                      m_program.Settings(), m_program.MessageBoxes());
            });
    connect(AddCommand(trap, "ユーザ設定(&U)", 32787), &QAction::triggered, this,
            [this] { OnUserSettingsCommand(this, m_program.Users(), m_program.MessageBoxes()); });
    connect(AddCommand(trap, "トラップ ログ\tCtrl+L", 32777, "Ctrl+L"), &QAction::triggered, this,
            [this] { OnTrapLogCommand(this, m_program.Log(), m_program.MessageBoxes()); });
    connect(AddCommand(trap, "アラーム ルール", kAlarmRulesCommand), &QAction::triggered, this,
            &CMainFrame::OnAlarmRules);

    QMenu* options = menuBar()->addMenu(QStringLiteral("オプション(&O)"));
    connect(AddCommand(options, "オプション(&O)", 32778), &QAction::triggered, this, [this] {
        OnOptionsCommand(this, m_program.Settings(), m_program.Engine(), m_program.Mib(),
                         m_program.MessageBoxes());
    });
    connect(AddCommand(options, "転送設定…", 32789), &QAction::triggered, this, [this] {
        OnForwardSettingsCommand(this, m_program.Forwarding(), m_program.MessageBoxes());
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    connect(AddCommand(help, "バージョン(&V)", kAboutCommand), &QAction::triggered, this,
            &CMainFrame::OnAppAbout);
    connect(AddCommand(help, "ヘルプ(&H)", 32780), &QAction::triggered, this, &CMainFrame::OnHelp);
}

void CMainFrame::setVisible(bool visible) {
    QMainWindow::setVisible(m_bShowMainWnd ? visible : false);
}

void CMainFrame::OnClockTick() {
    if (++m_nSec == 60) {
        m_nSec = 0;
        if (++m_nMin == 60) {
            m_nMin = 0;
            ++m_nHour;
        }
    }
    m_pane1->setText(ClockText());
    m_pane0->clear();
    ShowListening();
}

void CMainFrame::ShowListening() {
    const AppSettings settings = m_program.Settings().Snapshot();
    const QString text = QStringLiteral("ポート %1 / %2")
                             .arg(settings.trapPort)
                             .arg(settings.receiveMode == 0 ? QStringLiteral("全トラップ受信")
                                                            : QStringLiteral("フィルタ受信"));
    if (text != m_listenPane->text()) m_listenPane->setText(text);
}

void CMainFrame::ShowLosses() {
    const LossCounters& counts = m_program.Losses();
    const QString losses =
        QString::fromStdString(LossSummary(counts, m_program.ReadFailures(), m_lossBaseline));
    if (losses != m_lossPane->text()) m_lossPane->setText(losses);
    m_lossPane->setVisible(!losses.isEmpty());
    const QString trimmed = QString::fromStdString(TrimmedRowsSummary(counts, m_lossBaseline));
    if (trimmed != m_rowsPane->text()) m_rowsPane->setText(trimmed);
    m_rowsPane->setVisible(!trimmed.isEmpty());
    if (!losses.isEmpty() || !trimmed.isEmpty()) {
        const QString tip =
            QString::fromStdString(LossToolTip(counts, m_lossBaseline, m_lossSince.toStdString()));
        m_lossPane->setToolTip(tip);
        m_rowsPane->setToolTip(tip);
    }
}

QString CMainFrame::ClockText() const {
    return QString::asprintf("%02d：%02d：%02d", m_nHour, m_nMin, m_nSec);
}

void CMainFrame::OnRefreshTick() {
    m_list->InsertQueuedRows();
    m_counters->ShowCounters();
    ShowLosses();
    if (const QString mib = MibStatusText(m_program.Mib()); mib != m_mibPane->text())
        m_mibPane->setText(mib);
    if (++m_alarmTicks >= kAlarmPaneTicks) {
        m_alarmTicks = 0;
        m_alarmPane->Show(m_program.Alarms().Snapshot());
    }
}

void CMainFrame::OnAlarmWindow() {
    CAlarmWindow::Open(m_program.Alarms(), m_program.AlarmDatabase().Path(), this);
}

void CMainFrame::OnAlarmRules() {
    OpenAlarmRulesDialog(
        m_program.Alarms(), m_program.AlarmRulesPath(),
        [this] { return m_program.ReloadAlarmRules(); }, m_program.MessageBoxes(), this);
}

void CMainFrame::OnFileSave() {
    // Each failure has been reported with the file's name: no word of success after one.
    if (!m_program.Settings().Save(m_program.MessageBoxes())) return;
    if (!SaveForwardSettingsFile(m_program.Forwarding().CurrentForwardSettings(),
                                 m_program.MessageBoxes()))
        return;
    ShowMessageBox(m_program.MessageBoxes(), Utf8ToCp932("設定データを保存しました。"),
                   MessageIcon::Information);
}

void CMainFrame::OnFileExit() { close(); }

void CMainFrame::OnViewClear() {
    if (!AskOkCancel(m_program.MessageBoxes(), "表示データをクリアします。よろしいですか？"))
        return;
    m_program.Counters().Reset();
    // The loss panes count from here too; the totals since start-up stay in their tooltip.
    m_lossBaseline = ReadLossCounts(m_program.Losses());
    m_lossSince =
        QStringLiteral("表示データクリア (%1)")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    ShowLosses();
    m_counters->ShowCounters();
    m_list->DeleteAllRows();
    m_detail->DeleteAllRows();
}

void CMainFrame::OnHelp() { ShowHelpDocument(m_program.MessageBoxes()); }

void CMainFrame::OnAppAbout() {
    CAboutDlg about(m_program.Programs(), this);
    about.exec();
}

void CMainFrame::DestroyWindow() {
    if (m_bDestroyed) return;
    m_bDestroyed = true;
    m_clock.stop();
    m_refresh.stop();
    m_info.Stop();
    m_program.Mib().Stop();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A frame closed before it was ever shown (a signal during the splash) has no layout
    // of the user's to keep.
    if (isVisible()) SaveWindowState(*this);
    DestroyWindow();
    event->accept();
}
