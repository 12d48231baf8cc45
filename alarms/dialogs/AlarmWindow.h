#pragma once
// 表示 > "アラーム": the alarms in view, coloured by severity, sorted by any column and
// filtered by a text, a severity and a state; acknowledgement with a note, clearing by
// hand, removing the cleared ones, muting a sender or a rule; the detail of one alarm with
// its history read from the store off the user interface thread.
//
// The window reads the engine's snapshot on its own tick and updates its rows in place,
// so that a storm of traps keeps the selection and the scroll where the user left them.

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>

#include "alarms/AlarmEngine.h"

class AlarmFilterProxy;
class AlarmListModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
struct AlarmHistoryRow;

class CAlarmWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTickMs = 250;
    static constexpr int kHistoryRows = 1000;  // the newest entries the detail lists

    // historyPath: the store's database (empty: no history to read).
    CAlarmWindow(AlarmEngine& engine, std::string historyPath, QWidget* parent = nullptr);
    ~CAlarmWindow() override;

    // Shows the one window of parent, creating it the first time.
    static CAlarmWindow* Open(AlarmEngine& engine, std::string historyPath, QWidget* parent);

    // The tick: rows, mutes, counts, and a history that has arrived.
    void Tick();

    // The buttons, on the selected alarms. The user is asked for a note (a modal dialog).
    void OnAcknowledge();
    void OnUnacknowledge();
    void OnClearByHand();
    void OnRemoveCleared();
    void OnMute();
    void OnUnmute();

    QTableView* List() const { return m_list; }
    AlarmListModel* Model() const { return m_model; }
    AlarmFilterProxy* Proxy() const { return m_proxy; }
    QLineEdit* SearchBox() const { return m_search; }
    QComboBox* SeverityFilter() const { return m_severity; }
    QComboBox* StateFilter() const { return m_state; }
    QTableWidget* Mutes() const { return m_mutes; }
    QTableWidget* History() const { return m_history; }
    QLabel* Facts() const { return m_facts; }
    // The alarm whose detail shows (0: none).
    int64_t DetailId() const { return m_detailId; }
    // True while the detail's history is being read.
    bool ReadingHistory() const;
    // Shows alarm id's detail and starts reading its history.
    void ShowDetail(int64_t id);

private:
    struct HistoryRead;
    std::vector<int64_t> SelectedIds() const;
    bool AskNote(const QString& title, const QString& what, std::string& note);
    void ApplyFilters();
    void ShowMutes();
    void ShowFacts();
    void TakeHistory();

    AlarmEngine& m_engine;
    std::string m_historyPath;
    AlarmListModel* m_model;
    AlarmFilterProxy* m_proxy;
    QTableView* m_list;
    QLineEdit* m_search;
    QComboBox* m_severity;
    QComboBox* m_state;
    QLabel* m_summary;
    QLabel* m_facts;
    QTableWidget* m_history;
    QTableWidget* m_mutes;
    QPushButton* m_unmute;
    QTimer m_tick;
    int64_t m_detailId = 0;
    std::shared_ptr<HistoryRead> m_read;  // shared with the reading thread
    std::vector<AlarmMute> m_shownMutes;
};
