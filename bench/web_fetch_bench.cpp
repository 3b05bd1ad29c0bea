// WebFetch against a loopback cpp-httplib server: small answers, each over a new connection, and one
// large body read whole.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "tests/support/http_test_server.h"
#include "web/web_fetch.h"

namespace {

constexpr size_t largeBodyBytes = 50u << 20;

// Set up once, on first use.
std::string serverUrl(std::string_view path) {
    static testing_support::HttpTestServer instance;
    static const bool started = [] {
        httplib::Server& routes = instance.server();
        routes.Get("/small", [](const httplib::Request&, httplib::Response& response) {
            response.set_header("Set-Cookie", "sid=1; path=/");
            response.set_content("<html>ok</html>", "text/html");
        });
        static const std::string large(largeBodyBytes, 'x');
        // Served in 4 MB pieces: cpp-httplib writes one whole 50 MB body far slower than the client reads.
        routes.Get("/large", [](const httplib::Request&, httplib::Response& response) {
            response.set_content_provider(large.size(), "application/octet-stream",
                                          [](size_t offset, size_t length, httplib::DataSink& sink) {
                                              return sink.write(large.data() + offset, std::min<size_t>(length, 4u << 20));
                                          });
        });
        instance.start();
        return true;
    }();
    return started ? "http://" + instance.host() + std::string(path) : "";
}

void smallGet(benchmark::State& state) {
    std::string url = serverUrl("/small");
    web::CookieText cookies = "a=1";
    for (auto _ : state) {
        std::string body = web::WebFetch(url, 0, "", &cookies);
        if (body.empty()) state.SkipWithError("empty answer");
        benchmark::DoNotOptimize(body);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(smallGet)->UseRealTime()->Unit(benchmark::kMicrosecond);

void largeBody(benchmark::State& state) {
    std::string url = serverUrl("/large");
    for (auto _ : state) {
        std::string body = web::WebFetch(url);
        if (body.size() != largeBodyBytes) state.SkipWithError("short body");
        benchmark::DoNotOptimize(body);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * largeBodyBytes));
}
BENCHMARK(largeBody)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
