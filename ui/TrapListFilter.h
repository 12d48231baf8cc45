#pragma once
// The trap list as shown while a search or a sort is on: the rows that match the search,
// in the order of the sorted column. Stands between the list's model and its view only
// then, so that the list costs nothing more while neither is used.

#include <QSortFilterProxyModel>

#include "traplog/TrapRowSearch.h"

class TrapListModel;

class TrapListFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit TrapListFilter(TrapListModel* rows, QObject* parent = nullptr);

    void SetQuery(TrapRowQuery query);
    const TrapRowQuery& Query() const { return query_; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    TrapListModel* rows_;
    TrapRowQuery query_;
};
