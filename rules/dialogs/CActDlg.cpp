#include "rules/dialogs/CActDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <array>
#include <span>

#include "platform/FixedText.h"
#include "platform/qt/HelpWindow.h"
#include "rules/RuleStore.h"
#include "rules/RuleText.h"
#include "rules/dialogs/CFilPageDlg.h"
#include "users/UserStore.h"

namespace {

constexpr std::string_view kEnterpriseOid = "1.3.6.1.4.1.";
constexpr std::size_t kKeyLimit = 36;      // enterprise suffix and user name, bytes
constexpr std::size_t kActionLimit = 128;  // each action text, bytes
constexpr int kEnterpriseSpecific = 6;
constexpr const char* kCommaMessage = "設定値に , を使用することはできません。";

// Indexed by the generic trap number of a rule.
constexpr std::array<const char*, 8> kGenericNames = {
    "Cold Start",        "Warm Start",          "Link Down", "Link Up", "Authentication Failure",
    "Egp Neighbor Loss", "Enterprise Specific", "Any"};

// Dotted IPv4 text in four fields of 0-255; fields left empty count as 0.
QLineEdit* NewAddressEdit(int id) {
    auto* edit = WithId(new QLineEdit, id);
    const QString octet = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])?");
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("^%1(\\.%1){0,3}$").arg(octet)), edit));
    edit->setText(QStringLiteral("0.0.0.0"));
    return edit;
}

std::array<uint8_t, 4> AddressOfEdit(const QLineEdit* edit) {
    std::array<uint8_t, 4> address{};
    const QStringList parts = edit->text().split(QLatin1Char('.'));
    for (int i = 0; i < 4 && i < parts.size(); ++i)
        address[i] = static_cast<uint8_t>(std::min(parts[i].toUInt(), 255u));
    return address;
}

// An unsigned decimal number; 0 when the text is not one. Stored as a signed 32-bit value.
int32_t UnsignedOrZero(const QString& text) {
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok, 10);
    return ok && !text.trimmed().startsWith(QLatin1Char('+')) ? static_cast<int32_t>(value) : 0;
}

// Shows why OK was refused.
bool Refuse(MessageBoxPort& boxes, std::string_view message) {
    ShowStopMessage(boxes, message);
    return false;
}

}  // namespace

