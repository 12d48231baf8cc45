#pragma once
// The received trap list view (bottom pane): the service status with the start and stop
// buttons, and the list of every received trap, which is the only copy of its data.

#include <QPersistentModelIndex>
#include <QTimer>
#include <QWidget>
#include <string>
#include <string_view>
#include <vector>

#include "traplog/TrapListRow.h"

class LossCounters;
class MessageBoxPort;
class MibService;
class QFrame;
class Receiver;
class SettingsSource;
class QLabel;
class QAction;
class QMenu;
class QPushButton;
class QTableView;
class CTrapListColumns;
class CTrapListFinder;
class TrapListModel;
class TrapRowQueue;

class CEventView : public QWidget, public TrapListReader {
    Q_OBJECT
public:
    static constexpr int kAutoStartTick = 4;

    // The start and stop buttons and the start-up timer drive receiver; the list takes its
    // rows from rows and holds at most the MAXROWS of settings, rows pushed out at its
    // ceiling are counted in losses, and the name column shows names from mib; questions go
    // through boxes.
    CEventView(const SettingsSource& settings, const MibService& mib, Receiver& receiver,
               LossCounters& losses, TrapRowQueue& rows, MessageBoxPort& boxes,
               QWidget* parent = nullptr);

    // Appends every row the receiver has queued since the last call, in one insertion,
    // and scrolls once to the last of them (user interface thread; the frame's tick).
    void InsertQueuedRows();
    int ReadTrapRow(int index, TrapListRow& row) const override;
    std::string ReadTrapMessage(int index, std::size_t maxBytes) const override;

    // Every row of the list, shown or not.
    int RowCount() const;
    // Text of a cell of a shown row (CP932), empty when it does not exist. The exports and
    // the detail view read the rows as shown: searched and sorted.
    std::string_view CellText(int row, int column) const;
    // Lowest selected row as shown, or -1.
    int FirstSelectedRow() const;
    void DeleteAllRows();

    void SetServiceStatus(const QString& text);
    // The last failure stays in the status field's tooltip whatever the status shows next.
    void SetServiceFailure(const QString& text);
    void EnableServiceCommands(bool startEnabled, bool stopEnabled);

    // View timer 3 (every 1000 ms until the automatic start).
    void OnTimer();

    // The list's click and right-click notifications.
    void OnListClick();
    void OnListRightClick(const QPoint& position);
    // Context menu commands 32794 and 32795.
    void OnDeleteSelected();
    void OnDeleteAll();
    // Ctrl+C and the context menu: the selected rows as tab-separated text.
    void OnCopySelected();
    // The context menu's "この値で絞り込み": the search box gets the expression that keeps
    // the rows whose cell shows the value of the cell right-clicked, and applies it.
    void OnFilterOnValue();

    QTableView* List() const { return m_list; }
    QMenu* ContextMenu() const { return m_contextMenu; }
    CTrapListFinder* Finder() const { return m_finder; }
    CTrapListColumns& Columns() const { return *m_columns; }

signals:
    // The selected row is to be shown in the detail view: it was clicked or moved to, or
    // names from a newly loaded MIB index are there.
    void ShowTrapDetail();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void CreateContextMenu();
    void FollowSelection();
    // The list model's rows behind the selected rows, in the order shown.
    std::vector<int> SelectedSourceRows() const;

    Receiver& m_receiver;
    TrapRowQueue& m_rows;
    MessageBoxPort& m_boxes;
    TrapListModel* m_model;
    QTableView* m_list = nullptr;
    CTrapListFinder* m_finder = nullptr;
    CTrapListColumns* m_columns = nullptr;
    QFrame* m_headerBand = nullptr;
    QLabel* m_serviceLabel = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QMenu* m_contextMenu = nullptr;
    QAction* m_filterOnValue = nullptr;
    QPersistentModelIndex m_menuCell;  // the cell the context menu was opened on
    QTimer m_startTimer;
    int m_nStartTick = 0;
};
