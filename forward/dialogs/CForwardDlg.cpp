#include "forward/dialogs/CForwardDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>

#include "forward/ForwardTransport.h"
#include "forward/Forwarder.h"

namespace {

constexpr int kStatusRefreshMs = 1000;

// Kinds in the order of the kind list; the first item is no destination.
constexpr std::array<ForwardKind, 5> kKinds = {ForwardKind::kNone, ForwardKind::kSyslogUdp,
                                               ForwardKind::kSyslogTcp, ForwardKind::kJson,
                                               ForwardKind::kSnmp};

// A destination's number column: its key and what its refusal calls it.
struct NumberColumn {
    int column;
    const ForwardKey& key;
    int width;
    const char* name;
};

// In the order OK checks them.
const std::array<NumberColumn, 4> kNumberColumns = {{
    {CForwardDlg::kPortEdit, ForwardKeyOf(&ForwardDestination::port), 56, "転送先のポート"},
    {CForwardDlg::kFacilityEdit, ForwardKeyOf(&ForwardDestination::facility), 40, "ファシリティ"},
    {CForwardDlg::kSeverityEdit, ForwardKeyOf(&ForwardDestination::severity), 40, "重要度"},
    {CForwardDlg::kDaysEdit, ForwardKeyOf(&ForwardDestination::days), 48, "保存日数"},
}};

const NumberColumn& NumberColumnOf(int column) {
    return *std::find_if(kNumberColumns.begin(), kNumberColumns.end(),
                         [column](const NumberColumn& c) { return c.column == column; });
}

// A missing key's value that the dialog does not accept is the kind's default: the field is
// then empty ("既定").
bool FallbackIsDefault(const ForwardKey& key) {
    return key.fallback < key.lowest || key.fallback > key.highest;
}

QLineEdit* NumberEdit(int id, const NumberColumn& column, const ForwardDestination& d) {
    const int value = NumberOf(column.key, d);
    auto* edit = WithId(new QLineEdit(QString::number(value)), id);
    edit->setAlignment(Qt::AlignRight);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), edit));
    edit->setFixedWidth(column.width);
    if (FallbackIsDefault(column.key)) {
        if (value == column.key.fallback) edit->clear();
        edit->setPlaceholderText(QStringLiteral("既定"));
    }
    return edit;
}

std::optional<int> NumberIn(const QLineEdit* edit, const ForwardKey& key) {
    if (edit->text().isEmpty() && FallbackIsDefault(key)) return key.fallback;
    bool ok = false;
    const int value = edit->text().toInt(&ok);
    if (!ok || value < key.lowest || value > key.highest) return std::nullopt;
    return value;
}

std::string RefusalOf(const NumberColumn& column) {
    return std::string(column.name) + "が不正です。(" + std::to_string(column.key.lowest) + " ～ " +
           std::to_string(column.key.highest) + ")";
}

QString ErrorText(const DestinationStatus& status) {
    QString text;
    switch (status.error) {
    case kForwardOk: return {};
    case kForwardResolveFailed: text = QStringLiteral("ホスト名を解決できません"); break;
    case kForwardConnectFailed: text = QStringLiteral("接続できません"); break;
    case kForwardSendFailed: text = QStringLiteral("送信できません"); break;
    case kForwardOpenFailed: text = QStringLiteral("ファイルを開けません"); break;
    case kForwardWriteFailed: text = QStringLiteral("ファイルに書き込めません"); break;
    case kForwardOwnTrapPort:
        return QStringLiteral("自身の受信ポートのため使用しません (転送がループします)");
    default: text = QStringLiteral("エラー %1").arg(status.error); break;
    }
    if (status.errorErrno != 0)
        text +=
            QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(status.errorErrno)));
    return text;
}

}  // namespace

