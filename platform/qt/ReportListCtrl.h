#pragma once
// A report-style list (rows of text cells under a header) that the stores fill and read
// through RecordList: the filter pages, the user list and the log list. Each cell keeps
// the exact CP932 bytes it was given, so a text read back for a key is byte for byte the
// text the store wrote, whatever the round trip through Unicode would do to it.

#include <QTableWidget>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "records/RecordList.h"

// Rows gathered in memory (on any thread) before a list shows them in one step.
class GatheredRows : public RecordList {
public:
    struct Row {
        std::vector<std::string> cells;
        int image = 0;
        std::string key;
    };

    explicit GatheredRows(int columns) : columns_(columns) {}

    int RowCount() const override { return static_cast<int>(rows_.size()); }
    void InsertRow(int row, std::string_view text, int image) override;
    void SetCell(int row, int column, std::string_view text) override;
    std::vector<int> SelectedRows() const override { return {}; }
    void SetRowKey(int row, std::string key) override;
    std::string RowKey(int row) const override;

    const std::deque<Row>& Rows() const { return rows_; }

private:
    int columns_;
    std::deque<Row> rows_;
};

class CReportListCtrl : public QTableWidget, public RecordList {
    Q_OBJECT
public:
    struct Column {
        QString header;
        int width;
    };

    // multiSelect: several rows selectable (else one). Grid lines, movable headers and
    // full-row selection as every list of the program has them.
    CReportListCtrl(const std::vector<Column>& columns, bool multiSelect,
                    QWidget* parent = nullptr);

    // Images for InsertRow's image numbers; without it the numbers are ignored.
    void SetImages(std::function<QPixmap(int image)> images, QSize size);

    int RowCount() const override;
    void InsertRow(int row, std::string_view text, int image) override;
    void SetCell(int row, int column, std::string_view text) override;
    std::vector<int> SelectedRows() const override;
    void SetRowKey(int row, std::string key) override;
    std::string RowKey(int row) const override;

    // Replaces every row with what fill puts into an empty list. Rows are gathered first
    // and shown in one step, so a fill that inserts each row at the top stays fast.
    void Load(const std::function<void(RecordList& rows)>& fill);

    // Puts rows above the present ones, in their order, in one step; the selection stays
    // on the rows it was on.
    void InsertAtTop(const GatheredRows& rows);

    // CP932 text of a cell ("" when it does not exist).
    std::string CellText(int row, int column) const;
    int RowImage(int row) const;
    // Lowest selected row, or -1.
    int FirstSelectedRow() const;
    // Selects exactly these rows.
    void SelectRows(const std::vector<int>& rows);
    void RemoveRows(const std::vector<int>& rows);
    void RemoveAllRows();

private:
    QTableWidgetItem* CellItem(int row, int column);
    void SetRowImage(int row, int image);

    std::function<QPixmap(int)> m_images;
};
