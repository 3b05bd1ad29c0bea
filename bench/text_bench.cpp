// The text helpers at the sizes the program meets: a keyword search over a megabyte of code page 936
// text, the decoding of a whole report answer, and the cookie merge of a large login.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <string>

#include "platform/gbk_literal.h"
#include "web/cookie_text.h"
#include "web/text.h"

namespace {

constexpr std::array<const char*, 24> kWords = {
    "春款",   "外套", "夹克", "休闲", "修身",   "韩版", "牛仔", "衬衫", "卫衣", "潮流", "加厚", "保暖",
    "羽绒服", "运动", "套装", "中年", "青少年", "大码", "长袖", "短袖", "薄款", "冬季", "新款", "男士",
};

uint32_t nextRandom(uint32_t& seed, uint32_t bound) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % bound;
}

// Keyword lines like the kept keywords of a word list: Chinese words, some letters and digits, CR LF.
std::string makeGbkText(size_t bytes) {
    std::array<std::string, kWords.size()> gbkWords;
    for (size_t i = 0; i < kWords.size(); ++i) gbkWords[i] = platform::gbk(kWords[i]);
    uint32_t seed = 1;
    std::string text;
    while (text.size() < bytes) {
        text += gbkWords[nextRandom(seed, kWords.size())];
        text += gbkWords[nextRandom(seed, kWords.size())];
        if (nextRandom(seed, 4) == 0) text += "2024XL";
        text += "\r\n";
    }
    return text;
}

void textPositionAbsent(benchmark::State& state, const std::string& needle, bool ignoreCase) {
    const std::string text = makeGbkText(1 << 20);
    for (auto _ : state) benchmark::DoNotOptimize(web::textPosition(text, needle, 1, ignoreCase));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}

// The needle's first byte is a lead byte that occurs all over the text: candidates abound.
void BM_TextPositionAbsentChinese(benchmark::State& state) {
    textPositionAbsent(state, platform::gbk("男士冬季羽绒服加厚款"), false);
}
BENCHMARK(BM_TextPositionAbsentChinese);

// The needle starts with a byte that is the trail of 卫 (CE C0) all over the text.
void BM_TextPositionAbsentTrailByte(benchmark::State& state) {
    std::string needle = platform::gbk("卫衣");
    needle[0] = needle[1];
    textPositionAbsent(state, needle, false);
}
BENCHMARK(BM_TextPositionAbsentTrailByte);

void BM_TextPositionAbsentAscii(benchmark::State& state) { textPositionAbsent(state, "2024XXL", false); }
BENCHMARK(BM_TextPositionAbsentAscii);

void BM_TextPositionAbsentIgnoreCase(benchmark::State& state) { textPositionAbsent(state, "2024xxl", true); }
BENCHMARK(BM_TextPositionAbsentIgnoreCase);

// A report answer as it comes over the wire: JSON with every Chinese character percent-encoded as UTF-8.
std::string makeEncodedAnswer(size_t bytes) {
    uint32_t seed = 2;
    std::string answer = "{\"code\":\"200\",\"result\":[";
    while (answer.size() < bytes) {
        answer += "{\"word\":\"";
        answer += web::urlEncode(platform::gbk(kWords[nextRandom(seed, kWords.size())]), true, true);
        answer += web::urlEncode(platform::gbk(kWords[nextRandom(seed, kWords.size())]), true, true);
        answer += "\",\"impression\":\"" + std::to_string(nextRandom(seed, 50000));
        answer += "\",\"ctr\":\"" + std::to_string(nextRandom(seed, 1000)) + "\"},";
    }
    answer += "]}";
    return answer;
}

void BM_UrlDecodeToGbk(benchmark::State& state) {
    const std::string answer = makeEncodedAnswer(700 * 1024);
    for (auto _ : state) benchmark::DoNotOptimize(web::urlDecode(answer, true));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(answer.size()));
}
BENCHMARK(BM_UrlDecodeToGbk)->Unit(benchmark::kMillisecond);

// A login's 1,000 browser cookies, half of them set again by the answer.
void BM_MergeCookies(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    web::CookieText older;
    web::CookieText newer;
    for (int i = 0; i < count; ++i) {
        older += (i ? "; " : "") + ("cookie" + std::to_string(i)) + "=value" + std::to_string(i);
        if (i % 2 == 0) newer += (i ? "; " : "") + ("cookie" + std::to_string(i)) + "=fresh";
    }
    for (auto _ : state) {
        web::CookieText o = older;
        web::CookieText n = newer;
        benchmark::DoNotOptimize(web::mergeCookies(o, n));
    }
}
BENCHMARK(BM_MergeCookies)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
