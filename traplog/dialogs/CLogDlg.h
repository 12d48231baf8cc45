#pragma once
// The trap log window (modeless, one more per use of the command): the log lines newest
// first, narrowed to the lines that share a field with the selected row, and deleted by
// choice or whole. The log is read on a worker thread and the list filled as the lines
// come, so neither the window nor reception waits for a large log.

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class CReportListCtrl;
class GatheredRows;
class QLabel;
class QMenuBar;
class MessageBoxPort;
class QProgressBar;
class TrapLog;

class CLogDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids.
    enum : int { kTitleLine = 1000, kList = 1001, kCountLine = 1002, kProgress = 1003 };

    // Columns of the list; the Event column shows only the image of the event number.
    enum : int {
        kEventColumn,
        kDateColumn,
        kAddressColumn,
        kHostColumn,
        kVersionColumn,
        kMessageColumn
    };

    // The window of log, which outlives it; its questions and refusals go through boxes.
    CLogDlg(TrapLog& log, MessageBoxPort& boxes, QWidget* parent = nullptr);
    ~CLogDlg() override;

    // Whether a load is still reading the log.
    bool Loading() const { return !m_loaded; }

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
    // Empties the list and starts loading the lines that match key in searchField.
    void Load(int searchField, const std::string& key);
    // Ends the load under way; the rows it brought stay.
    void StopLoading();
    // One step of the load numbered load: rows to put at the top and how far it got.
    void TakeRows(unsigned load, const std::shared_ptr<GatheredRows>& rows, int added,
                  uint64_t done, uint64_t total, bool finished);
    // The search by the text of one column of the first selected row.
    void SearchByColumn(int column, int searchField, const char* titlePrefix);
    void UpdateCountLine();
    void LayOut();

    TrapLog& m_log;
    MessageBoxPort& m_boxes;
    QMenuBar* m_menuBar;
    QLabel* m_titleLine;
    CReportListCtrl* m_list;
    QLabel* m_countLine;
    QProgressBar* m_progress;
    int m_nLoaded = 0;    // rows of the last load
    unsigned m_load = 0;  // numbers the loads, so that steps of an ended one are ignored
    bool m_loaded = true;
    std::jthread m_reader;
};
