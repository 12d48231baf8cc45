#include "mib/dialogs/MibWindow.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "mib/MibIndex.h"
#include "mib/MibSearchPath.h"
#include "mib/MibService.h"
#include "mib/TrapNames.h"
#include "mib/dialogs/MibStatusText.h"

namespace {

QTableWidget* NewTable(QWidget* parent, const QStringList& headers, const char* id) {
    auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
    table->setObjectName(QString::fromLatin1(id));
    table->setHorizontalHeaderLabels(headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

void AddTableRow(QTableWidget* table, const QStringList& cells) {
    const int row = table->rowCount();
    table->insertRow(row);
    for (int column = 0; column < cells.size(); ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        item->setToolTip(cells[column]);
        table->setItem(row, column, item);
    }
}

}  // namespace

CMibWindow::CMibWindow(MibService& service, const SettingsSource& settings, QWidget* parent)
    : QDialog(parent), m_service(service), m_settings(settings) {
    setObjectName(QStringLiteral("mibWindow"));
    setWindowTitle(QStringLiteral("MIB モジュール"));
    resize(760, 520);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("mibSummary"));
    m_loaded = NewTable(this,
                        {QStringLiteral("モジュール"), QStringLiteral("ファイル"),
                         QStringLiteral("フォルダ"), QStringLiteral("ノード数")},
                        "mibLoaded");
    // The folder takes what the other columns leave: a path is the longest cell.
    QHeaderView* loadedHeader = m_loaded->horizontalHeader();
    loadedHeader->setStretchLastSection(false);
    for (int column : {0, 1, 3})
        loadedHeader->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    loadedHeader->setSectionResizeMode(2, QHeaderView::Stretch);
    m_failed =
        NewTable(this, {QStringLiteral("ファイル"), QStringLiteral("行"), QStringLiteral("内容")},
                 "mibFailed");
    m_notifications = NewTable(
        this, {QStringLiteral("通知"), QStringLiteral("OID"), QStringLiteral("オブジェクト")},
        "mibNotifications");
    m_notifications->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_notifications, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const int row = m_notifications->rowAt(at.y());
        if (row < 0 || !m_notificationAction) return;
        QMenu menu(this);
        connect(menu.addAction(QStringLiteral("アラーム ルールを作成…")), &QAction::triggered, this,
                [this, row] { StartRuleFrom(row); });
        menu.exec(m_notifications->viewport()->mapToGlobal(at));
    });
    m_reload = new QPushButton(QStringLiteral("再読み込み"), this);
    m_reload->setObjectName(QStringLiteral("mibReload"));
    m_add = new QPushButton(QStringLiteral("追加…"), this);
    m_add->setObjectName(QStringLiteral("mibAdd"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    connect(m_reload, &QPushButton::clicked, this, &CMibWindow::OnReload);
    connect(m_add, &QPushButton::clicked, this, &CMibWindow::OnAdd);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_summary, 1);
    buttons->addWidget(m_reload);
    buttons->addWidget(m_add);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("読み込んだモジュール"), this));
    layout->addWidget(m_loaded, 3);
    layout->addWidget(new QLabel(QStringLiteral("読み込めなかったファイル"), this));
    layout->addWidget(m_failed, 2);
    layout->addWidget(new QLabel(QStringLiteral("通知 (右クリックでアラーム ルールを作成)"), this));
    layout->addWidget(m_notifications, 2);
    layout->addLayout(buttons);

    // The report of a load that ends while the window is open shows without a click.
    m_poll.setParent(this);
    m_poll.setInterval(500);
    connect(&m_poll, &QTimer::timeout, this, &CMibWindow::Refresh);
    m_poll.start();
    Refresh();
}

CMibWindow* CMibWindow::Open(MibService& service, const SettingsSource& settings, QWidget* parent) {
    auto* window = parent->findChild<CMibWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new CMibWindow(service, settings, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->show();
    window->raise();
    return window;
}

void CMibWindow::Refresh() {
    m_summary->setText(MibStatusText(m_service));
    const auto report = m_service.Report();
    if (!report || report == m_shown) return;
    m_shown = report;
    m_loaded->setRowCount(0);
    m_failed->setRowCount(0);
    for (const MibFileResult& file : report->files) {
        const QString name = QFileInfo(QString::fromStdString(file.file)).fileName();
        if (!file.failed) {
            AddTableRow(m_loaded,
                        {QString::fromStdString(file.module), name,
                         QString::fromStdString(file.folder), QString::number(file.nodes)});
            m_loaded->item(m_loaded->rowCount() - 1, 3)
                ->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            continue;
        }
        if (file.messages.empty())
            AddTableRow(m_failed, {name, QString(), QStringLiteral("モジュールがありません")});
        for (const MibMessage& message : file.messages)
            AddTableRow(m_failed,
                        {name, message.line > 0 ? QString::number(message.line) : QString(),
                         QString::fromStdString(message.text)});
    }
    m_failed->resizeColumnToContents(0);
    m_failed->resizeColumnToContents(1);
    ShowNotifications();
}

void CMibWindow::ShowNotifications() {
    m_notifications->setRowCount(0);
    m_notificationRows.clear();
    const std::shared_ptr<const MibIndex> index = m_service.Index();
    if (!index) return;
    index->ForEach([&](std::span<const uint32_t> oid, const MibNode& node) {
        if (node.kind != MibNodeKind::Notification) return;
        MibNotification notification;
        notification.name = node.name;
        for (std::size_t i = 0; i < oid.size(); ++i)
            notification.oid += (i ? "." : "") + std::to_string(oid[i]);
        for (const std::string& object : node.objects) {
            const auto colons = object.find("::");
            notification.objects.emplace_back(
                colons == std::string::npos ? object : object.substr(colons + 2),
                OidOfName(*index, object));
        }
        notification.description = node.description;
        m_notificationRows.push_back(std::move(notification));
    });
    for (const MibNotification& notification : m_notificationRows) {
        QStringList objects;
        for (const auto& [name, oid] : notification.objects)
            objects << QString::fromStdString(name);
        AddTableRow(m_notifications,
                    {QString::fromStdString(notification.name),
                     QString::fromStdString(notification.oid), objects.join(QStringLiteral(", "))});
        m_notifications->item(m_notifications->rowCount() - 1, 0)
            ->setToolTip(QString::fromStdString(notification.description));
    }
    m_notifications->resizeColumnToContents(0);
}

void CMibWindow::StartRuleFrom(int row) {
    if (row < 0 || row >= static_cast<int>(m_notificationRows.size()) || !m_notificationAction)
        return;
    m_notificationAction(m_notificationRows[static_cast<std::size_t>(row)]);
}

void CMibWindow::OnReload() {
    StartMibLoading(m_service, m_settings);
    Refresh();
}

int CMibWindow::AddFiles(const QStringList& files) {
    const QString folder = QString::fromStdString(ProgramMibFolder());
    QDir().mkpath(folder);
    int failed = 0;
    for (const QString& file : files) {
        const QString target = folder + '/' + QFileInfo(file).fileName();
        // A file of the same name is replaced: the new one is what the user chose.
        if (QFile::exists(target)) QFile::remove(target);
        if (!QFile::copy(file, target)) ++failed;
    }
    if (!files.isEmpty()) OnReload();
    return failed;
}

void CMibWindow::OnAdd() {
    const QStringList files =
        QFileDialog::getOpenFileNames(this, QStringLiteral("MIB ファイルの追加"));
    AddFiles(files);
}
