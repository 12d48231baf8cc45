#include "alarms/dialogs/AlarmRulesDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "alarms/AlarmEngine.h"
#include "platform/Encoding.h"
#include "platform/MessageBox.h"
#include "platform/qt/QtText.h"

namespace {

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), text.size()); }

QString Patterns(const std::vector<OidPattern>& patterns) {
    QStringList items;
    for (const OidPattern& pattern : patterns)
        items << Utf8(pattern.prefix ? pattern.oid + ".*" : pattern.oid);
    return items.join(' ');
}

QString Oids(const std::vector<std::string>& oids) {
    QStringList items;
    for (const std::string& oid : oids) items << Utf8(oid);
    return items.join(' ');
}

QString Address(uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

QString DurationText(int64_t seconds) {
    if (seconds <= 0) return {};
    if (seconds % 86400 == 0) return QStringLiteral("%1d").arg(seconds / 86400);
    if (seconds % 3600 == 0) return QStringLiteral("%1h").arg(seconds / 3600);
    if (seconds % 60 == 0) return QStringLiteral("%1m").arg(seconds / 60);
    return QStringLiteral("%1s").arg(seconds);
}

// Reads one field through the rules file's own reader: each item becomes a line "key item"
// of a rule of its own, so the dialog accepts exactly what the file does. The reader's
// complaint is kept without its line number, which means nothing in the dialog.
bool ReadField(const char* key, const QStringList& items, const char* label, AlarmRule& into,
               std::string& error) {
    if (items.isEmpty()) return true;
    std::string text = "rule field\n";
    for (const QString& item : items)
        text += std::string("  ") + key + ' ' + item.toStdString() + '\n';
    AlarmRulesParse parse = ParseAlarmRules(text);
    if (!parse.error.empty()) {
        const auto colon = parse.error.find(": ");
        error = std::string("「") + label +
                "」: " + (colon == std::string::npos ? parse.error : parse.error.substr(colon + 2));
        return false;
    }
    const AlarmRule& read = parse.rules.front();
    if (std::string_view(key) == "trap") into.traps = read.traps;
    if (std::string_view(key) == "enterprise") into.enterprises = read.enterprises;
    if (std::string_view(key) == "source") {
        into.anySource = read.anySource;
        into.sourceFirst = read.sourceFirst;
        into.sourceLast = read.sourceLast;
    }
    if (std::string_view(key) == "binding") into.bindings = read.bindings;
    if (std::string_view(key) == "instance") into.instance = read.instance;
    if (std::string_view(key) == "clears") into.clears = read.clears;
    if (std::string_view(key) == "clear-after") into.clearAfterSeconds = read.clearAfterSeconds;
    return true;
}

QStringList Words(const QString& text) { return text.split(' ', Qt::SkipEmptyParts); }

QStringList Lines(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split('\n'))
        if (!line.trimmed().isEmpty()) lines << line.trimmed();
    return lines;
}

QLineEdit* NewLine(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

}  // namespace

AlarmRuleDraft DraftOf(const AlarmRule& rule) {
    AlarmRuleDraft draft;
    draft.comment = Utf8(rule.comment);
    draft.name = Utf8(rule.name);
    draft.traps = Patterns(rule.traps);
    draft.enterprises = Patterns(rule.enterprises);
    if (!rule.anySource)
        draft.source = rule.sourceFirst == rule.sourceLast
                           ? Address(rule.sourceFirst)
                           : Address(rule.sourceFirst) + '-' + Address(rule.sourceLast);
    QStringList bindings;
    for (const BindingCondition& binding : rule.bindings)
        bindings << Utf8(binding.oid + ' ' + binding.value);
    draft.bindings = bindings.join('\n');
    draft.severity = static_cast<int>(rule.severity);
    draft.raises = rule.raises;
    draft.instance = Oids(rule.instance);
    draft.clears = Oids(rule.clears);
    draft.clearAfter = DurationText(rule.clearAfterSeconds);
    draft.message = Utf8(rule.message);
    draft.popup = Utf8(rule.popup);
    draft.program = Utf8(rule.program);
    draft.sound = Utf8(rule.sound);
    draft.mail = Utf8(rule.mail);
    draft.actOnRaise = rule.actOnRaise;
    draft.actOnRise = rule.actOnRise;
    draft.actOnClear = rule.actOnClear;
    return draft;
}