CActDlg::CActDlg(RuleStore& rules, const UserStore& users, MessageBoxPort& boxes, QWidget* parent)
    : CBaseDlg(parent), m_rules(rules), m_users(users), m_boxes(boxes) {
    WithId(this, 157);
    setWindowTitle(QStringLiteral("Olix Trap Receiver: Action"));

    auto* group = new QGroupBox(QStringLiteral("通知アクション設定"));
    auto* groupLayout = new QVBoxLayout(group);

    auto* key = new QGridLayout;
    key->addWidget(WithId(new QLabel, kKeyLabel), 0, 0, 1, 6);
    key->addWidget(
        WithId(new QLabel(QString::fromUtf8(kEnterpriseOid.data(), kEnterpriseOid.size())),
               kEnterprisePrefix),
        1, 0);
    key->addWidget(WithId(new QLineEdit, kEnterpriseEdit), 1, 1, 1, 5);
    key->addWidget(WithId(new QLabel(QStringLiteral("General ID：")), kGenericLabel), 2, 0);
    auto* generic = WithId(new QComboBox, kGenericCombo);
    key->addWidget(generic, 2, 1, 1, 2);
    key->addWidget(WithId(new QLabel(QStringLiteral("Specific ID：")), kSpecificLabel), 2, 3);
    key->addWidget(WithId(new QLineEdit, kSpecificEdit), 2, 4, 1, 2);
    key->addWidget(WithId(new QLabel(QStringLiteral("開始アドレス")), kStartLabel), 3, 0);
    key->addWidget(NewAddressEdit(kStartAddress), 3, 1, 1, 2);
    key->addWidget(WithId(new QLabel(QStringLiteral("～")), kRangeLabel), 3, 3);
    key->addWidget(WithId(new QLabel(QStringLiteral("終了アドレス")), kEndLabel), 3, 4);
    key->addWidget(NewAddressEdit(kEndAddress), 3, 5);
    key->addWidget(WithId(new QLabel(QStringLiteral("ユーザ名")), kUserLabel), 4, 0);
    auto* user = WithId(new QComboBox, kUserCombo);
    user->setEditable(true);
    user->setInsertPolicy(QComboBox::NoInsert);
    key->addWidget(user, 4, 1, 1, 5);
    groupLayout->addLayout(key);
    connect(generic, &QComboBox::currentIndexChanged, this, [this](int index) {
        ControlById<QLineEdit>(this, kSpecificEdit)->setEnabled(index == kEnterpriseSpecific);
    });

    auto addActionGroup = [&](const char* title, int id) {
        auto* box = new QGroupBox(QString::fromUtf8(title));
        auto* boxLayout = new QHBoxLayout(box);
        boxLayout->addWidget(WithId(new QLineEdit, id));
        groupLayout->addWidget(box);
        return boxLayout;
    };
    addActionGroup("ポップアップメッセージ", kPopupEdit);
    addActionGroup("外部ファイル起動", kProgramEdit);
    auto* beep = WithId(new QCheckBox(QStringLiteral("ビープ音")), kBeepCheck);
    addActionGroup("サウンド再生 （.wav）", kWaveEdit)->addWidget(beep);
    connect(beep, &QCheckBox::clicked, this, [this](bool checked) {
        ControlById<QLineEdit>(this, kWaveEdit)->setEnabled(!checked);
    });
    addActionGroup("メール送信メッセージ", kMailEdit);

    auto* help = WithId(new QPushButton(QStringLiteral("ヘルプ")), kHelpButton);
    connect(help, &QPushButton::clicked, this, &CActDlg::OnHelp);
    QHBoxLayout* buttons = MakeOkCancelRow(QStringLiteral("設定"));
    buttons->addWidget(help);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
    // Every key control still counts here, so this is the width of the widest mode: the
    // dialog keeps it in every mode instead of changing size with the key shown.
    setMinimumWidth(sizeHint().width());
    InstallKeyHandling();
}

void CActDlg::ShowKeyControls(std::initializer_list<int> ids, const char* label) {
    auto* keyLabel = ControlById<QLabel>(this, kKeyLabel);
    keyLabel->setText(QString::fromUtf8(label));
    keyLabel->setVisible(true);
    for (int id : ids) ControlById<QWidget>(this, id)->setVisible(true);
}

