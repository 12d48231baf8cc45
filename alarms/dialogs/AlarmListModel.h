#pragma once
// The alarms in view as a table: one row per alarm in the order of their ids, brought up
// to date from a snapshot of the engine in place (rows that left are removed, new ones
// appended, changed ones redrawn), so that a view's selection and scroll stay.

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <optional>
#include <vector>

#include "alarms/AlarmEngine.h"

enum class AlarmColumn : int {
    kSeverity,
    kState,
    kSender,
    kTrapName,
    kInstance,
    kCount,
    kFirst,
    kLast,
    kMessage,
    kAck,
};
inline constexpr int kAlarmColumnCount = 10;

// The value a column sorts by (numbers for severities, states, addresses, counts, times).
inline constexpr int kAlarmSortRole = Qt::UserRole + 1;
inline constexpr int kAlarmIdRole = Qt::UserRole + 2;

QString AlarmStateLabel(AlarmState state);
QString AlarmSenderText(const std::array<uint8_t, 4>& sender);
QString AlarmTimeText(int64_t ms);

class AlarmListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AlarmListModel(QObject* parent = nullptr);

    // Brings the rows up to snapshot; returns how many rows were redrawn.
    int Update(const AlarmSnapshot& snapshot);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const AlarmView& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }
    // The row's texts the search looks in (severity, state, sender, trap, instance, message,
    // acknowledgement), folded to lower case; made again only when the alarm's facts change.
    const QString& SearchText(int row) const { return m_search[static_cast<std::size_t>(row)]; }
    // The row of alarm id, if it is in view.
    std::optional<int> RowOf(int64_t id) const;

private:
    std::vector<AlarmView> m_rows;  // ascending ids
    std::vector<QString> m_search;  // beside m_rows
};

// The window's filters: a text searched in every column, a least severity, and a state.
class AlarmFilterProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    enum class StateFilter { kAll, kOpen, kRaised, kAcknowledged, kCleared };

    explicit AlarmFilterProxy(QObject* parent = nullptr);
    void SetSearch(const QString& text);
    // Alarms of this severity or more severe (kCleared: every one).
    void SetLeastSeverity(AlarmSeverity severity);
    void SetState(StateFilter state);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    // Compares the alarms' own values, without a QVariant for each comparison: a tick of
    // a storm re-sorts every row whose count changed.
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    QString m_search;  // lower case
    AlarmSeverity m_least = AlarmSeverity::kCleared;
    StateFilter m_state = StateFilter::kAll;
};