AlarmRuleRead ReadDraft(const AlarmRuleDraft& draft) {
    AlarmRuleRead read;
    AlarmRule& rule = read.rule;
    rule.name = draft.name.trimmed().toStdString();
    if (rule.name.empty()) {
        read.error = "「名前」がありません";
        return read;
    }
    rule.comment = draft.comment.trimmed().toStdString();
    rule.severity = static_cast<AlarmSeverity>(draft.severity);
    rule.raises = draft.raises;
    rule.message = draft.message.trimmed().toStdString();
    rule.popup = draft.popup.trimmed().toStdString();
    rule.program = draft.program.trimmed().toStdString();
    rule.sound = draft.sound.trimmed().toStdString();
    rule.mail = draft.mail.trimmed().toStdString();
    rule.actOnRaise = draft.actOnRaise;
    rule.actOnRise = draft.actOnRise;
    rule.actOnClear = draft.actOnClear;
    const QString clearAfter = draft.clearAfter.trimmed();
    if (!ReadField("trap", Words(draft.traps), "トラップ", rule, read.error) ||
        !ReadField("enterprise", Words(draft.enterprises), "エンタープライズ", rule, read.error) ||
        !ReadField("source", Lines(draft.source), "送信元", rule, read.error) ||
        !ReadField("binding", Lines(draft.bindings), "バインディング", rule, read.error) ||
        !ReadField("instance", Words(draft.instance), "インスタンス", rule, read.error) ||
        !ReadField("clears", Words(draft.clears), "解除するトラップ", rule, read.error) ||
        !ReadField("clear-after", clearAfter.isEmpty() ? QStringList() : QStringList{clearAfter},
                   "自動解除", rule, read.error))
        return read;
    return read;
}

