#pragma once
// The report-mode list: a table of text cells in code page 936, shown by a QTableView. It stands in
// for the list view control, so every operation may be called from any thread and is synchronous:
// from a worker it runs on the UI thread (platform/ui_bridge.h) and returns its answer. The table is
// only ever changed on the UI thread, so each operation is atomic with respect to every other.
// Built for 100,000 rows: the bulk operations cost one UI-thread step for any number of rows.

#include <QAbstractTableModel>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

using ListRow = std::vector<std::string>;

class ListControl : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        std::string title;
        int width;
    };
    explicit ListControl(std::vector<Column> columns, QObject* parent = nullptr);

    int columnCount() const;
    std::string columnTitle(int column) const;  // "" outside the columns
    int columnWidth(int column) const;
    int rowCount() const;

    // "" outside the table.
    std::string cellText(int row, int column) const;
    // Does nothing outside the table.
    void setCellText(int row, int column, std::string_view text);
    void deleteRow(int row);

    // Appends whole rows (missing cells empty, surplus cells dropped) in one step; `numberColumn`, when
    // not negative, gets each row's 1-based running number, counted on from the rows already there.
    // Returns the index of the first appended row.
    int appendRows(std::vector<ListRow> rows, int numberColumn = -1);

    // The texts of one column, all rows, in one step.
    std::vector<std::string> columnTexts(int column) const;
    // Deletes the rows at the given indexes (any order, repeats and out-of-range ignored) in one step.
    void deleteRows(std::vector<int> rows);
    // Writes 1, 2, 3 ... into `column` of every row.
    void renumber(int column);
    // Every row, in one step.
    std::vector<ListRow> snapshot() const;

    // QAbstractTableModel, for the view (UI thread).
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<Column> columns_;
    std::vector<ListRow> rows_;
};

}  // namespace platform
