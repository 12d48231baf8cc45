#pragma once
// A RecordList kept in memory, with the cells readable and the selection settable.

#include <string>
#include <vector>

#include "records/RecordList.h"

class MemoryRecordList : public RecordList {
public:
    struct Row {
        std::vector<std::string> cells;
        int image = 0;
        std::string key;
        bool selected = false;
    };

    explicit MemoryRecordList(int columns) : columns_(columns) {}

    int RowCount() const override { return static_cast<int>(rows_.size()); }

    void InsertRow(int row, std::string_view text, int image) override {
        Row inserted;
        inserted.cells.assign(columns_, std::string());
        inserted.cells[0] = std::string(text);
        inserted.image = image;
        rows_.insert(rows_.begin() + row, std::move(inserted));
    }

    void SetCell(int row, int column, std::string_view text) override {
        if (column < columns_) rows_.at(row).cells[column] = std::string(text);
    }

    std::vector<int> SelectedRows() const override {
        std::vector<int> selected;
        for (int i = 0; i < RowCount(); ++i)
            if (rows_[i].selected) selected.push_back(i);
        return selected;
    }

    void SetRowKey(int row, std::string key) override { rows_.at(row).key = std::move(key); }
    std::string RowKey(int row) const override { return rows_.at(row).key; }

    const std::string& Cell(int row, int column) const { return rows_.at(row).cells.at(column); }
    int Image(int row) const { return rows_.at(row).image; }
    void Select(int row, bool selected = true) { rows_.at(row).selected = selected; }
    void RemoveRow(int row) { rows_.erase(rows_.begin() + row); }
    void Clear() { rows_.clear(); }

private:
    int columns_;
    std::vector<Row> rows_;
};
