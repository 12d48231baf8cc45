#pragma once
// The trap detail view (top-right pane): the selected trap list row field by field, grouped
// under section rows, with its variable bindings one per row.

#include <QIcon>
#include <QWidget>
#include <array>

class CEventView;
class MibService;
class QTextBrowser;
class QTreeWidget;

class CDataView : public QWidget {
    Q_OBJECT
public:
    // Icons of the section and special rows.
    enum Icon { kNodeIcon = 0, kSnmpIcon = 1, kAuthIcon = 2, kBindingsIcon = 3, kNoIcon = -1 };

    // Shows rows of list, with names from mib.
    CDataView(const CEventView& list, const MibService& mib, QWidget* parent = nullptr);

    // Fills the detail list from the first selected row of the trap list.
    void ShowSelectedTrap();
    void DeleteAllRows();

    QTreeWidget* List() const { return m_list; }
    // The notification's name and DESCRIPTION under the list; hidden when none is known.
    QTextBrowser* Description() const { return m_description; }
    // The icon index a row shows (kNoIcon for none), for tests.
    int RowIcon(int row) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddRow(const QString& label, const QString& value, int icon = kNoIcon,
                const QString& name = {});
    void LayOut();
    // Widths of the value and name columns from their content and the list's width.
    void FitColumns();

    const CEventView& m_trapList;
    const MibService& m_mib;
    std::array<QIcon, 4> m_icons;
    QTreeWidget* m_list;
    QTextBrowser* m_description;
    int m_labelWidth = 0;  // the labels' column: the longest label with its icon
};
