#pragma once
// The trap log window (modeless, one more per use of the command): the log lines newest
// first, narrowed to the lines that share a field with the selected row, and deleted by
// choice or whole.

#include <QDialog>
#include <string>

class CReportListCtrl;
class QLabel;
class QMenuBar;

class CLogDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids.
    enum : int { kTitleLine = 1000, kList = 1001, kCountLine = 1002 };

    // Columns of the list; the Event column shows only the image of the event number.
    enum : int { kEventColumn, kDateColumn, kAddressColumn, kHostColumn, kVersionColumn, kMessageColumn };

    explicit CLogDlg(QWidget* parent = nullptr);

    CReportListCtrl* List() const { return m_list; }
    QMenuBar* MenuBar() const { return m_menuBar; }

    void OnShowAll();
    void OnSearchDate();
    void OnSearchAddress();
    void OnSearchHost();
    void OnSearchVersion();
    void OnSearchEvent();
    void OnDeleteSelected();
    void OnDeleteAll();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Empties the list and loads the lines that match key in searchField.
    void Load(int searchField, const std::string& key);
    // The search by the text of one column of the first selected row.
    void SearchByColumn(int column, int searchField, const char* titlePrefix);
    void UpdateCountLine();
    void LayOut();

    QMenuBar* m_menuBar;
    QLabel* m_titleLine;
    CReportListCtrl* m_list;
    QLabel* m_countLine;
    int m_nLoaded = 0;  // rows of the last load
};