CAlarmRulesDlg::CAlarmRulesDlg(const AlarmEngine& engine, std::string path,
                               std::function<std::string()> reload, MessageBoxPort& boxes,
                               QWidget* parent)
    : QDialog(parent), m_path(std::move(path)), m_reload(std::move(reload)), m_boxes(boxes) {
    setObjectName(QStringLiteral("alarmRulesDlg"));
    setWindowTitle(QStringLiteral("アラーム ルール"));
    resize(860, 560);

    AlarmRulesParse file = LoadAlarmRulesFile(m_path);
    if (!file.error.empty()) {
        // The file as it stands cannot be shown: the rules in force are, and saving
        // replaces the damaged file with them and what the user changes.
        ShowMessageBox(m_boxes, Utf8ToCp932(file.error + "\n読み込み済みの規則を表示します。"),
                       MessageIcon::Warning);
        file.rules = *engine.Rules();
    }
    for (const AlarmRule& rule : file.rules) m_drafts.push_back(DraftOf(rule));

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("alarmRuleList"));
    auto* add = new QPushButton(QStringLiteral("追加"), this);
    add->setObjectName(QStringLiteral("alarmRuleAdd"));
    auto* remove = new QPushButton(QStringLiteral("削除"), this);
    remove->setObjectName(QStringLiteral("alarmRuleDelete"));
    auto* up = new QPushButton(QStringLiteral("上へ"), this);
    up->setObjectName(QStringLiteral("alarmRuleUp"));
    auto* down = new QPushButton(QStringLiteral("下へ"), this);
    down->setObjectName(QStringLiteral("alarmRuleDown"));
    for (QPushButton* button : {add, remove, up, down}) button->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &CAlarmRulesDlg::OnAdd);
    connect(remove, &QPushButton::clicked, this, &CAlarmRulesDlg::OnDelete);
    connect(up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(down, &QPushButton::clicked, this, [this] { OnMove(1); });
    auto* listButtons = new QHBoxLayout;
    for (QPushButton* button : {add, remove, up, down}) listButtons->addWidget(button);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("規則 (上から順に照合)"), this));
    left->addWidget(m_list, 1);
    left->addLayout(listButtons);

    m_name = NewLine(this, "alarmRuleName");
    m_comment = new QPlainTextEdit(this);
    m_comment->setObjectName(QStringLiteral("alarmRuleComment"));
    m_comment->setPlaceholderText(QStringLiteral("ファイルで規則の上に # で書かれる説明"));
    m_comment->setFixedHeight(m_comment->fontMetrics().height() * 3 + 12);
    m_traps = NewLine(this, "alarmRuleTraps");
    m_traps->setPlaceholderText(QStringLiteral("OID または OID.* (空白区切り、空: すべて)"));
    m_enterprises = NewLine(this, "alarmRuleEnterprises");
    m_enterprises->setPlaceholderText(QStringLiteral("OID または OID.* (空白区切り)"));
    m_source = NewLine(this, "alarmRuleSource");
    m_source->setPlaceholderText(
        QStringLiteral("アドレス, 先頭-末尾, アドレス/ビット数 (空: すべて)"));
    m_bindings = new QPlainTextEdit(this);
    m_bindings->setObjectName(QStringLiteral("alarmRuleBindings"));
    m_bindings->setPlaceholderText(QStringLiteral("1 行に 1 つ: OID 値"));
    m_bindings->setFixedHeight(m_bindings->fontMetrics().height() * 4 + 12);
    m_severity = new QComboBox(this);
    m_severity->setObjectName(QStringLiteral("alarmRuleSeverity"));
    for (const AlarmSeverityInfo& info : kAlarmSeverities)
        m_severity->addItem(
            QStringLiteral("%1 (%2)").arg(QString::fromUtf8(info.label.data(), info.label.size()),
                                          QString::fromLatin1(info.name.data(), info.name.size())),
            static_cast<int>(info.severity));
    m_raises = new QCheckBox(QStringLiteral("アラームを発生させる"), this);
    m_raises->setObjectName(QStringLiteral("alarmRuleRaises"));
    m_instance = NewLine(this, "alarmRuleInstance");
    m_instance->setPlaceholderText(QStringLiteral("アラームを分けるバインディングの OID"));
    m_clears = NewLine(this, "alarmRuleClears");
    m_clears->setPlaceholderText(QStringLiteral("このトラップが解除するトラップの OID"));
    m_clearAfter = NewLine(this, "alarmRuleClearAfter");
    m_clearAfter->setPlaceholderText(QStringLiteral("300s, 5m, 2h, 1d (空: しない)"));
    m_message = NewLine(this, "alarmRuleMessage");
    m_message->setPlaceholderText(
        QStringLiteral("$source $trap $1 $ifDescr $$ (空: トラップの 1 行メッセージ)"));
    m_popup = NewLine(this, "alarmRulePopup");
    m_popup->setPlaceholderText(
        QStringLiteral("ポップアップの文 (%A などトラップ受信設定と同じ置換)"));
    m_program = NewLine(this, "alarmRuleProgram");
    m_program->setPlaceholderText(QStringLiteral("プログラムと引数"));
    m_sound = NewLine(this, "alarmRuleSound");
    m_sound->setPlaceholderText(QStringLiteral("beep または WAVE ファイル"));
    m_mail = NewLine(this, "alarmRuleMail");
    m_mail->setPlaceholderText(QStringLiteral("メールの本文"));
    m_onRaise = new QCheckBox(QStringLiteral("発生"), this);
    m_onRaise->setObjectName(QStringLiteral("alarmRuleOnRaise"));
    m_onRise = new QCheckBox(QStringLiteral("重要度上昇"), this);
    m_onRise->setObjectName(QStringLiteral("alarmRuleOnRise"));
    m_onClear = new QCheckBox(QStringLiteral("解除"), this);
    m_onClear->setObjectName(QStringLiteral("alarmRuleOnClear"));
    auto* when = new QHBoxLayout;
    for (QCheckBox* box : {m_onRaise, m_onRise, m_onClear}) when->addWidget(box);
    when->addStretch(1);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("名前:"), m_name);
    form->addRow(QStringLiteral("説明:"), m_comment);
    form->addRow(QStringLiteral("トラップ:"), m_traps);
    form->addRow(QStringLiteral("エンタープライズ:"), m_enterprises);
    form->addRow(QStringLiteral("送信元:"), m_source);
    form->addRow(QStringLiteral("バインディング:"), m_bindings);
    form->addRow(QStringLiteral("重要度:"), m_severity);
    form->addRow(QString(), m_raises);
    form->addRow(QStringLiteral("インスタンス:"), m_instance);
    form->addRow(QStringLiteral("解除するトラップ:"), m_clears);
    form->addRow(QStringLiteral("自動解除:"), m_clearAfter);
    form->addRow(QStringLiteral("メッセージ:"), m_message);
    form->addRow(QStringLiteral("ポップアップ:"), m_popup);
    form->addRow(QStringLiteral("プログラム:"), m_program);
    form->addRow(QStringLiteral("サウンド:"), m_sound);
    form->addRow(QStringLiteral("メール:"), m_mail);
    form->addRow(QStringLiteral("動作の時:"), when);

    auto* columns = new QHBoxLayout;
    columns->addLayout(left, 2);
    columns->addLayout(form, 3);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CAlarmRulesDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addWidget(new QLabel(QString::fromStdString(m_path), this));
    layout->addWidget(buttons);

    // Every edit goes into the draft the form shows.
    for (QLineEdit* edit : {m_name, m_traps, m_enterprises, m_source, m_instance, m_clears,
                            m_clearAfter, m_message, m_popup, m_program, m_sound, m_mail})
        connect(edit, &QLineEdit::textEdited, this, &CAlarmRulesDlg::TakeForm);
    connect(m_bindings, &QPlainTextEdit::textChanged, this, &CAlarmRulesDlg::TakeForm);
    connect(m_comment, &QPlainTextEdit::textChanged, this, &CAlarmRulesDlg::TakeForm);
    connect(m_severity, &QComboBox::currentIndexChanged, this, &CAlarmRulesDlg::TakeForm);
    for (QCheckBox* box : {m_raises, m_onRaise, m_onRise, m_onClear})
        connect(box, &QCheckBox::toggled, this, &CAlarmRulesDlg::TakeForm);
    connect(m_list, &QListWidget::currentRowChanged, this, &CAlarmRulesDlg::ShowDraft);

    ShowNames();
    m_list->setCurrentRow(m_drafts.empty() ? -1 : 0);
    ShowDraft(m_list->currentRow());
}

