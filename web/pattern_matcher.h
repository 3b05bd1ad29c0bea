#pragma once
// A regular expression run over one code page 936 text, with 1-based access to its matches and
// groups. The engine works on UTF-16, so a Chinese character is one character for `.`; the dialect is
// that of platform/regex_engine.h. Failures are empty results: false, "" and 0.

#include <memory>
#include <string>
#include <string_view>

namespace platform {
class RegexMatches;
}

namespace web {

class PatternMatcher {
  public:
    // Compiles `pattern` and runs it over `subject`, replacing what an earlier search left. True when
    // the run gave a match list, an empty one included; false for a pattern the engine does not accept
    // ("a(b") or a run that fails (one that backtracks past the engine's limit). With `quoteMarker`
    // every "#引号" in the pattern stands for a double quote. Defaults: case ignored, multi-line, global.
    bool search(std::string_view pattern, std::string_view subject, bool caseSensitive = false,
                bool multiline = true, bool global = true, bool quoteMarker = false);

    // The pattern of the last search as the engine got it (markers replaced); "" before any search.
    std::string pattern() const;

    // The subject with every match (the first only without `global`) replaced by `replacement`, taken
    // literally ("$1" is the two characters $ and 1); "" before any search and after a failed one.
    std::string replace(std::string_view replacement = "") const;

    // Number of matches of the last search; 0 before any search and after a failed one.
    int matchCount() const;

    // Match number `index` (1-based); "" when there is none. Only when `position` is supplied, it gets
    // textPosition(subject, result, start of the match in UTF-16 units taken as a byte position,
    // ignoreCase when the search ignored case) - 1: 0 for a missing match, -2 for an empty subject.
    std::string matchText(int index, int* position = nullptr) const;

    // Capture group `groupIndex` (1-based, by opening parenthesis) of match `matchIndex`; "" when
    // either does not exist or the group took no part. `position` as for matchText, searched from the
    // start of the whole match.
    std::string groupText(int matchIndex, int groupIndex, int* position = nullptr) const;

    // Number of capture groups of the first match; 0 when there is no match.
    int groupCount() const;

    // Copies share the compiled pattern and the match list; each holds its own subject, and a later
    // search on one leaves the other as it was.

  private:
    struct Engine;
    struct MatchTexts;

    int positionOf(const std::string& found, int firstIndex) const;
    std::u16string_view wideSubject() const;
    std::shared_ptr<const MatchTexts> convertMatchTexts() const;

    std::shared_ptr<const Engine> engine;
    std::shared_ptr<const platform::RegexMatches> matchList;
    std::shared_ptr<const std::u16string> subject;  // never changed once made, so copies share it
    // Made on demand from the above, the first time they are asked for.
    mutable std::shared_ptr<const std::string> subjectText;  // code page 936 form of subject
    mutable std::shared_ptr<const MatchTexts> matchTexts;
};

}  // namespace web
