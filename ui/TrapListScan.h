#pragma once
// A search over many rows of the trap list, done a slice of rows at a time from the event
// loop so that the window keeps answering while a million rows are searched. Rows that
// arrive meanwhile (at the end) are searched as well; rows that leave (the oldest at the
// ceiling, deleted ones, a clear) take their results with them.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "traplog/TrapRowSearch.h"

class TrapListModel;

class TrapListScan : public QObject {
    Q_OBJECT
public:
    // Rows searched per slice: a few milliseconds at the rate the core searches rows.
    static constexpr int kSliceRows = 16384;

    TrapListScan(const TrapListModel* rows, QObject* parent = nullptr);

    // Searches the first slice at once and the rest on later turns of the event loop;
    // a running search is given up.
    void Start(TrapRowQuery query);
    void Cancel();
    bool Running() const { return m_timer.isActive(); }
    // Share of the rows searched so far, 0-100.
    int Percent() const;

    const TrapRowQuery& Query() const { return m_query; }
    // Once done: one flag per row of the list, 1 where the row matches.
    std::vector<uint8_t> TakeMarks() { return std::move(m_marks); }

signals:
    void Progress();
    void Done();

private:
    void Slice();
    void OnRowsRemoved(int first, int last);

    const TrapListModel* m_rows;
    TrapRowQuery m_query;
    std::vector<uint8_t> m_marks;  // results of the rows searched, from the first row on
    QTimer m_timer;
};
