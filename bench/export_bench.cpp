// The export of 100,000 bid-word rows: the text alone, and the whole export to a .xls and a .xlsx
// file, as the export button runs it on the UI thread.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QTemporaryDir>

#include "bench/qt_benchmark_main.h"
#include "bench/bid_rows.h"
#include "platform/dialogs.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "research/export.h"
#include "research/export_text.h"

namespace {

std::vector<platform::ListControl::Column> eightColumns() {
    std::vector<platform::ListControl::Column> columns;
    for (const char* title : {"编号", "关键词", "展现指数", "点击指数", "点击率", "点击转化率", "市场均价", "竞争度"}) {
        columns.push_back({platform::gbk(title), 100});
    }
    return columns;
}

void BM_ExportText(benchmark::State& state) {
    std::vector<platform::ListRow> rows = bench_support::bidRows(static_cast<int>(state.range(0)));
    std::vector<std::string> titles;
    for (const auto& column : eightColumns()) titles.push_back(column.title);
    size_t bytes = 0;
    for (auto _ : state) bytes = research::exportText(titles, rows).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ExportText)->Arg(100000)->Unit(benchmark::kMillisecond);

void exportBenchmark(benchmark::State& state, const char* name) {
    platform::ListControl list(eightColumns());
    list.appendRows(bench_support::bidRows(static_cast<int>(state.range(0))), 0);
    QProgressBar progressBar;
    QLabel exportLabel;
    platform::FileDialog fileDialog;
    QTemporaryDir folder;
    const std::string path = folder.filePath(name).toStdString();
    for (auto _ : state) {
        platform::queueSaveFileName(path);
        platform::queueMessageAnswer(platform::Answer::No);
        research::exportList(&list, &progressBar, &exportLabel, &fileDialog);
    }
    state.counters["bytes"] = static_cast<double>(QFileInfo(QString::fromStdString(path)).size());
}

void BM_ExportXls(benchmark::State& state) { exportBenchmark(state, "rows.xls"); }
void BM_ExportXlsx(benchmark::State& state) { exportBenchmark(state, "rows.xlsx"); }
BENCHMARK(BM_ExportXls)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportXlsx)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

// Qt needs its application object before the first widget, so this main replaces BENCHMARK_MAIN.
int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
