#pragma once
// The search bar above the trap list and the sort by a click on a header: a text found in
// any column or a filter expression (TrapRowFilter; applied a moment after typing stops),
// letters in either case by choice, a choice of event and version, the recent searches in
// the box's drop-down, and a column sorted ascending, descending, then back to arrival
// order. A broken expression runs no search: the bar says what is wrong and marks where.

#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

class QCheckBox;
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
    static constexpr int kHistorySize = 20;

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

    // Writes text into the box, applies it at once and keeps it in the history.
    void SearchFor(const QString& text);
    // Keeps text first in the box's history (at most kHistorySize, each once).
    void Remember(const QString& text);
    QStringList History() const;
    void SetHistory(const QStringList& texts);
    bool IgnoreCase() const;
    void SetIgnoreCase(bool ignore);
    // The syntax error of the box's expression as the bar shows it; empty when none.
    QString ErrorText() const;

    QLineEdit* TextBox() const { return m_text; }
    QComboBox* HistoryBox() const { return m_history; }
    QCheckBox* IgnoreCaseChoice() const { return m_ignoreCase; }
    QComboBox* EventChoice() const { return m_event; }
    QComboBox* VersionChoice() const { return m_version; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    bool Active() const;
    void LayOut();
    void ShowModel();
    // Shows message (empty to clear) and marks length characters of the box from start.
    void ShowError(const QString& message, int start, int length);

    QTableView* m_list;
    TrapListModel* m_rows;
    TrapListFilter* m_filter;
    TrapListScan* m_scan;
    std::function<void()> m_onViewModelChanged;
    QComboBox* m_history;
    QLineEdit* m_text;
    QCheckBox* m_ignoreCase;
    QComboBox* m_event;
    QComboBox* m_version;
    QLabel* m_count;
    QLabel* m_error;
    QTimer m_typing;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
