#pragma once
// The rows of the received trap list: compact records holding each row's column texts
// (CP932, as the core produced them) and its event picture. There is no row limit.

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/TrapRowTexts.h"

class TrapListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Appends one row at the end.
    void AppendRow(const TrapRowTexts& row);
    // Text of a cell; empty for a cell that does not exist.
    std::string_view CellText(int row, int column) const;
    void RemoveRows(int first, int count);
    void RemoveAllRows();

private:
    struct StoredRow {
        std::string texts;  // the 33 column texts one after the other
        std::array<uint16_t, kTrapListColumns> lengths;
        int8_t image;
    };
    std::vector<StoredRow> rows_;
};
