// The keyword query's use of the matcher: seven field patterns over a 1,000-record answer in code
// page 936, then the text of every match.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "platform/codepage.h"
#include "platform/gbk_literal.h"
#include "web/pattern_matcher.h"

namespace {

constexpr std::array<const char*, 7> kFieldPatterns = {
    "word\":\".*?\",", "impression\":\".*?\"", "click\":\".*?\"",       "ctr\":\".*?\"",
    "cvr\":\".*?\"",   "avgPrice\":\".*?\"",   "competition\":\".*?\"",
};

// An answer like the report's: {"result":[{"word":"<b>男装<\/b>春款","impression":"1200",...},...]}
std::string makeAnswer(int records, uint32_t seed) {
    static constexpr std::array<const char*, 24> kWords = {
        "春款",   "外套", "夹克", "休闲", "修身",   "韩版", "牛仔", "衬衫", "卫衣", "潮流", "加厚", "保暖",
        "羽绒服", "运动", "套装", "中年", "青少年", "大码", "长袖", "短袖", "薄款", "冬季", "新款", "男士",
    };
    auto next = [&seed](uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % bound;
    };
    std::string utf8 = "{\"code\":\"200\",\"msg\":\"\",\"result\":[";
    for (int i = 0; i < records; ++i) {
        if (i > 0) utf8 += ",";
        utf8 += "{\"word\":\"<b>男装<\\/b>";
        utf8 += kWords[next(kWords.size())];
        utf8 += kWords[next(kWords.size())];
        utf8 += "\",\"impression\":\"" + std::to_string(100 + next(50000));
        utf8 += "\",\"click\":\"" + std::to_string(next(3000));
        utf8 += "\",\"ctr\":\"" + std::to_string(next(1000));
        utf8 += "\",\"cvr\":\"" + std::to_string(next(800));
        utf8 += "\",\"avgPrice\":\"" + std::to_string(10 + next(400));
        utf8 += "\",\"competition\":\"" + std::to_string(next(5000)) + "\"}";
    }
    utf8 += "]}";
    return platform::gbk(utf8);
}

// Two answers taken in turn, so that every round converts its subject as a new answer would.
const std::string& answer(int round) {
    static const std::array<std::string, 2> answers = {makeAnswer(1000, 12345), makeAnswer(1000, 54321)};
    return answers[round % 2];
}

void SevenSearches(benchmark::State& state) {
    int round = 0;
    for (auto _ : state) {
        const std::string& subject = answer(round++);
        std::array<web::PatternMatcher, 7> matchers;
        for (size_t f = 0; f < matchers.size(); ++f) matchers[f].search(kFieldPatterns[f], subject);
        benchmark::DoNotOptimize(matchers[6].matchCount());
    }
    state.counters["bytes"] = static_cast<double>(answer(0).size());
}
BENCHMARK(SevenSearches)->Unit(benchmark::kMillisecond);

void SevenSearchesAndEveryMatchText(benchmark::State& state) {
    int round = 0;
    for (auto _ : state) {
        const std::string& subject = answer(round++);
        std::array<web::PatternMatcher, 7> matchers;
        for (size_t f = 0; f < matchers.size(); ++f) matchers[f].search(kFieldPatterns[f], subject);
        size_t total = 0;
        for (int j = 1; j <= matchers[0].matchCount(); ++j) {
            for (const auto& matcher : matchers) total += matcher.matchText(j).size();
        }
        benchmark::DoNotOptimize(total);
    }
}
BENCHMARK(SevenSearchesAndEveryMatchText)->Unit(benchmark::kMillisecond);

// For scale: the code page conversion that each new answer costs once.
void SubjectConversionOnly(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(platform::toUtf16(answer(0), 936));
}
BENCHMARK(SubjectConversionOnly)->Unit(benchmark::kMicrosecond);

// The character-set step of a web request: the meta pattern over the first 1024 bytes of a page.
void CharsetOfPageHead(benchmark::State& state) {
    std::string head =
        "<html><head><title>x</title><meta http-equiv=\"Content-Type\" "
        "content=\"text/html; charset=utf-8\"></head><body>";
    head.resize(1024, 'x');
    for (auto _ : state) {
        web::PatternMatcher matcher;
        matcher.search("<meta.+?charset=[^\\w]?([-\\w]+)", head);
        benchmark::DoNotOptimize(matcher.groupText(1, 1));
    }
}
BENCHMARK(CharsetOfPageHead)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
