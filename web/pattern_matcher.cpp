#include "web/pattern_matcher.h"

#include <optional>
#include <utility>

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

}  // namespace

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

    subject = platform::toUtf16(subjectBytes, kCodePage);
    subjectText.reset();

    if (fresh->regex) {
        if (auto found = fresh->regex->find(subject, global)) {
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
    std::u16string_view whole(subject);
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

int PatternMatcher::matchCount() const {
    return matchList ? matchList->count() : 0;
}

std::string PatternMatcher::matchText(int index, int* position) const {
    std::string text;
    int firstIndex = 0;
    if (matchList && index >= 1 && index <= matchList->count()) {
        platform::RegexSpan span = matchList->span(index - 1, 0);
        text = platform::fromUtf16(span.in(subject), kCodePage);
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
        text = platform::fromUtf16(matchList->span(matchIndex - 1, groupIndex).in(subject), kCodePage);
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
        subjectText = std::make_shared<const std::string>(platform::fromUtf16(subject, kCodePage));
    return textPosition(*subjectText, found, firstIndex, engine && engine->ignoreCase) - 1;
}

}  // namespace web
