#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

struct ToWideCase {
    const char* label;
    std::string bytes;
    int codePage;
    std::u16string expected;
};

class ToUtf16Test : public ::testing::TestWithParam<ToWideCase> {};

TEST_P(ToUtf16Test, Converts) {
    const ToWideCase& c = GetParam();
    EXPECT_EQ(platform::toUtf16(c.bytes, c.codePage), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToUtf16Test,
    ::testing::Values(ToWideCase{"empty", "", 936, u""},
                      ToWideCase{"GBK", "\xC4\xE3\xBA\xC3", 936, u"你好"},
                      ToWideCase{"ANSI is GBK", "\xC4\xE3", 0, u"你"},
                      ToWideCase{"euro at 0x80", "\x80", 936, u"€"},
                      ToWideCase{"UTF-8", "你好", 65001, u"你好"},
                      ToWideCase{"UTF-8 beyond the BMP", "😀", 65001, u"😀"},
                      ToWideCase{"NUL kept", "a\0b"s, 936, u"a\0b"s},
                      ToWideCase{"bad GBK byte replaced, rest kept", "a\xFF" "b", 936, u"a\uFFFDb"},
                      ToWideCase{"GBK cut short", "a\xC4", 936, u"a\uFFFD"},
                      ToWideCase{"GBK lead before ASCII keeps the ASCII", "\x81\x30z", 936, u"\uFFFD0z"},
                      ToWideCase{"bad UTF-8 byte replaced", "a\xFF" "b", 65001, u"a\uFFFDb"},
                      ToWideCase{"UTF-8 cut short", "a\xE4\xB8", 65001, u"a\uFFFD\uFFFD"},
                      ToWideCase{"UTF-8 surrogate encoding rejected", "\xED\xA0\x80z", 65001,
                                 u"\uFFFD\uFFFD\uFFFDz"},
                      ToWideCase{"other Windows code page", "\xE9", 1252, u"é"},
                      ToWideCase{"code page iconv lacks", "abc", 123456, u""}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

struct FromWideCase {
    const char* label;
    std::u16string text;
    int codePage;
    std::string expected;
};

class FromUtf16Test : public ::testing::TestWithParam<FromWideCase> {};

TEST_P(FromUtf16Test, Converts) {
    const FromWideCase& c = GetParam();
    EXPECT_EQ(platform::fromUtf16(c.text, c.codePage), c.expected) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FromUtf16Test,
    ::testing::Values(FromWideCase{"empty", u"", 936, ""},
                      FromWideCase{"GBK", u"你好", 936, "\xC4\xE3\xBA\xC3"},
                      FromWideCase{"ANSI is GBK", u"你", 0, "\xC4\xE3"},
                      FromWideCase{"euro", u"€", 936, "\x80"},
                      FromWideCase{"UTF-8", u"你好", 65001, "你好"},
                      FromWideCase{"UTF-8 beyond the BMP", u"😀", 65001, "😀"},
                      FromWideCase{"NUL kept", u"a\0b"s, 936, "a\0b"s},
                      FromWideCase{"no GBK form", u"a\u0E01b", 936, "a?b"},
                      FromWideCase{"surrogate pair without GBK form is one character", u"a😀b", 936, "a?b"},
                      FromWideCase{"lone high surrogate", u"a\xD800" u"b", 936, "a?b"},
                      FromWideCase{"lone low surrogate", u"a\xDC00" u"b", 65001, "a?b"},
                      FromWideCase{"high surrogate at the end", u"a\xD800", 65001, "a?"},
                      FromWideCase{"unmappable and replacement character", u"\uFFFD\uAC00", 936, "??"},
                      FromWideCase{"code page iconv lacks", u"abc", 123456, ""}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(CodePage, LongTextsConvertWhole) {
    std::string gbk;
    std::u16string wide;
    for (int i = 0; i < 100000; ++i) {
        gbk += "\xC4\xE3" "a\x80";
        wide += u"你a€";
    }
    gbk += "\xFF";
    wide += u"\uFFFD";
    EXPECT_EQ(platform::toUtf16(gbk, 936), wide);
    EXPECT_EQ(platform::fromUtf16(wide, 936), gbk.substr(0, gbk.size() - 1) + "?");
    const std::string utf8 = platform::fromUtf16(wide, 65001);
    EXPECT_EQ(platform::toUtf16(utf8, 65001), wide);
}

TEST(CharsetToGbk, ConvertsNamedCharsets) {
    EXPECT_EQ(platform::charsetToGbk("你好", "utf-8"), "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(platform::charsetToGbk("\xA4\xA4", "big5"), "\xD6\xD0");  // 中
    EXPECT_EQ(platform::charsetToGbk("\xC4\xE3", "GBK"), "\xC4\xE3");
    EXPECT_EQ(platform::charsetToGbk("a\xE9", "iso-8859-1"), "a\xA8\xA6");  // é
    EXPECT_EQ(platform::charsetToGbk("", "utf-8"), "");
    EXPECT_EQ(platform::charsetToGbk("a😀\xFF", "utf-8"), "a??");
}

TEST(CharsetToGbk, UnknownNamesGiveNothing) {
    EXPECT_EQ(platform::charsetToGbk("abc", "no-such-charset"), std::nullopt);
    EXPECT_EQ(platform::charsetToGbk("", "no-such-charset"), std::nullopt);
    EXPECT_EQ(platform::charsetToGbk("abc", ""), std::nullopt);
    EXPECT_EQ(platform::charsetToGbk("abc", "utf-8\0x"s), std::nullopt);
    // A failed name leaves the known ones working.
    EXPECT_EQ(platform::charsetToGbk("a", "utf-8"), "a");
}

TEST(CodePage, ConvertsOnManyThreadsAtOnce) {
    struct Sample {
        std::string gbk;
        std::u16string wide;
        std::string utf8;
    };
    std::vector<Sample> samples;
    for (int n = 1; n <= 64; ++n) {
        Sample s;
        for (int i = 0; i < n; ++i) {
            s.gbk += i % 3 ? "\xC4\xE3" : "x\x80";
            s.wide += i % 3 ? u"你" : u"x€";
        }
        s.utf8 = platform::fromUtf16(s.wide, 65001);
        samples.push_back(s);
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 300; ++round) {
                const Sample& s = samples[static_cast<size_t>(round + t) % samples.size()];
                if (platform::toUtf16(s.gbk, 936) != s.wide) ++failures;
                if (platform::fromUtf16(s.wide, 936) != s.gbk) ++failures;
                if (platform::toUtf16(s.utf8, 65001) != s.wide) ++failures;
                if (platform::charsetToGbk(s.utf8, "utf-8") != s.gbk) ++failures;
                if (platform::toUtf16(s.gbk + "\xFF", 936) != s.wide + u"\uFFFD") ++failures;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace

namespace {

// The one-step conversion gives what the way through UTF-16 gives, malformed input included.
TEST(ConvertText, AgreesWithTheWayThroughUtf16) {
    const std::string inputs[] = {
        "",
        "abc",
        "\xE7\x94\xB7\xE8\xA3\x85",          // 男装
        "\xE7\x94",                          // cut short
        "\xFF\xFE" "a",                      // not UTF-8 at all
        "\xED\xA0\x80" "x",                  // an encoded surrogate
        "\xE0\x80\x80",                      // overlong
        "\xF0\x9F\x98\x80" "z",              // a character GBK lacks, beyond U+FFFF
        "\xEA\xB0\x80",                      // Hangul
        "a\0b",
        "\xC4\xE3\xBA\xC3",                  // GBK 你好, read as UTF-8
        "\x80\xC4",                          // GBK: euro, then a cut-short lead byte
    };
    for (const std::string& in : inputs) {
        for (auto [from, to] : {std::pair{65001, 936}, std::pair{936, 65001}}) {
            EXPECT_EQ(platform::convertText(in, from, to), platform::fromUtf16(platform::toUtf16(in, from), to))
                << from << "->" << to << " of " << testing::PrintToString(in);
        }
    }
}

}  // namespace
