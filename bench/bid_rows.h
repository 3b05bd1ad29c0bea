#pragma once
// Result-list rows as a query for clothing keywords returns them: bid words built from a few parts
// (a modifier or two, a product word, another modifier), with the seven figures beside them. Every
// fifth row repeats an earlier bid word or a run of its parts, so the passes have a fifth to remove.

#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/gbk_literal.h"
#include "platform/list_control.h"

namespace bench_support {

inline std::vector<platform::ListRow> bidRows(int count, unsigned seed = 7) {
    static const char* const modifiers[] = {
        "女",   "夏季", "新款", "2024", "韩版", "长款", "短款", "宽松", "修身", "大码",
        "学生", "中年", "显瘦", "百搭", "气质", "法式", "碎花", "纯棉", "雪纺", "高腰",
        "小个子", "ins", "网红", "复古", "简约", "休闲", "时尚", "春秋", "冬季", "洋气"};
    static const char* const products[] = {"连衣裙", "T恤", "衬衫", "半身裙", "牛仔裤",
                                           "外套",   "卫衣", "毛衣", "风衣",   "短裤"};
    std::vector<std::string> m, p;
    for (const char* w : modifiers) m.push_back(platform::gbk(w));
    for (const char* w : products) p.push_back(platform::gbk(w));

    std::mt19937 random(seed);
    std::set<std::tuple<size_t, size_t, size_t, size_t>> used;
    std::vector<std::vector<std::string>> earlier;  // the parts of the rows so far
    std::vector<platform::ListRow> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        std::string word;
        if (i % 5 == 4 && !earlier.empty()) {
            // A repeat: a run of the parts of an earlier bid word, or all of them.
            const std::vector<std::string>& parts = earlier[random() % earlier.size()];
            const size_t first = random() % 3;
            const size_t length = 1 + random() % (parts.size() - first);
            for (size_t k = first; k < first + length; ++k) word += parts[k];
        } else {
            std::tuple<size_t, size_t, size_t, size_t> key;
            do {
                key = {random() % m.size(), random() % m.size(), random() % p.size(), random() % m.size()};
            } while (std::get<0>(key) == std::get<1>(key) || std::get<1>(key) == std::get<3>(key) ||
                     std::get<0>(key) == std::get<3>(key) || !used.insert(key).second);
            const auto& [a, b, c, d] = key;
            earlier.push_back({m[a], m[b], p[c], m[d]});
            for (const std::string& part : earlier.back()) word += part;
        }
        const int impressions = static_cast<int>(random() % 90000) + 10;
        rows.push_back({"", word, std::to_string(impressions), std::to_string(impressions / 40),
                        std::to_string(random() % 900 / 100.0).substr(0, 4) + "%",
                        std::to_string(random() % 500 / 100.0).substr(0, 4) + "%",
                        std::to_string(random() % 300 / 100.0).substr(0, 4), std::to_string(random() % 1000)});
    }
    return rows;
}

}  // namespace bench_support