void CActDlg::SetMode(CFilPageDlg* page, int mode) {
    m_pPage = page;
    m_nMode = mode;
    m_rule = RuleRecord{};
    for (int id : {kKeyLabel, kEnterprisePrefix, kEnterpriseEdit, kGenericLabel, kGenericCombo,
                   kSpecificLabel, kSpecificEdit, kStartLabel, kStartAddress, kRangeLabel,
                   kEndLabel, kEndAddress, kUserLabel, kUserCombo})
        ControlById<QWidget>(this, id)->setVisible(false);

    const int row = m_pPage ? m_pPage->List()->FirstSelectedRow() : -1;
    const bool editing = !IsAddMode() && m_nMode != ModeAllTraps && row >= 0;
    if (m_nMode == ModeAllTraps) {
        m_rule.kind = AllTraps;
        // Before the first OK there is no every-trap rule: its actions start empty.
        static_cast<void>(m_rules.FindActions(m_rule));
    } else if (IsEnterpriseMode()) {
        ShowKeyControls({kEnterprisePrefix, kEnterpriseEdit, kGenericLabel, kGenericCombo,
                         kSpecificLabel, kSpecificEdit},
                        "エンタープライズ：");
        auto* generic = ControlById<QComboBox>(this, kGenericCombo);
        generic->clear();
        for (const char* name : kGenericNames) generic->addItem(QString::fromUtf8(name));
        generic->setCurrentIndex(kEnterpriseSpecific);
        if (editing) {
            m_rule = m_pPage->KeyOfRow(row);
            std::array<char, 49> suffix{};
            // The suffix of a stored enterprise always fits a field of its size.
            static_cast<void>(RuleStore::EnterpriseSuffix(FixedTextView(m_rule.enterprise), suffix,
                                                          static_cast<int>(suffix.size())));
            ControlById<QLineEdit>(this, kEnterpriseEdit)
                ->setText(FromCp932(FixedTextView(suffix)));
            if (m_rule.genericTrap >= 0 &&
                m_rule.genericTrap < static_cast<int>(kGenericNames.size()))
                generic->setCurrentIndex(m_rule.genericTrap);
            ControlById<QLineEdit>(this, kSpecificEdit)
                ->setText(FromCp932(m_pPage->List()->CellText(row, 2)));
            // A rule deleted since the list was read shows no actions.
            static_cast<void>(m_rules.FindActions(m_rule));
            for (int id : {kEnterpriseEdit, kGenericCombo, kSpecificEdit})
                ControlById<QWidget>(this, id)->setEnabled(false);
        }
    } else if (IsIpMode()) {
        ShowKeyControls({kStartLabel, kEndLabel, kRangeLabel, kStartAddress, kEndAddress},
                        "IP アドレス範囲：");
        if (editing) {
            m_rule = m_pPage->KeyOfRow(row);
            ControlById<QLineEdit>(this, kStartAddress)
                ->setText(QString::fromStdString(FormatDottedAddress(m_rule.ipFrom)));
            ControlById<QLineEdit>(this, kEndAddress)
                ->setText(QString::fromStdString(FormatDottedAddress(m_rule.ipTo)));
            // A rule deleted since the list was read shows no actions.
            static_cast<void>(m_rules.FindActions(m_rule));
            for (int id : {kStartAddress, kEndAddress})
                ControlById<QWidget>(this, id)->setEnabled(false);
        }
    } else if (IsUserMode()) {
        ShowKeyControls({kUserLabel, kUserCombo}, "SnmpV3 ユーザ：");
        if (editing) {
            m_rule = m_pPage->KeyOfRow(row);
            // A rule deleted since the list was read shows no actions.
            static_cast<void>(m_rules.FindActions(m_rule));
            ControlById<QWidget>(this, kUserCombo)->setEnabled(false);
        }
        FillUserNames();
    }
    ShowActions();
}

void CActDlg::FillUserNames() {
    auto* users = ControlById<QComboBox>(this, kUserCombo);
    users->clear();
    UserEntry entry{};
    for (int index = 0; m_users.GetUser(index, entry) == 0; ++index)
        users->addItem(FromCp932(FixedTextView(entry.userName)));
    const QString name = FromCp932(FixedTextView(m_rule.userName));
    const int match = users->findText(name, Qt::MatchExactly);
    if (match >= 0) {
        users->setCurrentIndex(match);
    } else if (m_nMode == ModeEditUser) {
        // The rule's user is not in the user store: the disabled key keeps the rule's own
        // name, so OK changes this rule and not the rule of the first user listed.
        users->setCurrentIndex(-1);
        users->setEditText(name);
    } else {
        users->setCurrentIndex(0);
    }
}

void CActDlg::ShowActions() {
    const std::array<std::pair<int, std::string_view>, 4> texts = {
        {{kPopupEdit, FixedTextView(m_rule.popupMessage)},
         {kProgramEdit, FixedTextView(m_rule.programLine)},
         {kWaveEdit, FixedTextView(m_rule.waveFile)},
         {kMailEdit, FixedTextView(m_rule.mailMessage)}}};
    for (const auto& [id, text] : texts) {
        auto* edit = ControlById<QLineEdit>(this, id);
        edit->setText(FromCp932(text));
        edit->setCursorPosition(0);  // a long text opens at its start, not scrolled to its end
    }
    ControlById<QCheckBox>(this, kBeepCheck)->setChecked(m_rule.beep != 0);
    ControlById<QLineEdit>(this, kWaveEdit)->setEnabled(m_rule.beep == 0);
}

