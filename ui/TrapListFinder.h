#pragma once
// The search bar above the trap list and the sort by a click on a header: a text found in
// any column (applied a moment after typing stops), a choice of event and version, and a
// column sorted ascending, descending, then back to arrival order.

#include <QTimer>
#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class TrapListFilter;
class TrapListModel;
class TrapListScan;

class CTrapListFinder : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 28;
    static constexpr int kTypingPauseMs = 250;

    // onViewModelChanged runs after the list's view changed its model (and selection model).
    CTrapListFinder(QTableView* list, TrapListModel* rows, std::function<void()> onViewModelChanged,
                    QWidget* parent = nullptr);

    // The list model's row behind a row of the view; -1 for none.
    int SourceRow(int viewRow) const;
    int ShownRowCount() const;
    // Applies the search box and the choices without the typing pause: at once for a list
    // of up to TrapListScan::kSliceRows rows, else once the scan is done.
    void ApplySearch();
    bool Searching() const;
    // The header click: ascending, descending, then arrival order.
    void OnHeaderClicked(int column);
    // The count of shown rows after rows came or went.
    void UpdateCount();

    QLineEdit* TextBox() const { return m_text; }
    QComboBox* EventChoice() const { return m_event; }
    QComboBox* VersionChoice() const { return m_version; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool Active() const;
    void ShowModel();

    QTableView* m_list;
    TrapListModel* m_rows;
    TrapListFilter* m_filter;
    TrapListScan* m_scan;
    std::function<void()> m_onViewModelChanged;
    QLineEdit* m_text;
    QComboBox* m_event;
    QComboBox* m_version;
    QLabel* m_count;
    QTimer m_typing;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
