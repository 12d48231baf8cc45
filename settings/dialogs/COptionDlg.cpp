#include "settings/dialogs/COptionDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <optional>

#include "platform/FixedText.h"
#include "platform/qt/FieldWidth.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsSource.h"
#include "snmp/engine/EngineFile.h"

namespace {

constexpr const SettingsKey& kPortKey = SettingsKeyOf(&AppSettings::trapPort);
constexpr const SettingsKey& kLogModeKey = SettingsKeyOf(&AppSettings::logMode);
constexpr const SettingsKey& kRetentionKey = SettingsKeyOf(&AppSettings::logRetention);
constexpr const SettingsKey& kMaxRowsKey = SettingsKeyOf(&AppSettings::maxRows);
constexpr const SettingsKey& kMibFoldersKey = SettingsKeyOf(&AppSettings::mibFolders);
constexpr std::array<const SettingsKey*, 3> kFormatKeys = {&SettingsKeyOf(&AppSettings::formatV1),
                                                           &SettingsKeyOf(&AppSettings::formatV2c),
                                                           &SettingsKeyOf(&AppSettings::formatV3)};

constexpr int kLogModes = kLogModeKey.highest + 1;          // a radio button each
constexpr int kRetentionItems = kRetentionKey.highest + 1;  // "0" to "12" months
static_assert(kLogModes == 3, "the ids after kLogNoneRadio are the other modes");

// "message(lowest ～ highest)", the form of the dialog's refusals.
std::string RangeMessage(std::string_view message, std::size_t lowest, std::size_t highest,
                         std::string_view unit = {}) {
    return std::string(message) + "(" + std::to_string(lowest) + " ～ " + std::to_string(highest) +
           std::string(unit) + ")";
}
std::string RangeMessage(std::string_view message, const SettingsKey& key) {
    return RangeMessage(message, static_cast<std::size_t>(key.lowest),
                        static_cast<std::size_t>(key.highest));
}

// An unsigned decimal number within lowest-highest, or nothing.
std::optional<int32_t> ParseNumber(const QString& text, int32_t lowest, int32_t highest) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > 10) return std::nullopt;
    for (QChar c : trimmed)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    const qulonglong value = trimmed.toULongLong();
    if (value < static_cast<qulonglong>(lowest) || value > static_cast<qulonglong>(highest))
        return std::nullopt;
    return static_cast<int32_t>(value);
}

// A right-aligned edit that takes digits only while typing; the range is checked at OK.
QLineEdit* NumberEdit(int id, int32_t value) {
    auto* edit = WithId(new QLineEdit, id);
    edit->setAlignment(Qt::AlignRight);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    edit->setText(QString::number(value));
    return edit;
}

}  // namespace

