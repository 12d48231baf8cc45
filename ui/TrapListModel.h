#pragma once
// The rows of the received trap list: compact records holding each row's column texts
// (CP932, as the core produced them) and its event picture. There is no row limit.

#include <QAbstractTableModel>
#include <string_view>
#include <vector>

#include "traplog/TrapRow.h"

class TrapListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Appends rows at the end in their order, with one insertion.
    void AppendRows(std::vector<TrapRow>&& rows);
    // Text of a cell; empty for a cell that does not exist.
    std::string_view CellText(int row, int column) const;
    void RemoveRows(int first, int count);
    void RemoveAllRows();

private:
    std::vector<TrapRow> rows_;
};
