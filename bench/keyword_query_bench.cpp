// The keyword query's costs: one answer into rows, many rows into the list from a worker, and whole
// runs against the simulator.

#include <benchmark/benchmark.h>
#include <httplib.h>
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTimer>
#include <atomic>
#include <thread>

#include "bench/qt_benchmark_main.h"
#include "app/main_window.h"
#include "platform/controls.h"
#include "platform/gbk_literal.h"
#include "platform/list_control.h"
#include "research/keyword_query.h"
#include "research/shared_state.h"
#include "sim/accounts.h"
#include "sim/report.h"
#include "tests/support/sim_process.h"
#include "tests/support/test_hosts.h"
#include "web/text.h"

namespace {

// From the raw body of a 5,000-record answer (about 700 KB) to the cleaned cells.
void AnswerToRows(benchmark::State& state) {
    const auto records = sim::recordsFor("男装", "2024-3-9", 5000);
    const std::string body = sim::reportAnswer("男装", records, sim::ReportLayout::oneLine);
    size_t rows = 0;
    for (auto _ : state) {
        rows = research::rowsFromAnswer(web::urlDecode(body, true)).size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * body.size()));
}
BENCHMARK(AnswerToRows)->Unit(benchmark::kMillisecond);

// 100,000 rows appended from a worker into a shown list, one answer of state.range(0) records at a
// time as the query appends them; the longest stretch the UI thread's loop was kept from a 5 ms timer
// is reported as maxGapMs.
void AppendFromWorker(benchmark::State& state) {
    const int perAnswer = static_cast<int>(state.range(0));
    const auto records = sim::recordsFor("连衣裙", "2024-3-9", perAnswer);
    const std::string body = sim::reportAnswer("连衣裙", records, sim::ReportLayout::oneLine);
    const std::vector<platform::ListRow> answer = research::rowsFromAnswer(web::urlDecode(body, true));
    qint64 maxGap = 0;
    for (auto _ : state) {
        state.PauseTiming();
        app::MainWindow window;
        window.show();
        platform::ListControl* list = research::mainControls().resultList;
        QElapsedTimer sinceTick;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            maxGap = std::max(maxGap, sinceTick.restart());
        });
        std::atomic<bool> done{false};
        state.ResumeTiming();
        tick.start(5);
        sinceTick.start();
        std::thread worker([&] {
            for (int i = 0; i < 100000 / perAnswer; ++i) list->appendRows(answer, 0);
            done = true;
        });
        while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        worker.join();
        tick.stop();
        state.PauseTiming();
        if (list->rowCount() != 100000) state.SkipWithError("rows lost");
        state.ResumeTiming();
    }
    state.counters["maxGapMs"] = static_cast<double>(maxGap);
}
BENCHMARK(AppendFromWorker)->Arg(200)->Arg(5000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// A whole run of 200 keywords with no pause against the simulator at 200 records each.
void WholeRun(benchmark::State& state) {
    testing_support::SimProcess sim({"--records", "200"});
    testing_support::testHosts().backendHost = sim.host();
    httplib::Client client("127.0.0.1", sim.port());
    auto login = client.Post("/login", httplib::Params{{"username", std::string(sim::kDemoUser)},
                                                       {"password", std::string(sim::kDemoPassword)}});
    std::string cookies;
    for (const auto& [name, value] : login->headers) {
        if (name == "Set-Cookie") cookies += (cookies.empty() ? "" : "; ") + value.substr(0, value.find(';'));
    }
    auto info = client.Get("/bpenv/getLoginUserInfo.htm", {{"Cookie", cookies}});
    research::sessionCookies().set(cookies);
    research::sessionToken().set(web::textBetween(info->body, "token\":\"", "\",\""));
    std::string box;
    for (int k = 0; k < 200; ++k) box += platform::gbk("关键词") + std::to_string(k) + "\r\n";
    for (auto _ : state) {
        state.PauseTiming();
        app::MainWindow window;
        research::createLocks();
        platform::setComboIndex(research::mainControls().delayCombo, 0);
        platform::setControlText(research::mainControls().keywordBox, box);
        std::atomic<bool> done{false};
        state.ResumeTiming();
        std::thread worker([&] {
            research::runKeywordQuery();
            done = true;
        });
        while (!done) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        worker.join();
        state.PauseTiming();
        if (research::mainControls().resultList->rowCount() != 200 * 200) state.SkipWithError("rows missing");
        state.ResumeTiming();
    }
    state.counters["keywordsPerSecond"] = benchmark::Counter(200.0 * state.iterations(), benchmark::Counter::kIsRate);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peakMiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}
BENCHMARK(WholeRun)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }
