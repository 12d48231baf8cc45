#pragma once
// The rows of the received trap list: compact records holding each row's column texts
// (CP932, as the core produced them) and its event picture. The list holds at most the
// MAXROWS setting's rows: the oldest leave to make room for new ones.

#include <QAbstractTableModel>
#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "mib/TrapNameColumn.h"
#include "traplog/TrapRow.h"
#include "traplog/TrapRowSearch.h"

class LossCounters;
class SettingsSource;

class TrapListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The row ceiling is the MAXROWS of settings as each batch arrives; rows pushed out at
    // the ceiling are counted in losses; the name column's names come from mib.
    TrapListModel(const SettingsSource& settings, const MibService& mib, LossCounters& losses,
                  QObject* parent = nullptr)
        : QAbstractTableModel(parent), settings_(settings), losses_(losses), names_(mib) {}

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Appends rows at the end in their order, with one insertion. Rows that would pass the
    // ceiling (MAXROWS) push out the oldest ones, counted as LossKind::kRowsRemoved.
    void AppendRows(std::vector<TrapRow>&& rows);
    // Text of a cell; empty for a cell that does not exist.
    std::string_view CellText(int row, int column) const;
    // True when the row (which must exist) matches query, in its cells, the readable text of
    // its bindings or its name column.
    bool RowMatches(int row, const TrapRowQuery& query) const;
    // The dotted OID of a binding's MIB name in the names of the moment; empty for none.
    std::string BindingOid(std::string_view name) const;
    // The row itself; row must exist.
    const TrapRow& Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    void RemoveRows(int first, int count);
    void RemoveAllRows();
    // Redraws the name column once a newly loaded MIB index is there (the refresh tick);
    // true when it did.
    bool RefreshNames();

private:
    // Removes the oldest rows so that incoming more fit under ceiling; returns how many.
    std::size_t MakeRoomFor(std::size_t incoming, std::size_t ceiling);

    const SettingsSource& settings_;
    LossCounters& losses_;
    // A deque: rows leave at the front at a cost that does not grow with the list.
    std::deque<TrapRow> rows_;
    mutable TrapNameColumn names_;
};
