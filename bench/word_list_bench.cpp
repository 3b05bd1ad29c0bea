// The word-list passes over 100,000 bid-word rows, each run on a worker as its button runs it, with
// the list shown in a table view, against the row-by-row way (a UI round trip per row, a search of the
// whole kept text per row) measured on 10,000 rows.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <atomic>
#include <thread>

#include "bench/qt_benchmark_main.h"
#include "bench/bid_rows.h"
#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "research/shared_state.h"
#include "research/word_list.h"
#include "research/word_list_logic.h"
#include "web/text.h"

namespace {

std::vector<platform::ListControl::Column> eightColumns() {
    std::vector<platform::ListControl::Column> columns;
    for (const char* title : {"编号", "关键词", "展现指数", "点击指数", "点击率", "点击转化率", "市场均价", "竞争度"}) {
        columns.push_back({platform::gbk(title), 100});
    }
    return columns;
}

struct Window {
    platform::ListControl list{eightColumns()};
    QTableView view;
    QPlainTextEdit deleteWordsBox;
    QLabel statusLabel;
    Window() {
        view.setModel(&list);
        view.resize(760, 472);
        view.show();
        research::MainControls& c = research::mainControls();
        c.resultList = &list;
        c.deleteWordsBox = &deleteWordsBox;
        c.statusLabel = &statusLabel;
    }
    void fill(int rows) {
        std::vector<int> all(static_cast<size_t>(list.rowCount()));
        for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
        list.deleteRows(all);
        list.appendRows(bench_support::bidRows(rows), 0);
        QCoreApplication::processEvents();
    }
};

Window& window() {
    static Window* w = new Window;
    return *w;
}

// Runs `pass` on a worker while this thread serves the UI, as a button click does.
template <class Pass>
void onWorker(Pass pass) {
    std::atomic<bool> done{false};
    std::thread worker([&] {
        pass();
        done = true;
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents);
    worker.join();
}

// The delete words of the filter runs: two modifiers, found in about a fifth of the bid words.
const char* const kDeleteWords = "网红\n冬季";

void passBenchmark(benchmark::State& state, void (*pass)()) {
    Window& w = window();
    w.deleteWordsBox.setPlainText(QString::fromUtf8(kDeleteWords));
    for (auto _ : state) {
        state.PauseTiming();
        w.fill(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        onWorker(pass);
    }
    state.counters["removed"] = static_cast<double>(state.range(0) - w.list.rowCount());
}

void BM_Dedupe(benchmark::State& state) { passBenchmark(state, &research::dedupeWordList); }
void BM_Filter(benchmark::State& state) { passBenchmark(state, &research::filterWordList); }
BENCHMARK(BM_Dedupe)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Filter)->Arg(100000)->Unit(benchmark::kMillisecond);

// The decisions alone, without the list.
void BM_DecideDedupe(benchmark::State& state) {
    std::vector<std::string> keywords;
    for (const platform::ListRow& row : bench_support::bidRows(static_cast<int>(state.range(0)))) keywords.push_back(row[1]);
    size_t removed = 0;
    for (auto _ : state) removed = research::decideDedupe(keywords).removedRows.size();
    state.counters["removed"] = static_cast<double>(removed);
}
BENCHMARK(BM_DecideDedupe)->Arg(100000)->Unit(benchmark::kMillisecond);

// The row-by-row way, step by step as the passes are described: read each keyword, search, delete
// the row, write the status, each a UI round trip.
void literalDedupe() {
    platform::ListControl& list = *research::mainControls().resultList;
    std::string seen;
    int removed = 0;
    for (int j = 1; j <= list.rowCount();) {
        const std::string keyword = list.cellText(j - 1, 1);
        if (web::textPosition(seen, keyword) == -1) {
            seen += keyword + "\r\n";
            ++j;
        } else {
            list.deleteRow(j - 1);
            ++removed;
        }
        platform::setControlText(research::mainControls().statusLabel,
                                 research::dedupeStatusText(list.rowCount(), removed));
    }
    for (int k = 1; k <= list.rowCount(); ++k) list.setCellText(k - 1, 0, std::to_string(k));
}

void literalFilter() {
    research::MainControls& c = research::mainControls();
    const int total = c.resultList->rowCount();
    int removed = 0;
    for (int i = 1; i <= total; ++i) {
        for (const std::string& word : web::splitOnDelimiter(platform::controlText(c.deleteWordsBox), "\r\n")) {
            const int row = i - 1 - removed;
            if (web::textPosition(c.resultList->cellText(row, 1), word) != -1) {
                c.resultList->deleteRow(row);
                ++removed;
                break;
            }
        }
    }
    for (int k = 1; k <= c.resultList->rowCount(); ++k) c.resultList->setCellText(k - 1, 0, std::to_string(k));
}

void BM_RowByRowDedupe(benchmark::State& state) { passBenchmark(state, &literalDedupe); }
void BM_RowByRowFilter(benchmark::State& state) { passBenchmark(state, &literalFilter); }
BENCHMARK(BM_RowByRowDedupe)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_RowByRowFilter)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

// Qt needs its application object before the first widget, so this main replaces BENCHMARK_MAIN.
int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
