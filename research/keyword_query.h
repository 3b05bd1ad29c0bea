#pragma once
// The keyword query: for every keyword of keywordBox, one request to the platform's related-bid-word
// report, and one row of resultList per bid word of the answer.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "platform/list_control.h"

namespace research {

// The body of the worker that the query button starts. Holds queryLock for its whole run.
void runKeywordQuery();

// The report day for the rangeCombo item (0 yesterday, 1 the day before, 2 seven days back) as
// year-month-day without leading zeros: reportDate(0, 2016y/3/1) == "2016-2-29"; "" for any other item.
std::string reportDate(int rangeItem, std::chrono::year_month_day today);

// Today's local date, from which a run computes its report day.
std::chrono::year_month_day localToday();

// The report address and form body for one keyword.
std::string reportAddress(std::string_view backendHost, std::string_view keyword, std::string_view date);
std::string reportBody(std::string_view token);

// A figure of the answer times 0.01, written as "%.13g" whatever the user's locale: leading blanks
// skipped, the longest leading decimal number read, 0 when there is none. scaledFigure("523") == "5.23".
std::string scaledFigure(std::string_view text);

// The rows of one decoded answer (code page 936), each with its eight cells, column 0 left empty for
// the running number. One search per field serves every row.
std::vector<platform::ListRow> rowsFromAnswer(std::string_view decodedAnswer);

}  // namespace research
