#include "platform/regex_engine.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <climits>
#include <utility>

namespace platform {
namespace {

// A hostile pattern can backtrack for ages; past these limits its run fails instead.
constexpr uint32_t kMatchLimit = 1'000'000;
constexpr uint32_t kDepthLimit = 100'000;  // the interpreter's backtracking depth
constexpr PCRE2_SIZE kJitStackStart = 32 * 1024;
constexpr PCRE2_SIZE kJitStackMax = 8 * 1024 * 1024;

constexpr uint32_t kCompileOptions =
    PCRE2_MATCH_INVALID_UTF      // UTF-16 with surrogate pairs; a lone surrogate does not stop a run
    | PCRE2_ALT_BSUX             // \uhhhh and \xhh as ECMAScript writes them
    | PCRE2_ALLOW_EMPTY_CLASS    // [] matches nothing and [^] any character, as in ECMAScript
    | PCRE2_MATCH_UNSET_BACKREF  // a back reference to a group that took no part matches ""
    | PCRE2_DOLLAR_ENDONLY       // without multi-line, $ is the very end, not before a final LF
    | PCRE2_NEVER_BACKSLASH_C;   // \C could split a surrogate pair

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The offset one character after `offset`.
PCRE2_SIZE nextCharacter(std::u16string_view subject, PCRE2_SIZE offset) {
    if (offset + 1 < subject.size() && isHighSurrogate(subject[offset]) &&
        isLowSurrogate(subject[offset + 1])) {
        return offset + 2;
    }
    return offset + 1;
}

}  // namespace

struct Regex::Handles {
    pcre2_code* code = nullptr;
    pcre2_match_data* matchData = nullptr;
    pcre2_match_context* matchContext = nullptr;
    pcre2_jit_stack* jitStack = nullptr;
    bool jit = false;

    Handles() = default;

    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;
    ~Handles() {
        pcre2_jit_stack_free(jitStack);  // each free function accepts null
        pcre2_match_context_free(matchContext);
        pcre2_match_data_free(matchData);
        pcre2_code_free(code);
    }

    // The JIT first runs on 32 KiB of the machine stack; a run that needs more gets a stack of its own
    // (made once: making one costs far more than a short run) and is tried again.
    int run(std::u16string_view subject, PCRE2_SIZE offset) {
        const auto* text = reinterpret_cast<PCRE2_SPTR>(subject.data());
        if (!jit) return pcre2_match(code, text, subject.size(), offset, 0, matchData, matchContext);
        int rc = pcre2_jit_match(code, text, subject.size(), offset, 0, matchData, matchContext);
        if (rc == PCRE2_ERROR_JIT_STACKLIMIT && !jitStack) {
            jitStack = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
            if (!jitStack) return rc;
            pcre2_jit_stack_assign(matchContext, nullptr, jitStack);
            rc = pcre2_jit_match(code, text, subject.size(), offset, 0, matchData, matchContext);
        }
        return rc;
    }
};

Regex::Regex(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}
Regex::Regex(Regex&&) noexcept = default;
Regex& Regex::operator=(Regex&&) noexcept = default;
Regex::~Regex() = default;

std::optional<Regex> Regex::compile(std::u16string_view pattern, RegexOptions options) {
    std::unique_ptr<pcre2_compile_context, decltype(&pcre2_compile_context_free)> context(
        pcre2_compile_context_create(nullptr), &pcre2_compile_context_free);
    if (!context) return std::nullopt;
    // LF alone ends a line, so `.` matches a CR as the platform's engine does.
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
    pcre2_set_compile_extra_options(context.get(), PCRE2_EXTRA_BAD_ESCAPE_IS_LITERAL);

    uint32_t flags = kCompileOptions;
    if (options.caseless) flags |= PCRE2_CASELESS;
    if (options.multiline) flags |= PCRE2_MULTILINE;

    auto handles = std::make_unique<Handles>();
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    handles->code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), flags,
                                  &errorCode, &errorOffset, context.get());
    if (!handles->code) return std::nullopt;

    handles->matchData = pcre2_match_data_create_from_pattern(handles->code, nullptr);
    handles->matchContext = pcre2_match_context_create(nullptr);
    if (!handles->matchData || !handles->matchContext) return std::nullopt;
    pcre2_set_match_limit(handles->matchContext, kMatchLimit);
    pcre2_set_depth_limit(handles->matchContext, kDepthLimit);

    if (options.jit && pcre2_jit_compile(handles->code, PCRE2_JIT_COMPLETE) == 0) {
        handles->jit = true;
    }
    return Regex(std::move(handles));
}

int Regex::groupCount() const {
    uint32_t count = 0;
    pcre2_pattern_info(handles_->code, PCRE2_INFO_CAPTURECOUNT, &count);
    return static_cast<int>(count);
}

bool Regex::usesJit() const {
    return handles_->jit;
}

std::optional<RegexMatches> Regex::find(std::u16string_view subject, bool global) {
    if (subject.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
    RegexMatches result;
    result.groupCount_ = groupCount();
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(handles_->matchData);

    PCRE2_SIZE offset = 0;
    while (offset <= subject.size()) {
        int rc = handles_->run(subject, offset);
        if (rc == PCRE2_ERROR_NOMATCH) break;
        if (rc <= 0) return std::nullopt;  // limits hit, out of memory, ...

        for (int group = 0; group <= result.groupCount_; ++group) {
            PCRE2_SIZE start = ovector[2 * group];
            PCRE2_SIZE end = ovector[2 * group + 1];
            if (group >= rc || start == PCRE2_UNSET || end < start) {
                result.spans_.push_back({});
            } else {
                result.spans_.push_back({static_cast<int>(start), static_cast<int>(end)});
            }
        }
        if (!global) break;

        PCRE2_SIZE start = ovector[0];
        PCRE2_SIZE end = ovector[1];
        // An empty match (or one that did not get past the offset, as \K can make) moves on one character.
        offset = (end > start && end > offset) ? end : nextCharacter(subject, std::max(end, offset));
    }
    return result;
}

}  // namespace platform
