#pragma once
// A report-style list as the stores fill and read it: the rule pages, the user list and
// the log list implement it with Qt; tests use a plain one. Texts are CP932 bytes.

#include <string>
#include <string_view>
#include <vector>

class RecordList {
public:
    virtual ~RecordList() = default;

    virtual int RowCount() const = 0;

    // Inserts a row at position row (0 to RowCount()) with the text of column 0 and an
    // image number; the rows from that position on move down by one.
    virtual void InsertRow(int row, std::string_view text, int image) = 0;

    // Sets the text of one cell; a column that the list does not have is ignored.
    virtual void SetCell(int row, int column, std::string_view text) = 0;

    // The selected rows in ascending order.
    virtual std::vector<int> SelectedRows() const = 0;

    // An opaque reference that ties a row to the record it shows (empty until set); it
    // moves with its row.
    virtual void SetRowKey(int row, std::string key) = 0;
    virtual std::string RowKey(int row) const = 0;
};
