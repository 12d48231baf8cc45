#include "ui/TrapListModel.h"

#include <QPixmap>
#include <algorithm>

#include "platform/qt/EventImages.h"
#include "platform/qt/QtText.h"
#include "settings/SettingsSource.h"
#include "trap/LossCounters.h"
#include "traplog/ReadableText.h"

namespace {

QString DisplayText(std::string_view cp932) {
    // Most cells are plain ASCII: those need no conversion.
    for (char c : cp932)
        if (static_cast<unsigned char>(c) >= 0x80) return FromCp932(cp932);
    return QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
}

Qt::Alignment ToQtAlignment(ColumnAlign align) {
    switch (align) {
    case ColumnAlign::Centre: return Qt::AlignCenter;
    case ColumnAlign::Right: return Qt::AlignRight | Qt::AlignVCenter;
    case ColumnAlign::Left: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

int TrapListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

// The name column comes after the 33 the exports write.
int TrapListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kTrapListColumns + 1;
}

std::string_view TrapListModel::CellText(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
    return rows_[static_cast<std::size_t>(row)].Cell(column);
}

bool TrapListModel::RowMatches(int row, const TrapRowQuery& query) const {
    const auto name = [this](const TrapRow& shown) -> std::string_view {
        return names_.Name([&](int column) { return shown.Cell(column); });
    };
    if (query.Filter() == nullptr) return TrapRowMatches(Row(row), query, name);
    // A filter's "trap" field compares the notification OID too.
    return TrapRowMatches(
        Row(row), query,
        TrapRowNames{name, [this](const TrapRow& shown) -> std::string_view {
                         return names_.Oid([&](int column) { return shown.Cell(column); });
                     }});
}

std::string TrapListModel::BindingOid(std::string_view name) const {
    return names_.OidOfName(name);
}

QVariant TrapListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (index.column() == TrapNameColumn::kColumn) {
        if (role != Qt::DisplayRole) return {};
        return QString::fromStdString(
            names_.Name([&](int column) { return CellText(index.row(), column); }));
    }
    switch (role) {
    case Qt::DisplayRole: return DisplayText(CellText(index.row(), index.column()));
    case Qt::DecorationRole:
        if (index.column() == 0) {
            const QPixmap& image = EventImage(rows_[static_cast<std::size_t>(index.row())].image);
            if (!image.isNull()) return image;
        }
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            ToQtAlignment(kTrapListColumnLayout[static_cast<std::size_t>(index.column())].align));
    case Qt::ToolTipRole:
        // The message cell tells which octet-string values are text, as the hex hides it.
        if (index.column() == kMessageColumn) {
            const std::string readable = ReadableBindings(CellText(index.row(), kBindingsColumn));
            if (!readable.empty()) return QString::fromStdString(readable);
        }
        return {};
    default: return {};
    }
}

QVariant TrapListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section == TrapNameColumn::kColumn &&
        role == Qt::DisplayRole)
        return QStringLiteral("トラップ名");
    if (orientation != Qt::Horizontal || section < 0 || section >= kTrapListColumns) return {};
    const TrapListColumn& column = kTrapListColumnLayout[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromLatin1(column.header);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(ToQtAlignment(column.align));
    // Narrow columns cut their header; the tooltip gives it whole.
    if (role == Qt::ToolTipRole) return QString::fromLatin1(column.header);
    return {};
}

void TrapListModel::AppendRows(std::vector<TrapRow>&& rows) {
    if (rows.empty()) return;
    const auto ceiling = static_cast<std::size_t>(ClampMaxRows(settings_.Snapshot().maxRows));
    // A batch longer than the whole list keeps only its newest rows.
    const std::size_t skipped = rows.size() > ceiling ? rows.size() - ceiling : 0;
    const std::size_t removed = MakeRoomFor(rows.size() - skipped, ceiling);
    if (removed + skipped > 0) losses_.Count(LossKind::kRowsRemoved, removed + skipped);
    const auto newest = rows.begin() + static_cast<std::ptrdiff_t>(skipped);
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.end() - newest) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(newest), std::make_move_iterator(rows.end()));
    endInsertRows();
}

std::size_t TrapListModel::MakeRoomFor(std::size_t incoming, std::size_t ceiling) {
    if (rows_.size() + incoming <= ceiling) return 0;
    // At least 1 % of the ceiling at a time: the view then follows a removal only now and
    // then, not on every tick of a storm.
    const std::size_t removed =
        std::min(rows_.size(), std::max(rows_.size() + incoming - ceiling, ceiling / 100));
    beginRemoveRows({}, 0, static_cast<int>(removed) - 1);
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(removed));
    endRemoveRows();
    return removed;
}

void TrapListModel::RemoveRows(int first, int count) {
    if (first < 0 || count <= 0 || first + count > static_cast<int>(rows_.size())) return;
    beginRemoveRows({}, first, first + count - 1);
    rows_.erase(rows_.begin() + first, rows_.begin() + first + count);
    endRemoveRows();
}

bool TrapListModel::RefreshNames() {
    if (!names_.IndexChanged() || rows_.empty()) return false;
    const int last = static_cast<int>(rows_.size()) - 1;
    emit dataChanged(index(0, TrapNameColumn::kColumn), index(last, TrapNameColumn::kColumn),
                     {Qt::DisplayRole});
    return true;
}

void TrapListModel::RemoveAllRows() {
    beginResetModel();
    rows_.clear();
    rows_.shrink_to_fit();
    endResetModel();
}