bool CActDlg::TakeKey() {
    if (IsEnterpriseMode()) {
        const std::string suffix = ToCp932(ControlById<QLineEdit>(this, kEnterpriseEdit)->text());
        if (suffix.empty()) return Refuse(m_boxes, "EnterPriseを入力してください。");
        if (suffix.size() > kKeyLimit)
            return Refuse(m_boxes, "EnterPriseのデータサイズが不正です。(36Byteまで)");
        if (HasCommaBeforeLineFeed(suffix)) return Refuse(m_boxes, kCommaMessage);
        SetFixedText(m_rule.enterprise, std::string(kEnterpriseOid) + suffix);
        m_rule.genericTrap = ControlById<QComboBox>(this, kGenericCombo)->currentIndex();
        m_rule.specificTrap = UnsignedOrZero(ControlById<QLineEdit>(this, kSpecificEdit)->text());
        m_rule.kind = Enterprise;
    } else if (IsIpMode()) {
        const auto from = AddressOfEdit(ControlById<QLineEdit>(this, kStartAddress));
        const auto to = AddressOfEdit(ControlById<QLineEdit>(this, kEndAddress));
        if (AddressValue(from) > AddressValue(to))
            return Refuse(m_boxes, "アドレス範囲が不正です。");
        m_rule.ipFrom = from;
        m_rule.ipTo = to;
        m_rule.kind = IpRange;
    } else if (IsUserMode()) {
        const std::string name = ToCp932(ControlById<QComboBox>(this, kUserCombo)->currentText());
        if (name.empty()) return Refuse(m_boxes, "ユーザ名を入力してください。");
        if (name.size() > kKeyLimit) return Refuse(m_boxes, "ユーザ名が不正です。（0～36文字）");
        if (HasCommaBeforeLineFeed(name))
            return Refuse(m_boxes, "ユーザ名に , を使用することはできません。");
        SetFixedText(m_rule.userName, name);
        m_rule.kind = User;
    } else {
        m_rule.kind = AllTraps;
    }
    return true;
}

bool CActDlg::TakeActions() {
    struct ActionText {
        int id;
        std::span<char> field;
        const char* tooLong;
    };
    const char* pathTooLong = "ファイルパスのデータサイズが不正です。(128Byteまで)";
    const std::array<ActionText, 4> texts = {{
        {kPopupEdit, m_rule.popupMessage, "メッセージのデータサイズが不正です。(128Byteまで)"},
        {kProgramEdit, m_rule.programLine, pathTooLong},
        {kWaveEdit, m_rule.waveFile, pathTooLong},
        {kMailEdit, m_rule.mailMessage, "メールメッセージのデータサイズが不正です。(128Byteまで)"},
    }};
    for (const ActionText& text : texts) {
        if (text.id == kMailEdit)
            m_rule.beep = ControlById<QCheckBox>(this, kBeepCheck)->isChecked() ? 1 : 0;
        const std::string value = ToCp932(ControlById<QLineEdit>(this, text.id)->text());
        if (value.size() > kActionLimit) return Refuse(m_boxes, text.tooLong);
        if (HasCommaBeforeLineFeed(value)) return Refuse(m_boxes, kCommaMessage);
        std::fill(text.field.begin(), text.field.end(), '\0');
        std::copy(value.begin(), value.end(), text.field.begin());
    }
    return true;
}

void CActDlg::OnOK() {
    m_rule = RuleRecord{};
    if (!TakeKey() || !TakeActions()) return;

    switch (m_rules.Put(m_rule)) {
    case RuleStore::kPutAppended:
        if (IsAddMode() && m_pPage) m_pPage->AppendRuleRow(m_rule);
        break;
    case RuleStore::kPutReplaced: break;
    case RuleStore::kPutTooLong: return ShowStopMessage(m_boxes, RuleStore::kTooLongMessage);
    case RuleStore::kPutBadText: return ShowStopMessage(m_boxes, RuleStore::kBadTextMessage);
    default:
        // The rule file could not be read or saved and the store has posted why; the
        // dialog stays open with what was typed, so nothing is lost.
        return;
    }
    accept();
}

void CActDlg::OnHelp() { ShowHelpDocument(m_boxes, QStringLiteral("context-22"), this); }