void CAlarmRulesDlg::ShowNames() {
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const AlarmRuleDraft& draft : m_drafts) m_list->addItem(draft.name);
    if (m_shown >= 0 && m_shown < m_list->count()) m_list->setCurrentRow(m_shown);
}

void CAlarmRulesDlg::ShowDraft(int row) {
    m_shown = row;
    const bool any = row >= 0 && row < static_cast<int>(m_drafts.size());
    const AlarmRuleDraft draft = any ? m_drafts[static_cast<std::size_t>(row)] : AlarmRuleDraft{};
    m_filling = true;
    m_name->setText(draft.name);
    m_comment->setPlainText(draft.comment);
    m_traps->setText(draft.traps);
    m_enterprises->setText(draft.enterprises);
    m_source->setText(draft.source);
    m_bindings->setPlainText(draft.bindings);
    m_severity->setCurrentIndex(m_severity->findData(draft.severity));
    m_raises->setChecked(draft.raises);
    m_instance->setText(draft.instance);
    m_clears->setText(draft.clears);
    m_clearAfter->setText(draft.clearAfter);
    m_message->setText(draft.message);
    m_popup->setText(draft.popup);
    m_program->setText(draft.program);
    m_sound->setText(draft.sound);
    m_mail->setText(draft.mail);
    m_onRaise->setChecked(draft.actOnRaise);
    m_onRise->setChecked(draft.actOnRise);
    m_onClear->setChecked(draft.actOnClear);
    m_filling = false;
    for (QWidget* field : std::initializer_list<QWidget*>{
             m_name, m_comment, m_traps, m_enterprises, m_source, m_bindings, m_severity, m_raises,
             m_instance, m_clears, m_clearAfter, m_message})
        field->setEnabled(any);
}

