#pragma once
// Regular expressions over UTF-16 text, standing in for the platform's regular-expression object.
// Dialect: ECMAScript-like syntax with lazy quantifiers; \w is ASCII letters, digits and underscore
// only; `.` matches everything but the line feed (a CR included); in multi-line mode ^ and $ match at
// line feeds; \uhhhh and \xhh escapes; an unknown letter escape stands for the letter ("\q" is "q").

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {

struct RegexOptions {
    bool caseless = false;   // letters match regardless of case
    bool multiline = false;  // ^ and $ also match at the starts and ends of lines
    bool jit = true;         // false runs the interpreter only; same results, slower
};

// A stretch of the subject in UTF-16 units, 0-based, end exclusive. start is -1 for a capture group
// that took no part in its match.
struct RegexSpan {
    int start = -1;
    int end = -1;

    bool matched() const { return start >= 0; }
    // The stretch within the subject it was found in; empty for a group that took no part.
    std::u16string_view in(std::u16string_view subject) const {
        return matched() ? subject.substr(start, end - start) : std::u16string_view();
    }
};

// The matches of one run, left to right. Group 0 of a match is the whole match; groups 1 to
// groupCount() are the capture groups, numbered by their opening parenthesis.
class RegexMatches {
  public:
    int count() const { return static_cast<int>(spans_.size()) / (groupCount_ + 1); }
    int groupCount() const { return groupCount_; }
    // 0-based match and group; the caller keeps both in range.
    RegexSpan span(int match, int group) const { return spans_[match * (groupCount_ + 1) + group]; }

  private:
    friend class Regex;
    int groupCount_ = 0;
    std::vector<RegexSpan> spans_;
};

// One compiled pattern with its match data. Move-only; not for use by two threads at once.
class Regex {
  public:
    // nullopt when the pattern is not accepted, e.g. "a(b" (unbalanced parenthesis).
    static std::optional<Regex> compile(std::u16string_view pattern, RegexOptions options = {});

    Regex(Regex&&) noexcept;
    Regex& operator=(Regex&&) noexcept;
    ~Regex();

    int groupCount() const;
    bool usesJit() const;

    // Every match left to right without overlap when `global`, else the first only; an empty match
    // moves the next try on by one character (a surrogate pair counts as one). nullopt when the run
    // fails, and so when a pattern backtracks past the match limit: "(a+)+$" over forty "a" and a "!".
    std::optional<RegexMatches> find(std::u16string_view subject, bool global);

  private:
    struct Handles;
    explicit Regex(std::unique_ptr<Handles> handles);
    std::unique_ptr<Handles> handles_;
};

}  // namespace platform
