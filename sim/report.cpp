#include "sim/report.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <numeric>

#include "sim/hash.h"

namespace sim {
namespace {

// A bid word is opener + lead + keyword + tail; each list starts with the empty choice, so the
// combination 0 is the keyword itself. No entry of one list begins with an entry of the list before it,
// which keeps the words distinct.
constexpr std::array<std::string_view, 5> kOpeners = {"", "2024", "2025", "正品", "高档"};
constexpr std::array<std::string_view, 41> kLeads = {
    "",     "新款", "春季", "夏季",   "秋季",   "冬季", "韩版", "日系", "潮牌", "大码", "修身",
    "宽松", "休闲", "商务", "中老年", "青少年", "学生", "加厚", "薄款", "纯棉", "百搭", "复古",
    "时尚", "高端", "品牌", "特价",   "爆款",   "网红", "简约", "欧美", "国潮", "轻奢", "原创",
    "早春", "秋冬", "外贸", "加绒",   "情侣",   "中式", "户外", "真皮"};
constexpr std::array<std::string_view, 61> kTails = {
    "",           "外套", "套装", "上衣",     "夹克",   "卫衣", "衬衫", "短袖",     "长袖",
    "裤子",       "毛衣", "马甲", "风衣",     "棉服",   "背心", "批发", "包邮",     "旗舰店",
    "官方旗舰店", "清仓", "促销", "推荐",     "排行榜", "图片", "价格", "怎么样",   "哪个牌子好",
    "代购",       "现货", "定制", "厂家直销", "同款",   "礼盒", "送礼", "一件代发", "新品",
    "专卖店",     "官网", "配件", "男",       "女",     "男士", "女士", "儿童",     "男童",
    "女童",       "宝宝", "婴儿", "孕妇",     "老人",   "夏天", "冬天", "黑色",     "白色",
    "红色",       "灰色", "蓝色", "小号",     "中号",   "加大", "超薄"};

constexpr std::uint64_t kCombinations = kOpeners.size() * kLeads.size() * kTails.size();
// Records 1.. walk the combinations 1..kCombinations-1 in a keyword-dependent order; a stride
// coprime with their number visits each once.
constexpr std::uint64_t kStride = 7919;
static_assert(kCombinations - 1 >= kMaxRecords);
static_assert(std::gcd(kStride, kCombinations - 1) == 1);

std::string wordAt(std::string_view keyword, std::uint64_t combination) {
    std::string word(kOpeners[combination % kOpeners.size()]);
    word += kLeads[(combination / kOpeners.size()) % kLeads.size()];
    word += keyword;
    word += kTails[combination / (kOpeners.size() * kLeads.size())];
    return word;
}

std::uint64_t figureHash(std::string_view keyword, std::string_view date, int index, std::string_view field) {
    std::string key(keyword);
    key.append("\x1f").append(date).append("\x1f").append(std::to_string(index)).append("\x1f").append(field);
    return stableHash(key);
}

BidRecord recordAt(std::string_view keyword, std::string_view date, int index, std::uint64_t offset) {
    std::uint64_t combination =
        index == 0 ? 0 : 1 + (static_cast<std::uint64_t>(index - 1) * kStride + offset) % (kCombinations - 1);
    auto draw = [&](std::string_view field, std::uint64_t range) {
        return figureHash(keyword, date, index, field) % range;
    };

    // Impressions fall off along the list, as the platform sorts its related words by them.
    std::uint64_t base = 20000 + stableHash(std::string(keyword).append("\x1f").append(date)) % 480000;
    std::uint64_t impression =
        std::max<std::uint64_t>(5, base * 20 / (20 + index) * (70 + draw("noise", 61)) / 100);
    std::uint64_t ctr = 30 + draw("ctr", 1470);
    std::uint64_t click = (impression * ctr + 5000) / 10000;
    return BidRecord{wordAt(keyword, combination),
                     std::to_string(impression),
                     std::to_string(click),
                     std::to_string(ctr),
                     std::to_string(draw("cvr", 1200)),
                     std::to_string(15 + draw("avgPrice", 786)),
                     std::to_string(1 + draw("competition", 3000))};
}

void appendPercent(std::string& out, unsigned char byte) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 0xF];
}

// JSON string content as the platform writes it, with the answer's own percent layer on top.
void appendText(std::string& out, std::string_view text, bool escapeNonAscii) {
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\' || c == '/') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else if (c == '%' || (escapeNonAscii && byte >= 0x80)) {
            appendPercent(out, byte);
        } else {
            out += c;
        }
    }
}

void appendField(std::string& out, std::string_view key, std::string_view value) {
    out.append(",\"").append(key).append("\":\"").append(value).append("\"");
}

}  // namespace

std::vector<BidRecord> recordsFor(std::string_view keywordUtf8, std::string_view date, int count) {
    std::vector<BidRecord> records;
    if (keywordUtf8.empty() || keywordUtf8.starts_with(kNoResultPrefix)) return records;
    count = std::clamp(count, 0, kMaxRecords);
    std::uint64_t offset = stableHash(keywordUtf8) % (kCombinations - 1);
    records.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) records.push_back(recordAt(keywordUtf8, date, i, offset));
    return records;
}

bool isReportDate(std::string_view date) {
    auto number = [](std::string_view piece, int& out) {
        if (piece.empty() || piece.front() == '0' || piece.size() > 4) return false;
        auto [end, ec] = std::from_chars(piece.data(), piece.data() + piece.size(), out);
        return ec == std::errc() && end == piece.data() + piece.size();
    };
    size_t first = date.find('-');
    size_t second = first == std::string_view::npos ? first : date.find('-', first + 1);
    if (second == std::string_view::npos) return false;
    int year = 0, month = 0, day = 0;
    if (!number(date.substr(0, first), year) || !number(date.substr(first + 1, second - first - 1), month) ||
        !number(date.substr(second + 1), day))
        return false;
    if (year < 1000 || month > 12) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::string reportAnswer(std::string_view keywordUtf8, const std::vector<BidRecord>& records,
                         ReportLayout layout, bool badUtf8) {
    std::string out = "{\"code\":\"200\",\"msg\":\"\",\"result\":[";
    for (size_t i = 0; i < records.size(); ++i) {
        const BidRecord& r = records[i];
        bool escape = i % 2 == 1;
        if (i > 0) out += ',';
        if (layout == ReportLayout::linePerRecord) out += '\n';
        out += "{\"word\":\"";
        size_t at = keywordUtf8.empty() ? std::string_view::npos : std::string_view(r.word).find(keywordUtf8);
        if (at == std::string_view::npos) {
            appendText(out, r.word, escape);
        } else {
            appendText(out, std::string_view(r.word).substr(0, at), escape);
            out += "<b>";
            appendText(out, keywordUtf8, escape);
            out += "<\\/b>";
            appendText(out, std::string_view(r.word).substr(at + keywordUtf8.size()), escape);
        }
        if (badUtf8 && i % 10 == 0) out += "%E7%94";
        if (badUtf8 && i % 10 == 5) out += '\xFF';
        out += '"';
        appendField(out, "impression", r.impression);
        appendField(out, "click", r.click);
        appendField(out, "ctr", r.ctr);
        appendField(out, "cvr", r.cvr);
        appendField(out, "avgPrice", r.avgPrice);
        appendField(out, "competition", r.competition);
        out += '}';
    }
    if (layout == ReportLayout::linePerRecord && !records.empty()) out += '\n';
    out += "]}";
    return out;
}

}  // namespace sim
