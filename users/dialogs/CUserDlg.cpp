#include "users/dialogs/CUserDlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <span>

#include "platform/qt/FieldWidth.h"
#include "platform/qt/ReportListCtrl.h"
#include "users/UserEntryCheck.h"
#include "users/UserProtocols.h"
#include "users/dialogs/CUserListDlg.h"

namespace {

QComboBox* NewProtocolCombo(int id, std::span<const std::string_view> names) {
    auto* combo = WithId(new QComboBox, id);
    for (std::string_view name : names) combo->addItem(QString::fromUtf8(name.data(), name.size()));
    combo->setCurrentIndex(0);
    return combo;
}

// A code this build does not know leaves the list without a selection; its text is shown
// but not offered, so only a deliberate pick replaces it.
void SelectProtocol(QComboBox* combo, std::span<const std::string_view> names,
                    const std::string& text) {
    combo->setCurrentIndex(ProtocolNumber(names, text));
    if (combo->currentIndex() < 0) combo->setPlaceholderText(FromCp932(text));
}

QLineEdit* NewPasswordEdit(int id) {
    auto* edit = WithId(new QLineEdit, id);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

}  // namespace

CUserDlg::CUserDlg(CReportListCtrl* list, bool editMode, MessageBoxPort& boxes, QWidget* parent)
    : CBaseDlg(parent), m_pList(list), m_bEdit(editMode), m_boxes(boxes) {
    WithId(this, 169);
    setWindowTitle(QStringLiteral("Olix Trap Receiver: User"));
    auto* name = WithId(new QLineEdit, kNameEdit);
    auto* engineId = WithId(new QLineEdit, kEngineIdEdit);
    // Room for the longest ID, 32 octets, in one of the wider hex digits.
    FitEditTo(engineId, QString(64, QLatin1Char('D')));
    auto* auth = NewProtocolCombo(kAuthCombo, kAuthProtocolNames);
    auto* priv = NewProtocolCombo(kPrivCombo, kPrivProtocolNames);
    auto* authPassword = NewPasswordEdit(kAuthPasswordEdit);
    auto* privPassword = NewPasswordEdit(kPrivPasswordEdit);

    auto* group = new QGroupBox(QStringLiteral("ユーザ名、パスワードを入力してください"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("ユーザ名")), 0, 0);
    grid->addWidget(name, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Engine ID (16進)")), 1, 0);
    grid->addWidget(new QLabel(QStringLiteral("0x")), 1, 1);
    grid->addWidget(engineId, 1, 2);
    // An entry without an engine ID serves every device: keys follow each message's engine.
    grid->addWidget(new QLabel(QStringLiteral("空欄：全機器共通（鍵は送信元の Engine ID で生成）")),
                    1, 3);
    auto* authGroup = new QGroupBox(QStringLiteral("認証"));
    auto* authGrid = new QGridLayout(authGroup);
    authGrid->addWidget(new QLabel(QStringLiteral("認証アルゴリズム")), 0, 0);
    authGrid->addWidget(auth, 0, 1);
    authGrid->addWidget(new QLabel(QStringLiteral("パスワード")), 1, 0);
    authGrid->addWidget(authPassword, 1, 1);
    auto* privGroup = new QGroupBox(QStringLiteral("暗号"));
    auto* privGrid = new QGridLayout(privGroup);
    privGrid->addWidget(new QLabel(QStringLiteral("暗号アルゴリズム")), 0, 0);
    privGrid->addWidget(priv, 0, 1);
    privGrid->addWidget(new QLabel(QStringLiteral("パスワード")), 1, 0);
    privGrid->addWidget(privPassword, 1, 1);
    grid->addWidget(authGroup, 2, 0, 1, 3);
    grid->addWidget(privGroup, 3, 0, 1, 3);

    QHBoxLayout* buttons = MakeOkCancelRow(QStringLiteral("OK"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);

    const int row = m_bEdit ? m_pList->FirstSelectedRow() : -1;
    if (row >= 0) {
        name->setText(FromCp932(m_pList->CellText(row, CUserListDlg::kNameColumn)));
        authPassword->setText(FromCp932(m_pList->CellText(row, CUserListDlg::kAuthPasswordColumn)));
        privPassword->setText(FromCp932(m_pList->CellText(row, CUserListDlg::kPrivPasswordColumn)));
        const std::string engine = m_pList->CellText(row, CUserListDlg::kEngineIdColumn);
        engineId->setText(FromCp932(engine.size() > 2 ? engine.substr(2) : std::string()));
        engineId->home(false);  // a long ID shows its first digits, not its last
        SelectProtocol(auth, kAuthProtocolNames, m_pList->CellText(row, CUserListDlg::kAuthColumn));
        SelectProtocol(priv, kPrivProtocolNames, m_pList->CellText(row, CUserListDlg::kPrivColumn));
    }
    InstallKeyHandling();
}

void CUserDlg::OnOK() {
    const std::string name = ToCp932(ControlById<QLineEdit>(this, kNameEdit)->text());
    const std::string engineId = ToCp932(ControlById<QLineEdit>(this, kEngineIdEdit)->text());
    const std::string authPassword =
        ToCp932(ControlById<QLineEdit>(this, kAuthPasswordEdit)->text());
    const std::string privPassword =
        ToCp932(ControlById<QLineEdit>(this, kPrivPasswordEdit)->text());
    if (const char* problem = UserEntryProblem(name, engineId, authPassword, privPassword))
        return ShowStopMessage(m_boxes, problem);
    // A protocol list without a selection (an unknown code, in edit mode only) keeps the row's
    // text.
    const int auth = ControlById<QComboBox>(this, kAuthCombo)->currentIndex();
    const int priv = ControlById<QComboBox>(this, kPrivCombo)->currentIndex();

    int row = m_bEdit ? m_pList->FirstSelectedRow() : -1;
    if (row < 0) {
        row = m_pList->RowCount();
        m_pList->InsertRow(row, name, 0);
    } else {
        m_pList->SetCell(row, CUserListDlg::kNameColumn, name);
    }
    m_pList->SetCell(row, CUserListDlg::kMaskColumn, "*******");
    m_pList->SetCell(row, CUserListDlg::kEngineIdColumn,
                     engineId.empty() ? std::string() : "0x" + engineId);
    if (auth >= 0) m_pList->SetCell(row, CUserListDlg::kAuthColumn, kAuthProtocolNames[auth]);
    if (priv >= 0) m_pList->SetCell(row, CUserListDlg::kPrivColumn, kPrivProtocolNames[priv]);
    m_pList->SetCell(row, CUserListDlg::kAuthPasswordColumn, authPassword);
    m_pList->SetCell(row, CUserListDlg::kPrivPasswordColumn, privPassword);
    accept();
}
