#include "research/word_list_logic.h"

#include <algorithm>

#include "platform/gbk_literal.h"
#include "web/text.h"

namespace research {
namespace {

// A one-byte character is its byte; a two-byte character (first byte 0x80 or above) is both bytes,
// first byte high, so the two kinds never meet.
bool startsTwoByte(unsigned char byte) { return byte >= 0x80; }

std::uint32_t twoByteSymbol(unsigned char first, unsigned char second) {
    return (std::uint32_t{first} << 8) | second;
}

}  // namespace

void SeenKeywordIndex::addLine(std::string_view keyword) {
    text_.append(keyword);
    text_.append("\r\n");
    // Each keyword goes into the automaton alone: a keyword without CR or LF can only be found within
    // one kept keyword. Every line starts on a character boundary, as the line before ends with LF; a
    // last byte of 0x80 or above takes the CR after it as its second byte, as textPosition reads it.
    std::int32_t state = 0;
    for (size_t i = 0; i < keyword.size();) {
        const auto byte = static_cast<unsigned char>(keyword[i]);
        if (!startsTwoByte(byte)) {
            state = extend(state, byte);
            i += 1;
        } else {
            const auto second = static_cast<unsigned char>(i + 1 < keyword.size() ? keyword[i + 1] : '\r');
            state = extend(state, twoByteSymbol(byte, second));
            i += 2;
        }
    }
}

bool SeenKeywordIndex::contains(std::string_view keyword) const {
    if (keyword.empty()) return !text_.empty();
    // A match that takes in a line break may run across kept keywords: the rare keyword with CR or LF
    // is searched in the whole text.
    if (keyword.find_first_of("\r\n") != std::string_view::npos) return web::textPosition(text_, keyword) != -1;
    std::int32_t state = 0;
    size_t i = 0;
    while (i < keyword.size()) {
        const auto byte = static_cast<unsigned char>(keyword[i]);
        if (!startsTwoByte(byte)) {
            state = next(state, byte);
            i += 1;
        } else if (i + 1 < keyword.size()) {
            state = next(state, twoByteSymbol(byte, static_cast<unsigned char>(keyword[i + 1])));
            i += 2;
        } else {
            // The keyword ends with the first byte of a character: in the text that byte starts a
            // two-byte character (the text ends with LF, so none is cut short), whatever its second.
            return hasEdgeInRange(state, twoByteSymbol(byte, 0x00), twoByteSymbol(byte, 0xFF));
        }
        if (state < 0) return false;
    }
    return true;
}

std::int32_t SeenKeywordIndex::next(std::int32_t state, std::uint32_t symbol) const {
    const State& s = states_[state];
    const Edge* begin = edges_.data() + s.edgeBegin;
    const Edge* end = begin + s.edgeCount;
    const Edge* it = std::lower_bound(begin, end, symbol,
                                      [](const Edge& e, std::uint32_t sym) { return e.symbol < sym; });
    return it != end && it->symbol == symbol ? static_cast<std::int32_t>(it->target) : -1;
}

bool SeenKeywordIndex::hasEdgeInRange(std::int32_t state, std::uint32_t first, std::uint32_t last) const {
    const State& s = states_[state];
    const Edge* begin = edges_.data() + s.edgeBegin;
    const Edge* end = begin + s.edgeCount;
    const Edge* it = std::lower_bound(begin, end, first,
                                      [](const Edge& e, std::uint32_t sym) { return e.symbol < sym; });
    return it != end && it->symbol <= last;
}

// Sets or adds the edge, keeping the state's edges sorted. A full block moves to the end of the pool
// with twice the room; the old block is left unused, which at most doubles the pool.
void SeenKeywordIndex::setEdge(std::int32_t state, std::uint32_t symbol, std::int32_t target) {
    State& s = states_[state];
    Edge* begin = edges_.data() + s.edgeBegin;
    Edge* end = begin + s.edgeCount;
    Edge* it = std::lower_bound(begin, end, symbol,
                                [](const Edge& e, std::uint32_t sym) { return e.symbol < sym; });
    if (it != end && it->symbol == symbol) {
        it->target = static_cast<std::uint32_t>(target);
        return;
    }
    const size_t at = static_cast<size_t>(it - begin);
    if (s.edgeCount == s.edgeCapacity) {
        const std::uint32_t capacity = std::max<std::uint32_t>(2, s.edgeCapacity * 2);
        const auto moved = static_cast<std::uint32_t>(edges_.size());
        edges_.resize(edges_.size() + capacity);
        std::copy_n(edges_.begin() + s.edgeBegin, s.edgeCount, edges_.begin() + moved);
        s.edgeBegin = moved;
        s.edgeCapacity = capacity;
    }
    Edge* block = edges_.data() + s.edgeBegin;
    std::copy_backward(block + at, block + s.edgeCount, block + s.edgeCount + 1);
    block[at] = Edge{symbol, static_cast<std::uint32_t>(target)};
    ++s.edgeCount;
}

// The online construction over several texts: `from` is the state of the text read so far; a
// transition that exists already is reused, split by a clone where it stands for longer substrings.
std::int32_t SeenKeywordIndex::extend(std::int32_t from, std::uint32_t symbol) {
    std::int32_t p = from;
    std::int32_t current = -1;
    const std::int32_t existing = next(p, symbol);
    if (existing != -1 && states_[p].length + 1 == states_[existing].length) return existing;
    if (existing == -1) {
        current = static_cast<std::int32_t>(states_.size());
        states_.push_back(State{states_[p].length + 1, 0, 0, 0, 0});
        while (p != -1 && next(p, symbol) == -1) {
            setEdge(p, symbol, current);
            p = states_[p].link;
        }
        if (p == -1) return current;
    }
    const std::int32_t q = next(p, symbol);
    if (states_[p].length + 1 == states_[q].length) {
        states_[current].link = q;
        return current;
    }
    const auto clone = static_cast<std::int32_t>(states_.size());
    const State original = states_[q];
    states_.push_back(State{states_[p].length + 1, original.link, static_cast<std::uint32_t>(edges_.size()),
                            original.edgeCount, original.edgeCount});
    edges_.insert(edges_.end(), edges_.begin() + original.edgeBegin,
                  edges_.begin() + original.edgeBegin + original.edgeCount);
    while (p != -1 && next(p, symbol) == q) {
        setEdge(p, symbol, clone);
        p = states_[p].link;
    }
    states_[q].link = clone;
    if (current == -1) return clone;
    states_[current].link = clone;
    return current;
}

DedupeDecision decideDedupe(const std::vector<std::string>& keywords,
                            const std::function<void(int rowsLeft, int removed)>& afterRow) {
    DedupeDecision decision;
    SeenKeywordIndex seen;
    const int total = static_cast<int>(keywords.size());
    for (int row = 0; row < total; ++row) {
        if (seen.contains(keywords[row])) {
            decision.removedRows.push_back(row);
        } else {
            seen.addLine(keywords[row]);
        }
        if (afterRow) {
            const int removed = static_cast<int>(decision.removedRows.size());
            afterRow(total - removed, removed);
        }
    }
    decision.seenKeywords = seen.takeText();
    return decision;
}

bool holdsDeleteWord(std::string_view keyword, const std::vector<std::string>& deleteWords) {
    return std::any_of(deleteWords.begin(), deleteWords.end(), [&](const std::string& word) {
        return web::textPosition(keyword, word) != -1;
    });
}

std::string dedupeStatusText(int rowCount, int removed) {
    static const std::string head = platform::gbk("提示:共");
    static const std::string middle = platform::gbk("/去除");
    return head + std::to_string(rowCount) + middle + std::to_string(removed);
}

}  // namespace research
