#include "research/word_list.h"

#include <QLabel>
#include <QObject>
#include <QPlainTextEdit>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "platform/ui_bridge.h"
#include "research/shared_state.h"
#include "research/word_list_logic.h"
#include "web/text.h"

namespace research {
namespace {

constexpr int kNumberColumn = 0;
constexpr int kKeywordColumn = 1;

// A long pass shows its count this often, so the label never lags by more than a glance.
constexpr auto kStatusInterval = std::chrono::milliseconds(50);

std::vector<std::string> deleteWords(const std::string& boxText) {
    return web::splitOnDelimiter(boxText, "\r\n");
}

}  // namespace

void dedupeWordList() {
    std::lock_guard pass(dedupeLock());
    seenKeywords().clear();
    std::lock_guard rows(listLock());
    MainControls& c = mainControls();

    // One read of the keywords, the decisions in memory, one deletion: the same rows go as when
    // each row is read, searched and deleted in turn, since nothing else changes the list meanwhile.
    const std::vector<std::string> keywords = c.resultList->columnTexts(kKeywordColumn);
    if (!keywords.empty()) {
        auto shown = std::chrono::steady_clock::now();
        DedupeDecision decision = decideDedupe(keywords, [&](int rowsLeft, int removed) {
            const auto now = std::chrono::steady_clock::now();
            if (now - shown < kStatusInterval) return;
            shown = now;
            platform::setControlText(c.statusLabel, dedupeStatusText(rowsLeft, removed));
        });
        const int removed = static_cast<int>(decision.removedRows.size());
        c.resultList->deleteRows(std::move(decision.removedRows));
        seenKeywords() = std::move(decision.seenKeywords);
        platform::setControlText(c.statusLabel,
                                 dedupeStatusText(static_cast<int>(keywords.size()) - removed, removed));
    }
    renumberRows();
}

void filterWordList() {
    std::lock_guard run(filterLock());
    std::lock_guard rows(listLock());
    MainControls& c = mainControls();
    const std::vector<std::string> keywords = c.resultList->columnTexts(kKeywordColumn);

    // An edit of the delete words applies to the rows not yet examined. Rather than reading the box
    // for every row, the pass watches it and reads it again only after it has changed.
    auto edits = std::make_shared<std::atomic<unsigned>>(0);
    QMetaObject::Connection watch;
    std::string boxText;
    unsigned editsSeen = 0;
    platform::onUiThread([&] {
        watch = QObject::connect(c.deleteWordsBox, &QPlainTextEdit::textChanged, c.deleteWordsBox,
                                 [edits] { edits->fetch_add(1); });
        editsSeen = edits->load();
        boxText = platform::controlText(c.deleteWordsBox);
    });
    std::vector<std::string> words = deleteWords(boxText);

    std::vector<int> removed;
    for (int row = 0; row < static_cast<int>(keywords.size()); ++row) {
        if (edits->load() != editsSeen) {
            editsSeen = edits->load();
            words = deleteWords(platform::controlText(c.deleteWordsBox));
        }
        if (holdsDeleteWord(keywords[row], words)) removed.push_back(row);
    }
    platform::onUiThread([&] { QObject::disconnect(watch); });

    c.resultList->deleteRows(std::move(removed));
    renumberRows();
    platform::setControlText(c.statusLabel, platform::gbk("筛选完毕"));
}

void renumberRows() {
    std::lock_guard rows(listLock());
    mainControls().resultList->renumber(kNumberColumn);
}

}  // namespace research
