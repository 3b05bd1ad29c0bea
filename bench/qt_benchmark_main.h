#pragma once
// The main of the benchmarks that need widgets: a QApplication on Qt's offscreen platform, then
// Google Benchmark. Use as: int main(int argc, char** argv) { return runQtBenchmarks(argc, argv); }

#include <benchmark/benchmark.h>

#include <QApplication>

inline int runQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