COptionDlg::COptionDlg(SettingsSource& settingsSource, EngineFile& engine, MessageBoxPort& boxes,
                       QWidget* parent)
    : CBaseDlg(parent), m_settings(settingsSource), m_boxes(boxes) {
    const AppSettings settings = m_settings.Snapshot();
    setWindowTitle(QStringLiteral("Olix Trap Receiver: Option"));

    auto* heading = new QLabel(QStringLiteral("オプション"));

    auto* portGroup = new QGroupBox(QStringLiteral("受信ポート"));
    auto* portLayout = new QHBoxLayout(portGroup);
    portLayout->addWidget(new QLabel(QStringLiteral("トラップ待ち受けポート：")));
    portLayout->addWidget(NumberEdit(kPortEdit, settings.trapPort));

    auto* hostGroup = new QGroupBox(QStringLiteral("ホスト名"));
    auto* hostCheck = WithId(new QCheckBox(QStringLiteral("トラップ受信時にホスト名を取得する：")),
                             kHostNameCheck);
    hostCheck->setChecked(settings.resolveHostName != 0);
    auto* hostLayout = new QVBoxLayout(hostGroup);
    hostLayout->addWidget(hostCheck);
    hostLayout->addWidget(new QLabel(
        QStringLiteral("（名前解決ができていない場合はトラップ表示が遅れる   場合があります）")));

    auto* logGroup = new QGroupBox(QStringLiteral("トラップログ"));
    auto* logLayout = new QGridLayout(logGroup);
    auto* logButtons = new QButtonGroup(this);
    const std::array<QString, kLogModes> logTexts = {
        QStringLiteral("保存しない"), QStringLiteral("すべてのログを保存"),
        QStringLiteral("イベント設定されているログを保存")};
    for (int mode = 0; mode < kLogModes; ++mode) {
        auto* radio = WithId(new QRadioButton(logTexts[mode]), kLogNoneRadio + mode);
        logButtons->addButton(radio, mode);
        logLayout->addWidget(radio, mode, 0);
        if (settings.logMode == mode) radio->setChecked(true);
    }
    auto* retention = WithId(new QComboBox, kRetentionCombo);
    retention->setEditable(true);
    retention->setInsertPolicy(QComboBox::NoInsert);
    for (int months = 0; months < kRetentionItems; ++months)
        retention->addItem(QString::number(months));
    const bool retentionListed =
        settings.logRetention >= 0 && settings.logRetention < kRetentionItems;
    retention->setCurrentIndex(retentionListed ? settings.logRetention : -1);
    logLayout->addWidget(new QLabel(QStringLiteral("ログ保存期間")), 3, 0);
    logLayout->addWidget(retention, 3, 1);

    auto* listGroup = new QGroupBox(QStringLiteral("トラップ一覧"));
    auto* listLayout = new QHBoxLayout(listGroup);
    listLayout->addWidget(new QLabel(QStringLiteral("最大行数：")));
    listLayout->addWidget(NumberEdit(kMaxRowsEdit, settings.maxRows));

    auto* formatGroup = new QGroupBox(QStringLiteral("Trap データ表示形式"));
    auto* formatLayout = new QGridLayout(formatGroup);
    const std::array<QString, 3> formatLabels = {QStringLiteral("Snmp TrapV1"),
                                                 QStringLiteral("Snmp TrapV2"),
                                                 QStringLiteral("Snmp TrapV3")};
    for (int i = 0; i < 3; ++i) {
        auto* edit =
            WithId(new QLineEdit(FromCp932(TextOf(*kFormatKeys[i], settings))), kFormatV1Edit + i);
        FitEditTo(edit, edit->text());
        edit->setCursorPosition(0);  // a long format opens at its start, not scrolled to its end
        formatLayout->addWidget(new QLabel(formatLabels[i]), i, 0);
        formatLayout->addWidget(edit, i, 1);
    }

    auto* engineGroup = new QGroupBox(QStringLiteral("SNMP エンジン（インフォーム受信用）"));
    auto* engineLayout = new QHBoxLayout(engineGroup);
    auto* engineId =
        WithId(new QLineEdit(QString::fromStdString(EngineIdText(engine.Peek().EngineId()))),
               kEngineIdEdit);
    engineId->setReadOnly(true);
    engineLayout->addWidget(new QLabel(QStringLiteral("Engine ID：")));
    engineLayout->addWidget(engineId);
    // Folder names are kept as the file system's bytes, not in the settings file's code page.
    auto* mibGroup = new QGroupBox(QStringLiteral("MIB"));
    auto* mibLayout = new QHBoxLayout(mibGroup);
    auto* mibFolders =
        WithId(new QLineEdit(QFile::decodeName(settings.mibFolders.data())), kMibFoldersEdit);
    mibFolders->setPlaceholderText(QStringLiteral("/opt/mibs:/srv/mibs"));
    mibLayout->addWidget(new QLabel(QStringLiteral("追加の MIB フォルダ（: で区切る）：")));
    mibLayout->addWidget(mibFolders);

    QHBoxLayout* buttons = MakeOkCancelRow(QStringLiteral("OK"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(portGroup);
    layout->addWidget(hostGroup);
    layout->addWidget(logGroup);
    layout->addWidget(listGroup);
    layout->addWidget(formatGroup);
    layout->addWidget(engineGroup);
    layout->addWidget(mibGroup);
    layout->addLayout(buttons);
    InstallKeyHandling();
}

void COptionDlg::OnOK() {
    // Each value that passes is kept in the settings at once, also when a later field is
    // refused; only a complete OK writes the file.
    AppSettings settings = m_settings.Snapshot();
    auto refuse = [&](std::string_view message) {
        m_settings.Replace(settings);
        ShowStopMessage(m_boxes, message);
    };

    const std::optional<int32_t> port = ParseNumber(ControlById<QLineEdit>(this, kPortEdit)->text(),
                                                    kPortKey.lowest, kPortKey.highest);
    if (!port) return refuse(RangeMessage("トラップ待ち受けポートが不正です。", kPortKey));
    SetNumber(kPortKey, settings, *port);

    settings.resolveHostName = ControlById<QCheckBox>(this, kHostNameCheck)->isChecked() ? 1 : 0;
    for (int mode = 0; mode < kLogModes; ++mode)
        if (ControlById<QRadioButton>(this, kLogNoneRadio + mode)->isChecked())
            settings.logMode = mode;

    for (int i = 0; i < 3; ++i) {
        const SettingsKey& key = *kFormatKeys[i];
        const std::string text = ToCp932(ControlById<QLineEdit>(this, kFormatV1Edit + i)->text());
        if (text.size() > key.TextLimit())
            return refuse(RangeMessage("トラップ表示形式のサイズが不正です。", 0, key.TextLimit()));
        if (HasCommaBeforeLineFeed(text)) return refuse("設定値に , を使用することはできません。");
        SetText(key, settings, text);
    }

    // A typed value that is not one of the items keeps the stored retention; a stored value
    // outside the items (from a hand-edited file) is brought into 0-12, since a negative one
    // would expire every log line.
    auto* retention = ControlById<QComboBox>(this, kRetentionCombo);
    const int typed = retention->findText(retention->currentText(), Qt::MatchExactly);
    if (typed >= 0)
        settings.logRetention = typed;
    else
        settings.logRetention =
            std::clamp(settings.logRetention, kRetentionKey.lowest, kRetentionKey.highest);

    const std::optional<int32_t> maxRows =
        ParseNumber(ControlById<QLineEdit>(this, kMaxRowsEdit)->text(), kMaxRowsKey.lowest,
                    kMaxRowsKey.highest);
    if (!maxRows) return refuse(RangeMessage("トラップ一覧の最大行数が不正です。", kMaxRowsKey));
    settings.maxRows = *maxRows;

    const QByteArray mibFolders =
        QFile::encodeName(ControlById<QLineEdit>(this, kMibFoldersEdit)->text().trimmed());
    if (static_cast<std::size_t>(mibFolders.size()) > kMibFoldersKey.TextLimit())
        return refuse(RangeMessage("MIB フォルダの指定が長すぎます。", 0,
                                   kMibFoldersKey.TextLimit(), " バイト"));
    SetText(kMibFoldersKey, settings, std::string_view(mibFolders.constData(), mibFolders.size()));

    m_settings.Replace(settings);
    // A file that could not be written has been reported; the dialog stays open.
    if (!m_settings.Save(m_boxes)) return;
    accept();
}