CForwardDlg::CForwardDlg(Forwarder& forwarder, MessageBoxPort& boxes, QWidget* parent)
    : CBaseDlg(parent), m_forwarder(forwarder), m_boxes(boxes) {
    setWindowTitle(QStringLiteral("Olix Trap Receiver: 転送設定"));
    const ForwardSettings settings = m_forwarder.CurrentForwardSettings();

    auto* grid = new QGridLayout;
    const std::array<QString, 13> headings = {
        QStringLiteral("No."),       QStringLiteral("種類"),         QStringLiteral("ホスト"),
        QStringLiteral("ポート"),    QStringLiteral("ファイル"),     QStringLiteral("対象"),
        QStringLiteral("送るもの"),  QStringLiteral("ファシリティ"), QStringLiteral("重要度"),
        QStringLiteral("保存日数"),  QStringLiteral("転送破棄"),     QStringLiteral("状態"),
        QStringLiteral("ループ停止")};
    for (int c = 0; c < static_cast<int>(headings.size()); ++c)
        grid->addWidget(new QLabel(headings[c]), 0, c);

    for (int row = 0; row < kMaxForwardDestinations; ++row) {
        const ForwardDestination& d = settings[static_cast<std::size_t>(row)];
        const int line = row + 1;
        grid->addWidget(new QLabel(QString::number(line)), line, 0);

        auto* kind = WithId(new QComboBox, Id(row, kKindCombo));
        kind->addItem(QStringLiteral("なし"));
        for (std::size_t k = 1; k < kKinds.size(); ++k)
            kind->addItem(QString::fromLatin1(ForwardKindName(kKinds[k])));
        kind->setCurrentIndex(
            static_cast<int>(std::find(kKinds.begin(), kKinds.end(), d.kind) - kKinds.begin()));
        grid->addWidget(kind, line, 1);
        connect(kind, &QComboBox::currentIndexChanged, this,
                [this, row] { EnableFieldsOfKind(row); });

        auto* host = WithId(new QLineEdit(QString::fromStdString(d.host)), Id(row, kHostEdit));
        host->setMinimumWidth(120);
        grid->addWidget(host, line, 2);
        grid->addWidget(NumberEdit(Id(row, kPortEdit), NumberColumnOf(kPortEdit), d), line, 3);
        auto* path = WithId(new QLineEdit(FromCp932(d.path)), Id(row, kPathEdit));
        path->setMinimumWidth(160);
        grid->addWidget(path, line, 4);

        auto* which = WithId(new QComboBox, Id(row, kWhichCombo));
        which->addItems({QStringLiteral("すべて"), QStringLiteral("フィルタ通過のみ")});
        which->setCurrentIndex(d.filteredOnly ? 1 : 0);
        grid->addWidget(which, line, 5);

        // In the order of ForwardContent; beside 対象, as both choose what is sent.
        auto* content = WithId(new QComboBox, Id(row, kContentCombo));
        content->addItems(
            {QStringLiteral("トラップ"), QStringLiteral("アラームの変化"), QStringLiteral("両方")});
        content->setCurrentIndex(static_cast<int>(d.content));
        content->setToolTip(QStringLiteral(
            "syslog と json の転送先に送るもの: 受信したトラップ、アラームの発生・重要度の変化・"
            "確認・解除、またはその両方"));
        grid->addWidget(content, line, 6);

        for (int column : {kFacilityEdit, kSeverityEdit, kDaysEdit})
            grid->addWidget(NumberEdit(Id(row, column), NumberColumnOf(column), d), line,
                            column + 2);
        auto* dropped = WithId(new QLabel, Id(row, kDroppedLabel));
        dropped->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(dropped, line, 10);
        // Wrapped, so that the dialog fits a 1280-pixel screen beside the longer reasons.
        auto* state = WithId(new QLabel, Id(row, kStateLabel));
        state->setMinimumWidth(240);
        state->setWordWrap(true);
        grid->addWidget(state, line, 11);
        auto* loops = WithId(new QLabel, Id(row, kLoopStoppedLabel));
        loops->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        loops->setToolTip(QStringLiteral(
            "1 分以内に中継したものと同じデータグラムが戻ってきたため中継しなかった数"));
        grid->addWidget(loops, line, 12);
    }

    auto* note = new QLabel(QStringLiteral(
        "ポートの既定: syslog 514, snmp 162。ファシリティ 16 = local0, 重要度 5 = notice。"
        "ファイルの相対パスはプログラムフォルダーから。"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addLayout(MakeOkCancelRow(QStringLiteral("OK")));
    InstallKeyHandling();

    // The rows' controls are the dialog's children once the layout is.
    for (int row = 0; row < kMaxForwardDestinations; ++row) EnableFieldsOfKind(row);
    ShowStatus();
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &CForwardDlg::ShowStatus);
    timer->start(kStatusRefreshMs);
}

void CForwardDlg::EnableFieldsOfKind(int row) {
    const ForwardKind kind = kKinds[static_cast<std::size_t>(
        std::max(ControlById<QComboBox>(this, Id(row, kKindCombo))->currentIndex(), 0))];
    const bool syslog = kind == ForwardKind::kSyslogUdp || kind == ForwardKind::kSyslogTcp;
    const bool network = syslog || kind == ForwardKind::kSnmp;
    const bool file = kind == ForwardKind::kJson;
    const std::array<std::pair<int, bool>, 8> fields = {{{kHostEdit, network},
                                                         {kPortEdit, network},
                                                         {kPathEdit, file},
                                                         {kWhichCombo, kind != ForwardKind::kNone},
                                                         {kFacilityEdit, syslog},
                                                         {kSeverityEdit, syslog},
                                                         {kDaysEdit, file},
                                                         {kContentCombo, syslog || file}}};
    for (const auto& [column, enabled] : fields)
        findChild<QWidget*>(QString::number(Id(row, column)))->setEnabled(enabled);
}

void CForwardDlg::ShowStatus() {
    for (int row = 0; row < kMaxForwardDestinations; ++row) {
        const DestinationStatus status = m_forwarder.ForwardDestinationStatus(row);
        ControlById<QLabel>(this, Id(row, kDroppedLabel))->setText(QString::number(status.dropped));
        ControlById<QLabel>(this, Id(row, kLoopStoppedLabel))
            ->setText(QString::number(status.loopStopped));
        QString state = ErrorText(status);
        if (state.isEmpty() &&
            m_forwarder.CurrentForwardSettings()[static_cast<std::size_t>(row)].kind !=
                ForwardKind::kNone)
            state = QStringLiteral("転送 %1 / 待ち %2").arg(status.delivered).arg(status.queued);
        auto* label = ControlById<QLabel>(this, Id(row, kStateLabel));
        label->setText(state);
        label->setToolTip(state);
    }
}

void CForwardDlg::OnOK() {
    ForwardSettings settings;
    for (int row = 0; row < kMaxForwardDestinations; ++row) {
        ForwardDestination& d = settings[static_cast<std::size_t>(row)];
        const int kindIndex = ControlById<QComboBox>(this, Id(row, kKindCombo))->currentIndex();
        d.kind = kKinds[static_cast<std::size_t>(
            std::clamp(kindIndex, 0, static_cast<int>(kKinds.size()) - 1))];
        d.host = ControlById<QLineEdit>(this, Id(row, kHostEdit))->text().trimmed().toStdString();
        d.path = ToCp932(ControlById<QLineEdit>(this, Id(row, kPathEdit))->text().trimmed());
        d.filteredOnly = ControlById<QComboBox>(this, Id(row, kWhichCombo))->currentIndex() == 1;
        d.content = static_cast<ForwardContent>(
            std::clamp(ControlById<QComboBox>(this, Id(row, kContentCombo))->currentIndex(), 0, 2));
        for (const NumberColumn& column : kNumberColumns) {
            const std::optional<int> value =
                NumberIn(ControlById<QLineEdit>(this, Id(row, column.column)), column.key);
            if (!value) return ShowStopMessage(m_boxes, RefusalOf(column));
            SetNumber(column.key, d, *value);
        }
        if (d.kind == ForwardKind::kJson && d.path.empty())
            return ShowStopMessage(m_boxes, "転送先のファイルを入力してください。");
        if (d.kind != ForwardKind::kJson && d.kind != ForwardKind::kNone && d.host.empty())
            return ShowStopMessage(m_boxes, "転送先のホストを入力してください。");
        // Values are one line without comments (the settings file has none inside a value).
        for (const std::string* text : {&d.host, &d.path})
            if (text->find_first_of(";\r\n") != std::string::npos)
                return ShowStopMessage(m_boxes, "設定値に ; や改行を使用することはできません。");
        // Every trap relayed there would arrive again and be relayed again, for ever.
        if (m_forwarder.RelaysToOwnTrapPort(d))
            return ShowStopMessage(m_boxes,
                                   "SNMP の転送先に自身の受信ポートを指定することはできません。");
    }
    m_forwarder.ApplyForwardSettings(settings);
    // A file that could not be written has been reported; the destinations are in use all
    // the same, and the dialog stays open.
    if (!SaveForwardSettingsFile(settings, m_boxes)) return;
    accept();
}
