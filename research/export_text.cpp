#include "research/export_text.h"

#include <xlsxwriter.h>

#include <QFile>
#include <QTemporaryFile>
#include <algorithm>
#include <charconv>
#include <utility>

#include "platform/codepage.h"
#include "platform/gbk_literal.h"

namespace research {
namespace {

constexpr int kProgressStep = 1024;

void appendLine(std::string& out, const std::vector<std::string>& cells) {
    for (const std::string& cell : cells) {
        out += cell;
        out += '\t';
    }
    out += "\r\n";
}

size_t lineSize(const std::vector<std::string>& cells) {
    size_t size = 2;
    for (const std::string& cell : cells) size += cell.size() + 1;
    return size;
}

// Digits with an optional fraction and sign: what a spreadsheet shows back exactly as it was.
bool isPlainDecimal(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(whole)) return false;
    if (point != std::string_view::npos && !digits(fraction)) return false;
    return whole.size() + fraction.size() <= 15;  // beyond that a double no longer holds every digit
}

// The one owner of a workbook handle: closing writes the file and frees the handle, so it happens
// exactly once, on every path.
class Workbook {
public:
    explicit Workbook(const char* path) {
        lxw_workbook_options options{};
        // Rows go out as they are written, with their texts inline: a third faster than a table of
        // shared strings for a list of 100,000 different keywords, and far less memory.
        options.constant_memory = LXW_TRUE;
        handle_ = workbook_new_opt(path, &options);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;
    ~Workbook() { close(); }
    lxw_workbook* get() const { return handle_; }
    lxw_error close() {
        if (handle_ == nullptr) return LXW_ERROR_MEMORY_MALLOC_FAILED;
        return workbook_close(std::exchange(handle_, nullptr));
    }

private:
    lxw_workbook* handle_ = nullptr;
};

std::string toUtf8(std::string_view gbk) { return platform::fromUtf16(platform::toUtf16(gbk, 936), 65001); }

bool writeSheet(lxw_workbook* book, const std::vector<std::string>& titles,
                const std::vector<platform::ListRow>& rows) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* percent = workbook_add_format(book);
    if (sheet == nullptr || percent == nullptr) return false;
    format_set_num_format(percent, "0.00%");
    if (rows.size() + 1 > LXW_ROW_MAX || titles.size() > LXW_COL_MAX) return false;

    static const std::string keywordTitle = platform::gbk("关键词");
    const auto keywordColumn = std::find(titles.begin(), titles.end(), keywordTitle) - titles.begin();
    for (size_t c = 0; c < titles.size(); ++c) {
        if (worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), toUtf8(titles[c]).c_str(), nullptr) !=
            LXW_NO_ERROR) {
            return false;
        }
    }
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (size_t c = 0; c < rows[r].size() && c < titles.size(); ++c) {
            const std::string& text = rows[r][c];
            const auto column = static_cast<lxw_col_t>(c);
            const SheetCell cell = static_cast<ptrdiff_t>(c) == keywordColumn ? SheetCell{} : sheetCell(text);
            lxw_error error = LXW_NO_ERROR;
            switch (cell.kind) {
                case SheetCell::Kind::Number:
                    error = worksheet_write_number(sheet, row, column, cell.value, nullptr);
                    break;
                case SheetCell::Kind::Percent:
                    error = worksheet_write_number(sheet, row, column, cell.value, percent);
                    break;
                case SheetCell::Kind::Text:
                    if (!text.empty()) error = worksheet_write_string(sheet, row, column, toUtf8(text).c_str(), nullptr);
                    break;
            }
            if (error != LXW_NO_ERROR) return false;
        }
    }
    return true;
}

}  // namespace

std::string exportText(const std::vector<std::string>& titles, const std::vector<platform::ListRow>& rows,
                       const std::function<void(int rowsDone)>& progress) {
    size_t size = lineSize(titles);
    for (const platform::ListRow& row : rows) size += lineSize(row);
    std::string out;
    out.reserve(size);
    appendLine(out, titles);
    for (size_t r = 0; r < rows.size(); ++r) {
        appendLine(out, rows[r]);
        if (progress && (r + 1) % kProgressStep == 0) progress(static_cast<int>(r + 1));
    }
    if (progress) progress(static_cast<int>(rows.size()));
    return out;
}

SheetCell sheetCell(std::string_view text) {
    SheetCell cell;
    const bool percent = !text.empty() && text.back() == '%';
    const std::string_view number = percent ? text.substr(0, text.size() - 1) : text;
    if (!isPlainDecimal(number)) return cell;
    double value = 0;
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec != std::errc()) return cell;
    cell.kind = percent ? SheetCell::Kind::Percent : SheetCell::Kind::Number;
    cell.value = percent ? value / 100 : value;
    return cell;
}

bool wantsWorkbook(std::string_view fileName) {
    constexpr std::string_view extension = ".xlsx";
    if (fileName.size() < extension.size()) return false;
    const std::string_view tail = fileName.substr(fileName.size() - extension.size());
    return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

std::optional<std::string> exportWorkbook(const std::vector<std::string>& titles,
                                          const std::vector<platform::ListRow>& rows) {
    // The library writes only to a named file; a temporary one holds the workbook until it is read
    // back, and goes away with its owner.
    QTemporaryFile file;
    if (!file.open()) return std::nullopt;
    const QByteArray path = QFile::encodeName(file.fileName());
    {
        Workbook book(path.constData());
        if (book.get() == nullptr || !writeSheet(book.get(), titles, rows)) return std::nullopt;
        if (book.close() != LXW_NO_ERROR) return std::nullopt;
    }
    QFile written(file.fileName());
    if (!written.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray bytes = written.readAll();
    if (bytes.isEmpty()) return std::nullopt;
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace research
