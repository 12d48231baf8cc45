#include "rules/dialogs/CFilPageDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "platform/FixedText.h"
#include "platform/qt/QtText.h"
#include "rules/RuleStore.h"
#include "rules/RuleText.h"
#include "rules/dialogs/CActDlg.h"

CFilPageDlg::CFilPageDlg(Shape shape, RuleStore& rules, const UserStore& users,
                         MessageBoxPort& boxes, QWidget* parent)
    : QWidget(parent), m_rules(rules), m_users(users), m_boxes(boxes), m_shape(std::move(shape)) {
    WithId(this, m_shape.resourceId);
    m_list = WithId(new CReportListCtrl(m_shape.columns, false), kList);
    auto* add = WithId(new QPushButton(QStringLiteral("追加")), kAddButton);
    auto* remove = WithId(new QPushButton(QStringLiteral("削除")), kDeleteButton);
    auto* edit = WithId(new QPushButton(QStringLiteral("編集")), kEditButton);
    connect(add, &QPushButton::clicked, this, &CFilPageDlg::OnAdd);
    connect(edit, &QPushButton::clicked, this, &CFilPageDlg::OnEdit);
    connect(remove, &QPushButton::clicked, this, &CFilPageDlg::OnDelete);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, [this] {
        if (m_list->FirstSelectedRow() >= 0) OnEdit();
    });

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addWidget(edit);
    buttons->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromUtf8(m_shape.caption)));
    layout->addLayout(body);
    layout->addWidget(new QLabel(QString::fromUtf8(m_shape.note)));

    m_rules.FillList(*m_list, m_shape.kind);
}

RuleRecord CFilPageDlg::KeyOfRow(int row) const {
    RuleRecord key{};
    key.kind = m_shape.kind;
    switch (m_shape.kind) {
    case IpRange:
        key.ipFrom = ParseDottedAddress(m_list->CellText(row, 0));
        key.ipTo = ParseDottedAddress(m_list->CellText(row, 1));
        break;
    case Enterprise:
        SetFixedText(key.enterprise, m_list->CellText(row, 0));
        key.genericTrap = ParseGenericText(m_list->CellText(row, 1));
        key.specificTrap = std::atoi(m_list->CellText(row, 2).c_str());
        break;
    case User: SetFixedText(key.userName, m_list->CellText(row, 0)); break;
    default: break;
    }
    return key;
}

void CFilPageDlg::AppendRuleRow(const RuleRecord& rule) {
    const int row = m_list->RowCount();
    switch (m_shape.kind) {
    case IpRange:
        m_list->InsertRow(row, FormatDottedAddress(rule.ipFrom), 0);
        m_list->SetCell(row, 1, FormatDottedAddress(rule.ipTo));
        break;
    case Enterprise:
        m_list->InsertRow(row, FixedTextView(rule.enterprise), 0);
        m_list->SetCell(row, 1, FormatGenericText(rule.genericTrap));
        m_list->SetCell(row, 2, std::to_string(rule.specificTrap));
        break;
    case User: m_list->InsertRow(row, FixedTextView(rule.userName), 0); break;
    default: break;
    }
}

void CFilPageDlg::OpenActionDialog(int mode) {
    CActDlg dialog(m_rules, m_users, m_boxes, this);
    dialog.SetMode(this, mode);
    RunModal(dialog);
}

void CFilPageDlg::OnAdd() { OpenActionDialog(m_shape.addMode); }

void CFilPageDlg::OnEdit() {
    if (m_list->FirstSelectedRow() < 0) return ShowStopMessage(m_boxes, m_shape.noSelectionToEdit);
    OpenActionDialog(m_shape.editMode);
}

void CFilPageDlg::OnDelete() {
    const int row = m_list->FirstSelectedRow();
    if (row < 0) return ShowStopMessage(m_boxes, "削除するイベントを選択してください。");
    if (!AskOkCancel(m_boxes, "選択されているイベントを削除します。よろしいですか？")) return;
    // Only the selected row leaves the list, though the store may drop further lines of
    // the same identity (an "Any" rule of the same enterprise). A rule file that could not
    // be rewritten keeps the rule, and so the list keeps its row.
    if (m_rules.Remove(KeyOfRow(row)) == 0) m_list->RemoveRows({row});
}