void CAlarmRulesDlg::TakeForm() {
    if (m_filling || m_shown < 0 || m_shown >= static_cast<int>(m_drafts.size())) return;
    AlarmRuleDraft& draft = m_drafts[static_cast<std::size_t>(m_shown)];
    draft.name = m_name->text();
    draft.comment = m_comment->toPlainText();
    draft.traps = m_traps->text();
    draft.enterprises = m_enterprises->text();
    draft.source = m_source->text();
    draft.bindings = m_bindings->toPlainText();
    draft.severity = m_severity->currentData().toInt();
    draft.raises = m_raises->isChecked();
    draft.instance = m_instance->text();
    draft.clears = m_clears->text();
    draft.clearAfter = m_clearAfter->text();
    draft.message = m_message->text();
    draft.popup = m_popup->text();
    draft.program = m_program->text();
    draft.sound = m_sound->text();
    draft.mail = m_mail->text();
    draft.actOnRaise = m_onRaise->isChecked();
    draft.actOnRise = m_onRise->isChecked();
    draft.actOnClear = m_onClear->isChecked();
    if (QListWidgetItem* item = m_list->item(m_shown); item && item->text() != draft.name)
        item->setText(draft.name);
}

void CAlarmRulesDlg::AddRule(const AlarmRule& rule) {
    m_drafts.push_back(DraftOf(rule));
    m_shown = static_cast<int>(m_drafts.size()) - 1;
    ShowNames();
    m_list->setCurrentRow(m_shown);
    ShowDraft(m_shown);
}

void CAlarmRulesDlg::OnAdd() {
    // A new name that no rule has yet.
    QString name;
    for (int number = static_cast<int>(m_drafts.size()) + 1;; ++number) {
        name = QStringLiteral("rule-%1").arg(number);
        if (std::none_of(m_drafts.begin(), m_drafts.end(),
                         [&](const AlarmRuleDraft& draft) { return draft.name == name; }))
            break;
    }
    AlarmRule rule;
    rule.name = name.toStdString();
    AddRule(rule);
    m_name->setFocus();
    m_name->selectAll();
}

void CAlarmRulesDlg::OnDelete() {
    if (m_shown < 0 || m_shown >= static_cast<int>(m_drafts.size())) return;
    m_drafts.erase(m_drafts.begin() + m_shown);
    m_shown = std::min(m_shown, static_cast<int>(m_drafts.size()) - 1);
    ShowNames();
    ShowDraft(m_shown);
}

void CAlarmRulesDlg::OnMove(int step) {
    const int to = m_shown + step;
    if (m_shown < 0 || to < 0 || to >= static_cast<int>(m_drafts.size())) return;
    std::swap(m_drafts[static_cast<std::size_t>(m_shown)], m_drafts[static_cast<std::size_t>(to)]);
    m_shown = to;
    ShowNames();
    ShowDraft(m_shown);
}

void CAlarmRulesDlg::accept() {
    AlarmRuleList rules;
    for (std::size_t at = 0; at < m_drafts.size(); ++at) {
        AlarmRuleRead read = ReadDraft(m_drafts[at]);
        if (read.error.empty())
            for (const AlarmRule& earlier : rules)
                if (earlier.name == read.rule.name) read.error = "「名前」が重複しています";
        if (!read.error.empty()) {
            m_list->setCurrentRow(static_cast<int>(at));
            ShowMessageBox(m_boxes,
                           Utf8ToCp932("規則 " + std::to_string(at + 1) + " (" +
                                       m_drafts[at].name.toStdString() + ") の" + read.error),
                           MessageIcon::Warning);
            return;
        }
        rules.push_back(std::move(read.rule));
    }
    if (const std::string error = SaveAlarmRulesFile(m_path, rules); !error.empty()) {
        ShowMessageBox(m_boxes, Utf8ToCp932(error), MessageIcon::Warning);
        return;
    }
    // A reload that fails has shown its own box; the file is written all the same.
    if (m_reload) static_cast<void>(m_reload());
    QDialog::accept();
}

void OpenAlarmRulesDialog(const AlarmEngine& engine, const std::string& path,
                          std::function<std::string()> reload, MessageBoxPort& boxes,
                          QWidget* parent, const AlarmRule* start) {
    CAlarmRulesDlg dialog(engine, path, std::move(reload), boxes, parent);
    if (start) dialog.AddRule(*start);
    RunModal(dialog);
}
