#include "ui/TrapListScan.h"

#include <algorithm>

#include "ui/TrapListModel.h"

TrapListScan::TrapListScan(const TrapListModel* rows, QObject* parent)
    : QObject(parent), m_rows(rows) {
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &TrapListScan::Slice);
    connect(rows, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex&, int first, int last) { OnRowsRemoved(first, last); });
    connect(rows, &QAbstractItemModel::modelReset, this, [this] { m_marks.clear(); });
}

void TrapListScan::Start(TrapRowQuery query) {
    m_query = std::move(query);
    m_marks.clear();
    m_marks.reserve(static_cast<std::size_t>(m_rows->rowCount()));
    m_timer.start();
    Slice();
}

void TrapListScan::Cancel() {
    m_timer.stop();
    m_marks.clear();
}

int TrapListScan::Percent() const {
    const int total = m_rows->rowCount();
    return total == 0 ? 100 : static_cast<int>(static_cast<int64_t>(m_marks.size()) * 100 / total);
}

void TrapListScan::Slice() {
    const int total = m_rows->rowCount();
    const int from = static_cast<int>(m_marks.size());
    const int to = std::min(total, from + kSliceRows);
    for (int row = from; row < to; ++row)
        m_marks.push_back(m_rows->RowMatches(row, m_query) ? 1 : 0);
    if (to < total) {
        emit Progress();
        return;
    }
    m_timer.stop();
    emit Done();
}

void TrapListScan::OnRowsRemoved(int first, int last) {
    const auto size = static_cast<int>(m_marks.size());
    if (first >= size) return;
    m_marks.erase(m_marks.begin() + first, m_marks.begin() + std::min(last + 1, size));
}
