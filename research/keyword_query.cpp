#include "research/keyword_query.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <array>
#include <cctype>
#include <charconv>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/controls.h"
#include "research/hosts.h"
#include "research/shared_state.h"
#include "web/pattern_matcher.h"
#include "web/text.h"
#include "web/web_fetch.h"

namespace research {
namespace {

struct Field {
    const char* pattern;
    const char* prefix;
    const char* suffix;
};

// The seven fields of a record, in the order of the list's columns 1 to 7.
constexpr std::array<Field, 7> kFields{{
    {"word\":\".*?\",", "word\":\"", "\","},
    {"impression\":\".*?\"", "impression\":\"", "\""},
    {"click\":\".*?\"", "click\":\"", "\""},
    {"ctr\":\".*?\"", "ctr\":\"", "\""},
    {"cvr\":\".*?\"", "cvr\":\"", "\""},
    {"avgPrice\":\".*?\"", "avgPrice\":\"", "\""},
    {"competition\":\".*?\"", "competition\":\"", "\""},
}};

constexpr std::string_view kReferer =
    "%2Ftools%2Finsight%2Fqueryresult%3Fkws%3D%25E7%2594%25B7%25E8%25A3%2585%26tab%3Dtabs-category%26start%"
    "3D%26end%3D";

// Removes the first occurrence of `part`, searched from the start, letters compared exactly.
void removeFirst(std::string& text, std::string_view part) {
    if (auto at = text.find(part); at != std::string::npos) text.erase(at, part.size());
}

void removeAll(std::string& text, std::string_view part) {
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at)) text.erase(at, part.size());
}

// The wait after a keyword, on a steady clock; it blocks only this worker.
void pauseAfterKeyword() {
    const int item = platform::comboIndex(mainControls().delayCombo);
    const int ms = item == 1 ? 3000 : item == 2 ? 5000 : 0;
    if (ms > 0) std::this_thread::sleep_until(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms + 1));
}

}  // namespace

std::chrono::year_month_day localToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return std::chrono::year{local.tm_year + 1900} / std::chrono::month(local.tm_mon + 1) /
           std::chrono::day(local.tm_mday);
}

std::string reportDate(int rangeItem, std::chrono::year_month_day today) {
    int daysBack = rangeItem == 0 ? 1 : rangeItem == 1 ? 2 : rangeItem == 2 ? 7 : -1;
    if (daysBack < 0) return {};
    const std::chrono::year_month_day day{std::chrono::sys_days(today) - std::chrono::days(daysBack)};
    return std::to_string(static_cast<int>(day.year())) + "-" +
           std::to_string(static_cast<unsigned>(day.month())) + "-" +
           std::to_string(static_cast<unsigned>(day.day()));
}

std::string reportAddress(std::string_view backendHost, std::string_view keyword, std::string_view date) {
    return "http://" + std::string(backendHost) +
           "/report/getRelatedBidwordList.htm?bidwordstr=" + web::urlEncode(keyword, false, true) +
           "&theDate=" + std::string(date);
}

std::string reportBody(std::string_view token) {
    return "sla=json&isAjaxRequest=true&token=" + std::string(token) + "&_referer=" + std::string(kReferer);
}

std::string scaledFigure(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    // The longest leading decimal number: sign, digits, fraction, exponent.
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t digitsStart = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    bool anyDigit = i > digitsStart;
    if (i < text.size() && text[i] == '.') {
        size_t j = i + 1;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
        if (anyDigit || j > i + 1) {
            anyDigit = true;
            i = j;
        }
    }
    double value = 0;
    if (anyDigit) {
        if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
            size_t j = i + 1;
            if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
            const size_t expDigits = j;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
            if (j > expDigits) i = j;
        }
        std::string_view number = text.substr(start, i - start);
        if (!number.empty() && number.front() == '+') number.remove_prefix(1);  // from_chars takes no '+'
        std::from_chars(number.data(), number.data() + number.size(), value);
    }
    char out[64];
    auto result = std::to_chars(out, out + sizeof out, value * 0.01, std::chars_format::general, 13);
    return std::string(out, result.ptr);
}

std::vector<platform::ListRow> rowsFromAnswer(std::string_view decodedAnswer) {
    const int n = web::countOccurrences(decodedAnswer, "word\":\"", false);
    std::vector<platform::ListRow> rows;
    if (n <= 0) return rows;
    rows.assign(static_cast<size_t>(n), platform::ListRow(8));
    for (size_t f = 0; f < kFields.size(); ++f) {
        web::PatternMatcher matcher;
        matcher.search(kFields[f].pattern, decodedAnswer);
        for (int j = 1; j <= n; ++j) {
            std::string value = matcher.matchText(j);
            removeFirst(value, kFields[f].prefix);
            removeFirst(value, kFields[f].suffix);
            if (f == 0) {
                removeAll(value, "<b>");
                removeAll(value, "<\\/b>");
            }
            std::string& cell = rows[j - 1][f + 1];
            if (f == 3 || f == 4) {
                cell = scaledFigure(value) + "%";
            } else if (f == 5) {
                cell = scaledFigure(value);
            } else {
                cell = std::move(value);
            }
        }
    }
    return rows;
}

void runKeywordQuery() {
    std::lock_guard run(queryLock());
    const MainControls& controls = mainControls();
    const std::vector<std::string> keywords =
        web::splitOnDelimiter(platform::controlText(controls.keywordBox), "\r\n");
    const std::string date = reportDate(platform::comboIndex(controls.rangeCombo), localToday());

    for (const std::string& keyword : keywords) {
        web::CookieText cookies = sessionCookies().get();
        const std::string answer = web::WebFetch(reportAddress(hosts().backendHost, keyword, date), 1,
                                                 reportBody(sessionToken().get()), &cookies);
        sessionCookies().set(cookies);
        std::vector<platform::ListRow> rows = rowsFromAnswer(web::urlDecode(answer, true));
        if (!rows.empty()) {
            // Whole rows in one list step, numbered on from the rows already there, so a pass running
            // at the same time never splits a row's cells.
            std::lock_guard list(listLock());
            controls.resultList->appendRows(std::move(rows), 0);
        }
        pauseAfterKeyword();
    }
}

}  // namespace research
