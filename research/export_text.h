#pragma once
// What an export writes, built in memory from the list's titles and rows: the tab-separated text
// and, for a name ending in .xlsx, a real workbook. The file itself is a thin outer step (export.h).

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/list_control.h"

namespace research {

// The header line and one line per row: every cell followed by a TAB, every line by CR LF, the code
// page 936 bytes as they stand, nothing quoted. No rows gives the header line alone.
// ({"a","b"}, {{"1","x"}}) -> "a\tb\t\r\n1\tx\t\r\n". `progress(rowsDone)` is told now and then, and
// once at the end with every row done.
std::string exportText(const std::vector<std::string>& titles, const std::vector<platform::ListRow>& rows,
                       const std::function<void(int rowsDone)>& progress = {});

// How a cell goes into a workbook: a plain decimal number ("12", "-0.5", at most 15 digits) as a
// number, a plain decimal number followed by "%" as its hundredth with a percent format ("3.2%" ->
// 0.032), anything else as text ("1e5", " 1", "1,000", "=1+1").
struct SheetCell {
    enum class Kind { Text, Number, Percent };
    Kind kind = Kind::Text;
    double value = 0;
};
SheetCell sheetCell(std::string_view text);

// True for a name ending in ".xlsx", in any case: such a file gets a workbook.
bool wantsWorkbook(std::string_view fileName);

// An Office Open XML workbook of one sheet: the titles in row 1, the rows below in order. The column
// titled 关键词 always holds text, the other cells as sheetCell() says; nothing becomes a formula.
// nullopt when the workbook cannot be made (a list too large for a sheet, a full temporary folder).
std::optional<std::string> exportWorkbook(const std::vector<std::string>& titles,
                                          const std::vector<platform::ListRow>& rows);

}  // namespace research
