#pragma once
// The trap list as shown while a search or a sort is on: the rows that match the search,
// in the order of the sorted column. Stands between the list's model and its view only
// then, so that the list costs nothing more while neither is used.

#include <QSortFilterProxyModel>
#include <cstdint>
#include <vector>

#include "traplog/TrapRowSearch.h"

class TrapListModel;

class TrapListFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TrapListFilter(TrapListModel* rows, QObject* parent = nullptr);

    // marks, when given, hold the query's result for the first rows (a finished
    // TrapListScan); the other rows are searched here.
    void SetQuery(TrapRowQuery query, std::vector<uint8_t> marks = {});
    const TrapRowQuery& Query() const { return query_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    TrapListModel* rows_;
    TrapRowQuery query_;
    std::vector<uint8_t> marks_;  // only while the filter is applied again
};
