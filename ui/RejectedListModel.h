#pragma once
// The rows of the rejected messages window: copies of the ring's entries, newest first, at
// most as many as the ring keeps. Cell texts are made when a cell is painted.

#include <QAbstractTableModel>
#include <deque>
#include <span>

#include "reception/RejectedMessages.h"

class RejectedListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column : int {
        kDateColumn,
        kAddressColumn,
        kPortColumn,
        kVersionColumn,
        kUserColumn,
        kReasonColumn,
        kOctetsColumn,
        kColumnCount
    };
    static constexpr int kColumnWidths[kColumnCount] = {120, 100, 50, 70, 100, 400, 420};

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Puts entries given oldest first above the rows, and drops the oldest rows beyond the
    // ring's capacity.
    void AddNewest(std::span<const RejectedMessage> oldestFirst);
    void RemoveAllRows();

    QString CellText(int row, int column) const;

private:
    std::deque<RejectedMessage> rows_;  // newest first
};

// The name of a reason, as the rows and the counts show it.
QString RejectReasonName(RejectReason reason);
// Which counters of the counter view a datagram rejected for reason adds to.
QString RejectReasonCounterTip(RejectReason reason);
