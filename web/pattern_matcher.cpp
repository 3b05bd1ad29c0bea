#include "web/pattern_matcher.h"

#include <optional>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/gbk_literal.h"
#include "platform/regex_engine.h"
#include "web/text.h"

namespace web {
namespace {

constexpr int kCodePage = 936;

std::string replaceQuoteMarkers(std::string_view pattern) {
    static const std::string kQuoteMarker = platform::gbk("#引号");
    std::string result;
    size_t from = 0;
    for (size_t at = pattern.find(kQuoteMarker); at != std::string_view::npos;
         at = pattern.find(kQuoteMarker, from)) {
        result.append(pattern.substr(from, at - from));
        result.push_back('"');
        from = at + kQuoteMarker.size();
    }
    result.append(pattern.substr(from));
    return result;
}

// The keyword query runs seven patterns over one answer in a row, so the UTF-16 form of the last
// subject is kept per thread and converted once.
std::shared_ptr<const std::u16string> wideForm(std::string_view bytes) {
    thread_local std::string lastBytes;
    thread_local std::shared_ptr<const std::u16string> lastWide;
    if (!lastWide || bytes != lastBytes) {
        lastWide = std::make_shared<const std::u16string>(platform::toUtf16(bytes, kCodePage));
        lastBytes.assign(bytes);
    }
    return lastWide;
}

bool isLeadByte(char byte) {
    auto value = static_cast<unsigned char>(byte);
    return value >= 0x81 && value <= 0xFE;
}

}  // namespace

// The texts of all whole matches, converted back in one go. Code page 936 writes one character for
// each UTF-16 unit, two bytes when the first is a lead byte and one otherwise, so the match boundaries
// carry over from units to bytes.
struct PatternMatcher::MatchTexts {
    std::string bytes;
    std::vector<size_t> ends;  // match i runs from ends[i - 1] (0 for the first) to ends[i]
};

struct PatternMatcher::Engine {
    std::u16string pattern;
    std::optional<platform::Regex> regex;  // none when the pattern was not accepted
    bool ignoreCase = true;
};

bool PatternMatcher::search(std::string_view pattern, std::string_view subjectBytes, bool caseSensitive,
                            bool multiline, bool global, bool quoteMarker) {
    engine.reset();
    matchList.reset();

    auto fresh = std::make_shared<Engine>();
    fresh->pattern =
        platform::toUtf16(quoteMarker ? replaceQuoteMarkers(pattern) : std::string(pattern), kCodePage);
    fresh->ignoreCase = !caseSensitive;
    fresh->regex =
        platform::Regex::compile(fresh->pattern, {.caseless = !caseSensitive, .multiline = multiline});

    subject = wideForm(subjectBytes);
    subjectText.reset();
    matchTexts.reset();

    if (fresh->regex) {
        if (auto found = fresh->regex->find(*subject, global)) {
            matchList = std::make_shared<const platform::RegexMatches>(std::move(*found));
        }
    }
    engine = std::move(fresh);
    return matchList != nullptr;
}

std::string PatternMatcher::pattern() const {
    return engine ? platform::fromUtf16(engine->pattern, kCodePage) : std::string();
}

std::string PatternMatcher::replace(std::string_view replacement) const {
    if (!engine || !matchList) return {};
    std::u16string with = platform::toUtf16(replacement, kCodePage);
    std::u16string_view whole = wideSubject();
    std::u16string result;
    int copiedUpTo = 0;
    for (int i = 0; i < matchList->count(); ++i) {
        platform::RegexSpan span = matchList->span(i, 0);
        if (!span.matched()) continue;
        result.append(whole.substr(copiedUpTo, span.start - copiedUpTo));
        result.append(with);
        copiedUpTo = span.end;
    }
    result.append(whole.substr(copiedUpTo));
    return platform::fromUtf16(result, kCodePage);
}

std::u16string_view PatternMatcher::wideSubject() const {
    return subject ? std::u16string_view(*subject) : std::u16string_view();
}

int PatternMatcher::matchCount() const {
    return matchList ? matchList->count() : 0;
}

std::shared_ptr<const PatternMatcher::MatchTexts> PatternMatcher::convertMatchTexts() const {
    std::u16string wide;
    for (int i = 0; i < matchList->count(); ++i) wide.append(matchList->span(i, 0).in(wideSubject()));
    auto texts = std::make_shared<MatchTexts>();
    texts->bytes = platform::fromUtf16(wide, kCodePage);
    texts->ends.reserve(matchList->count());
    size_t at = 0;
    bool fits = true;
    for (int i = 0; i < matchList->count(); ++i) {
        platform::RegexSpan span = matchList->span(i, 0);
        for (int unit = span.start; unit < span.end; ++unit) {
            fits = fits && at < texts->bytes.size();
            if (fits) at += isLeadByte(texts->bytes[at]) ? 2 : 1;
        }
        texts->ends.push_back(at);
    }
    if (!fits || at != texts->bytes.size()) {  // not one character per unit after all: convert match by match
        texts->bytes.clear();
        texts->ends.clear();
        for (int i = 0; i < matchList->count(); ++i) {
            texts->bytes += platform::fromUtf16(matchList->span(i, 0).in(wideSubject()), kCodePage);
            texts->ends.push_back(texts->bytes.size());
        }
    }
    return texts;
}

std::string PatternMatcher::matchText(int index, int* position) const {
    std::string text;
    int firstIndex = 0;
    if (matchList && index >= 1 && index <= matchList->count()) {
        platform::RegexSpan span = matchList->span(index - 1, 0);
        if (!matchTexts) matchTexts = convertMatchTexts();
        size_t start = index == 1 ? 0 : matchTexts->ends[index - 2];
        text = matchTexts->bytes.substr(start, matchTexts->ends[index - 1] - start);
        firstIndex = span.start;
    }
    if (position) *position = positionOf(text, firstIndex);
    return text;
}

std::string PatternMatcher::groupText(int matchIndex, int groupIndex, int* position) const {
    std::string text;
    int firstIndex = 0;
    if (matchList && matchIndex >= 1 && matchIndex <= matchList->count() && groupIndex >= 1 &&
        groupIndex <= matchList->groupCount()) {
        text = platform::fromUtf16(matchList->span(matchIndex - 1, groupIndex).in(wideSubject()), kCodePage);
        firstIndex = matchList->span(matchIndex - 1, 0).start;
    }
    if (position) *position = positionOf(text, firstIndex);
    return text;
}

int PatternMatcher::groupCount() const {
    return matchCount() > 0 ? matchList->groupCount() : 0;
}

// The match's start counts UTF-16 units but is used as a byte position, so with two-byte characters
// before the match the search begins early and finds the first occurrence of the text from there.
int PatternMatcher::positionOf(const std::string& found, int firstIndex) const {
    if (!subjectText)
        subjectText = std::make_shared<const std::string>(platform::fromUtf16(wideSubject(), kCodePage));
    return textPosition(*subjectText, found, firstIndex, engine && engine->ignoreCase) - 1;
}

}  // namespace web
