#pragma once
// The decisions of the word-list passes, apart from the controls: which rows go. Pure and
// thread-safe; the passes in research/word_list.h read the list once, decide here and then change the
// list in one step.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace research {

// The text of kept keywords, each followed by CR LF, with a substring index over it:
// contains(k) gives exactly textPosition(text(), k) != -1, the two-byte rule included (a match never
// starts on the second byte of a two-byte character), in time linear in k whatever the text's size,
// except for a k with CR or LF, which is searched in the whole text.
// After addLine("连衣裙长款"): contains("长款") and contains("款\r\n") hold, contains("") too;
// contains("连衣裙长款女") does not. A new index contains nothing, not even "".
class SeenKeywordIndex {
public:
    void addLine(std::string_view keyword);
    bool contains(std::string_view keyword) const;
    const std::string& text() const { return text_; }
    std::string takeText() { return std::move(text_); }

private:
    // The index is a suffix automaton over the kept keywords, each read as characters (one symbol
    // per one-byte or two-byte character), so that only character-aligned substrings are recognised.
    struct Edge {
        std::uint32_t symbol;
        std::uint32_t target;
    };
    struct State {
        std::int32_t length;
        std::int32_t link;
        std::uint32_t edgeBegin;  // the state's edges, sorted by symbol, are edges_[edgeBegin ...]
        std::uint32_t edgeCount;
        std::uint32_t edgeCapacity;
    };
    std::int32_t extend(std::int32_t from, std::uint32_t symbol);
    std::int32_t next(std::int32_t state, std::uint32_t symbol) const;
    void setEdge(std::int32_t state, std::uint32_t symbol, std::int32_t target);
    bool hasEdgeInRange(std::int32_t state, std::uint32_t first, std::uint32_t last) const;

    std::string text_;
    std::vector<State> states_{State{0, -1, 0, 0, 0}};
    std::vector<Edge> edges_;
};

struct DedupeDecision {
    std::vector<int> removedRows;  // 0-based indexes into the keywords, ascending
    std::string seenKeywords;      // every kept keyword followed by CR LF, in list order
};

// The de-duplication of a list whose column 1 holds `keywords`, starting with no remembered keyword:
// a keyword goes when it occurs in the text of the keywords kept before it. The first always stays;
// an empty keyword stays only in the first row. `afterRow(rowsLeft, removed)` is told the list's row
// count and the removed count after each row, as the pass's status shows them.
// {"a","b","a","ab","c","b"} -> removedRows {2, 5}, seenKeywords "a\r\nb\r\nab\r\nc\r\n".
DedupeDecision decideDedupe(const std::vector<std::string>& keywords,
                            const std::function<void(int rowsLeft, int removed)>& afterRow = {});

// True when `keyword` contains one of the delete words (textPosition, case-sensitive). An empty delete
// word is found in every non-empty keyword; no delete word is found in an empty keyword.
bool holdsDeleteWord(std::string_view keyword, const std::vector<std::string>& deleteWords);

// "提示:共" + rowCount + "/去除" + removed, in code page 936.
std::string dedupeStatusText(int rowCount, int removed);

}  // namespace research
