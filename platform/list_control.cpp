#include "platform/list_control.h"

#include <algorithm>

#include "platform/controls.h"
#include "platform/ui_bridge.h"

namespace platform {
ListControl::ListControl(std::vector<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

int ListControl::columnCount() const {
    return onUiThread([&] { return static_cast<int>(columns_.size()); });
}

std::string ListControl::columnTitle(int column) const {
    return onUiThread([&] {
        return column >= 0 && column < static_cast<int>(columns_.size()) ? columns_[column].title
                                                                         : std::string();
    });
}

int ListControl::columnWidth(int column) const {
    return onUiThread([&] {
        return column >= 0 && column < static_cast<int>(columns_.size()) ? columns_[column].width : 0;
    });
}

int ListControl::rowCount() const {
    return onUiThread([&] { return static_cast<int>(rows_.size()); });
}

std::string ListControl::cellText(int row, int column) const {
    return onUiThread([&] {
        if (row < 0 || row >= static_cast<int>(rows_.size())) return std::string();
        if (column < 0 || column >= static_cast<int>(columns_.size())) return std::string();
        return rows_[row][column];
    });
}

void ListControl::setCellText(int row, int column, std::string_view text) {
    onUiThread([&] {
        if (row < 0 || row >= static_cast<int>(rows_.size())) return;
        if (column < 0 || column >= static_cast<int>(columns_.size())) return;
        rows_[row][column] = std::string(text);
        emit dataChanged(index(row, column), index(row, column));
    });
}

void ListControl::deleteRow(int row) {
    onUiThread([&] {
        if (row < 0 || row >= static_cast<int>(rows_.size())) return;
        beginRemoveRows(QModelIndex(), row, row);
        rows_.erase(rows_.begin() + row);
        endRemoveRows();
    });
}

int ListControl::appendRows(std::vector<ListRow> rows, int numberColumn) {
    return onUiThread([&] {
        const int first = static_cast<int>(rows_.size());
        if (rows.empty()) return first;
        const size_t width = columns_.size();
        for (size_t i = 0; i < rows.size(); ++i) {
            rows[i].resize(width);
            if (numberColumn >= 0 && numberColumn < static_cast<int>(width)) {
                rows[i][numberColumn] = std::to_string(first + static_cast<int>(i) + 1);
            }
        }
        beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
        rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
        endInsertRows();
        return first;
    });
}

std::vector<std::string> ListControl::columnTexts(int column) const {
    return onUiThread([&] {
        std::vector<std::string> texts;
        if (column < 0 || column >= static_cast<int>(columns_.size())) return texts;
        texts.reserve(rows_.size());
        for (const ListRow& row : rows_) texts.push_back(row[column]);
        return texts;
    });
}

void ListControl::deleteRows(std::vector<int> rows) {
    onUiThread([&] {
        std::vector<char> doomed(rows_.size(), 0);
        bool any = false;
        for (int r : rows) {
            if (r >= 0 && r < static_cast<int>(rows_.size())) doomed[r] = any = true;
        }
        if (!any) return;
        // A model reset costs one step for any number of removed rows, where one removal signal per
        // row would make the view do O(n) work for each.
        beginResetModel();
        size_t kept = 0;
        for (size_t i = 0; i < rows_.size(); ++i) {
            if (!doomed[i]) {
                if (kept != i) rows_[kept] = std::move(rows_[i]);
                ++kept;
            }
        }
        rows_.resize(kept);
        endResetModel();
    });
}

void ListControl::renumber(int column) {
    onUiThread([&] {
        if (column < 0 || column >= static_cast<int>(columns_.size()) || rows_.empty()) return;
        for (size_t i = 0; i < rows_.size(); ++i) rows_[i][column] = std::to_string(i + 1);
        emit dataChanged(index(0, column), index(static_cast<int>(rows_.size()) - 1, column));
    });
}

std::vector<ListRow> ListControl::snapshot() const {
    return onUiThread([&] { return rows_; });
}

int ListControl::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListControl::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ListControl::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size())) return {};
    if (role == Qt::DisplayRole) return toQString(rows_[index.row()][index.column()]);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant ListControl::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(columns_.size())) {
        return {};
    }
    if (role == Qt::DisplayRole) return toQString(columns_[section].title);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

}  // namespace platform
