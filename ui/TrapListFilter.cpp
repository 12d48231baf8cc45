#include "ui/TrapListFilter.h"

#include "ui/TrapListModel.h"

TrapListFilter::TrapListFilter(TrapListModel* rows, QObject* parent)
    : QSortFilterProxyModel(parent), rows_(rows) {
    setSourceModel(rows);
    // New rows are placed as they arrive; the order of equal cells stays arrival order.
    setDynamicSortFilter(true);
}

void TrapListFilter::SetQuery(TrapRowQuery query, std::vector<uint8_t> marks) {
    query_ = std::move(query);
    marks_ = std::move(marks);
    invalidateFilter();
    // Rows that arrive later are searched one by one, and removals would shift the marks.
    marks_ = {};
}

bool TrapListFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
    if (query_.Empty()) return true;
    if (static_cast<std::size_t>(sourceRow) < marks_.size())
        return marks_[static_cast<std::size_t>(sourceRow)] != 0;
    return rows_->RowMatches(sourceRow, query_);
}

bool TrapListFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    // The event column shows a picture, no text: its events sort by number.
    const int order = left.column() == 0
                          ? rows_->Row(left.row()).image - rows_->Row(right.row()).image
                          : CompareTrapCells(rows_->CellText(left.row(), left.column()),
                                             rows_->CellText(right.row(), right.column()));
    return order != 0 ? order < 0 : left.row() < right.row();
}
