#pragma once
// The related-bid-word report as the simulator serves it. The records are a pure function of keyword,
// day and index, so a test can ask for exactly the rows that an answer carried.

#include <string>
#include <string_view>
#include <vector>

namespace sim {

// One bid word with its figures, as the platform writes them: decimal integer texts. ctr and cvr are
// hundredths of a percent ("292" is 2.92%), avgPrice is in fen ("87" is 0.87 yuan).
struct BidRecord {
    std::string word;  // UTF-8, without the <b> marks the answer puts around the keyword
    std::string impression;
    std::string click;
    std::string ctr;
    std::string cvr;
    std::string avgPrice;
    std::string competition;

    friend bool operator==(const BidRecord&, const BidRecord&) = default;
};

inline constexpr int kDefaultRecords = 200;
inline constexpr int kMaxRecords = 5000;
// Keywords that begin with this text (and the empty keyword) have no related bid words.
inline constexpr std::string_view kNoResultPrefix = "无结果";

// The first `count` records (clamped to 0..kMaxRecords) for `keywordUtf8` on `date`. The words are
// built from the keyword and fixed word lists, each record from another combination (record 0 is the
// keyword itself, then 男装外套, 2024新款男装, ...); they depend on the keyword only, the figures on
// keyword, date and index.
// recordsFor("男装", "2024-3-9", 2) gives two records; recordsFor("无结果x", "2024-3-9", 9) none.
std::vector<BidRecord> recordsFor(std::string_view keywordUtf8, std::string_view date, int count);

// True for a calendar date written year-month-day in decimal without leading zeros: "2016-2-29" and
// "2024-12-31" pass; "2024-03-09", "2017-2-29", "2024-3-9 " and "" do not.
bool isReportDate(std::string_view date);

enum class ReportLayout { oneLine, linePerRecord };

// The JSON answer for `records`, UTF-8: {"code":"200","msg":"","result":[{"word":"<b>男装<\/b>外套",
// "impression":"1200",...},...]}. Every odd record (0-based) has the non-ASCII bytes of its word
// percent-escaped (%E7%94%B7...); a literal "%" is always written %25, "/" as "\/". With `badUtf8`
// the words of records 0, 10, 20, ... end in a cut-short escaped sequence (%E7%94) and those of
// records 5, 15, ... in a raw 0xFF byte, neither of them UTF-8.
std::string reportAnswer(std::string_view keywordUtf8, const std::vector<BidRecord>& records,
                         ReportLayout layout, bool badUtf8 = false);

}  // namespace sim
