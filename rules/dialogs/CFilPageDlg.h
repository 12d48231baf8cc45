#pragma once
// One page of the reception filter dialog: the filter entries of one rule kind in a list
// with add, edit and delete. The three pages differ only in their shape. The rules are
// those of the store given; its users are the names the action dialog offers.

#include <QWidget>
#include <vector>

#include "platform/qt/ReportListCtrl.h"
#include "rules/RuleRecord.h"

class MessageBoxPort;
class RuleStore;
class UserStore;

class CFilPageDlg : public QWidget {
    Q_OBJECT
public:
    // Control ids.
    enum : int { kAddButton = 1071, kEditButton = 1072, kDeleteButton = 1073, kList = 1074 };

    CReportListCtrl* List() const { return m_list; }
    RuleKind Kind() const { return m_shape.kind; }

    // The identifying key of the rule that a row shows (kind and key fields only).
    RuleRecord KeyOfRow(int row) const;
    // Appends the row of a rule that was added to the store.
    void AppendRuleRow(const RuleRecord& rule);

    void OnAdd();
    void OnEdit();
    void OnDelete();

protected:
    struct Shape {
        int resourceId;
        RuleKind kind;
        const char* caption;
        const char* note;
        std::vector<CReportListCtrl::Column> columns;
        int addMode;  // modes of the action dialog
        int editMode;
        const char* noSelectionToEdit;
    };

    CFilPageDlg(Shape shape, RuleStore& rules, const UserStore& users, MessageBoxPort& boxes,
                QWidget* parent);

private:
    void OpenActionDialog(int mode);

    RuleStore& m_rules;
    const UserStore& m_users;
    MessageBoxPort& m_boxes;
    Shape m_shape;
    CReportListCtrl* m_list;
};
