#include "platform/qt/ReportListCtrl.h"

#include <QHeaderView>
#include <algorithm>

#include "platform/qt/QtText.h"

namespace {

constexpr int kBytesRole = Qt::UserRole;      // the cell's CP932 text
constexpr int kKeyRole = Qt::UserRole + 1;    // the row's key (column 0)
constexpr int kImageRole = Qt::UserRole + 2;  // the row's image number (column 0)

QByteArray Bytes(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CReportListCtrl::CReportListCtrl(const std::vector<Column>& columns, bool multiSelect,
                                 QWidget* parent)
    : QTableWidget(0, static_cast<int>(columns.size()), parent) {
    QStringList headers;
    for (const Column& column : columns) headers << column.header;
    setHorizontalHeaderLabels(headers);
    for (int i = 0; i < columnCount(); ++i) {
        // A header that does not fit its width widens its column just enough.
        setColumnWidth(i, std::max(columns[i].width, horizontalHeader()->sectionSizeHint(i)));
        horizontalHeaderItem(i)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setShowGrid(true);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(multiSelect ? QAbstractItemView::ExtendedSelection
                                 : QAbstractItemView::SingleSelection);
}

void CReportListCtrl::SetImages(std::function<QPixmap(int)> images, QSize size) {
    m_images = std::move(images);
    setIconSize(size);
    verticalHeader()->setDefaultSectionSize(
        std::max(verticalHeader()->defaultSectionSize(), size.height() + 2));
}

int CReportListCtrl::RowCount() const { return rowCount(); }

QTableWidgetItem* CReportListCtrl::CellItem(int row, int column) {
    QTableWidgetItem* cell = item(row, column);
    if (cell == nullptr) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    return cell;
}

void CReportListCtrl::InsertRow(int row, std::string_view text, int image) {
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    SetCell(row, 0, text);
    SetRowImage(row, image);
}

void CReportListCtrl::SetRowImage(int row, int image) {
    QTableWidgetItem* first = CellItem(row, 0);
    first->setData(kImageRole, image);
    if (m_images) first->setIcon(QIcon(m_images(image)));
}

void GatheredRows::InsertRow(int row, std::string_view text, int image) {
    Row inserted{std::vector<std::string>(static_cast<std::size_t>(columns_)), image, {}};
    if (columns_ > 0) inserted.cells[0] = std::string(text);
    rows_.insert(rows_.begin() + std::clamp(row, 0, RowCount()), std::move(inserted));
}

void GatheredRows::SetCell(int row, int column, std::string_view text) {
    if (row >= 0 && row < RowCount() && column >= 0 && column < columns_)
        rows_[row].cells[column] = std::string(text);
}

void GatheredRows::SetRowKey(int row, std::string key) {
    if (row >= 0 && row < RowCount()) rows_[row].key = std::move(key);
}

std::string GatheredRows::RowKey(int row) const {
    return row >= 0 && row < RowCount() ? rows_[row].key : std::string();
}

void CReportListCtrl::Load(const std::function<void(RecordList&)>& fill) {
    GatheredRows gathered(columnCount());
    fill(gathered);
    setRowCount(0);
    InsertAtTop(gathered);
}

void CReportListCtrl::InsertAtTop(const GatheredRows& rows) {
    if (rows.RowCount() == 0) return;
    setUpdatesEnabled(false);
    model()->insertRows(0, rows.RowCount());
    int row = 0;
    for (const GatheredRows::Row& gathered : rows.Rows()) {
        for (int column = 0; column < columnCount(); ++column)
            SetCell(row, column, gathered.cells[column]);
        SetRowImage(row, gathered.image);
        if (!gathered.key.empty()) SetRowKey(row, gathered.key);
        ++row;
    }
    setUpdatesEnabled(true);
}

void CReportListCtrl::SetCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
    QTableWidgetItem* cell = CellItem(row, column);
    cell->setText(FromCp932(text));
    cell->setData(kBytesRole, Bytes(text));
}

std::vector<int> CReportListCtrl::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CReportListCtrl::SetRowKey(int row, std::string key) {
    if (row < 0 || row >= rowCount()) return;
    CellItem(row, 0)->setData(kKeyRole, Bytes(key));
}

std::string CReportListCtrl::RowKey(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? cell->data(kKeyRole).toByteArray().toStdString() : std::string();
}

std::string CReportListCtrl::CellText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->data(kBytesRole).toByteArray().toStdString() : std::string();
}

int CReportListCtrl::RowImage(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? cell->data(kImageRole).toInt() : 0;
}

int CReportListCtrl::FirstSelectedRow() const {
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

void CReportListCtrl::SelectRows(const std::vector<int>& rows) {
    clearSelection();
    for (int row : rows)
        if (row >= 0 && row < rowCount())
            selectionModel()->select(model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void CReportListCtrl::RemoveRows(const std::vector<int>& rows) {
    std::vector<int> sorted = rows;
    std::sort(sorted.rbegin(), sorted.rend());
    for (int row : sorted)
        if (row >= 0 && row < rowCount()) removeRow(row);
}

void CReportListCtrl::RemoveAllRows() { setRowCount(0); }
