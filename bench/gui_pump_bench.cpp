// SPDX-License-Identifier: MIT
// What the main window's services cost a conversion: the generated 50 MB export converted to
// CSV through the window (events processed every few milliseconds, the progress dialog counting
// records, the log showing a line for each record with cut values) and through the plain
// headless host, with the factory strategy (argument 0) and a cutting one (argument 1). At the
// end, both hosts run in turn and the window's ratio to headless is printed for both strategies.
//
//   gui_pump_bench [--benchmark_filter=Plain|Window]
//
// Each run rewrites the same 50 MB CSV, so the page cache weighs on the wall time; compare the
// processor times, or run each filter in a process of its own.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/export_generator.h"
#include "engine/context.h"
#include "engine/export_csv.h"
#include "engine/plain_host.h"
#include "engine/session.h"
#include "engine/strategy_file.h"
#include "platform/platform.h"
#include "shell/main_window.h"
#include "shell/prompts.h"
#include "shell/startup.h"
#include "shell/window_host.h"

namespace {

constexpr std::size_t kExportBytes = 50 * 1000 * 1000;

std::filesystem::path benchFolder() {
    return std::filesystem::temp_directory_path() / "rq-gui-pump-bench";
}

std::string sourcePath() {
    return (benchFolder() / "export.txt").string();
}

std::string csvPath() {
    return (benchFolder() / "export.csv").string();
}

// As start-up leaves it with the factory defaults; `cutting` selects 12 fields and cuts Author,
// Title and Abstract, which cuts values in about 80% of the records (one log line each).
void prepare(rq::ConversionContext& ctx, rq::UserSettings& settings, bool cutting) {
    rq::prepareStrategy(settings.strategy, ctx.window);
    rq::readStrategyText(ctx, settings.strategy, rq::factoryDefaultsText());
    if (!cutting) return;
    for (int n = 1; n <= rq::kFieldCount; ++n) {
        settings.strategy.slots[n].selected = (n <= 9 || n == 11 || n == 13 || n == 14);
    }
    settings.strategy.slots[2].maxLength = 80;
    settings.strategy.slots[4].maxLength = 150;
    settings.strategy.slots[14].maxLength = 1200;
}

struct PlainRun {
    rq::PlainHost host;
    std::unique_ptr<rq::SystemServices> system = rq::createSystemServices();
    rq::InMemoryStrategyWindow window;
    rq::ConversionContext ctx{host, *system, window};
    rq::UserSettings settings;
    rq::OutputFile output{system.get()};
    explicit PlainRun(bool cutting) { prepare(ctx, settings, cutting); }
    int convert() {
        return rq::exportToCsv(settings.strategy, ctx.host, output, sourcePath(), csvPath())
            .records;
    }
};

// One window for every run: building it waits the start-up pause.
struct WindowRun {
    std::unique_ptr<rq::SystemServices> system = rq::createSystemServices();
    rq::Prompts prompts;
    rq::MainWindow window{*system, (benchFolder() / "program").string(), prompts};
    WindowRun() {
        prompts.answerMessagesAutomatically(true);
        window.createDialogs();
        window.show();
        window.host().phaseStarted(rq::ProgressPhase::EndNoteToCsv, sourcePath());
        QCoreApplication::processEvents();
    }
    int convert(bool cutting) {
        prepare(window.context(), window.settings(), cutting);
        return rq::exportToCsv(window.settings().strategy, window.context().host,
                               window.outputFile(), sourcePath(), csvPath())
            .records;
    }
};

WindowRun* windowRun = nullptr;

void BM_ExportPlainHost(benchmark::State& state) {
    int records = 0;
    for (auto _ : state) {
        PlainRun run(state.range(0) != 0);
        records = run.convert();
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(sourcePath())));
    state.counters["records"] = records;
}
BENCHMARK(BM_ExportPlainHost)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ExportWindowHost(benchmark::State& state) {
    int records = 0;
    for (auto _ : state) records = windowRun->convert(state.range(0) != 0);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(sourcePath())));
    state.counters["records"] = records;
}
BENCHMARK(BM_ExportWindowHost)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Headless and window runs in turn, CPU time of the whole process (every thread) and
// wall time, and the window's ratio to headless round by round.
void compareHosts(bool cutting, int rounds) {
    std::vector<double> plainCpu, windowCpu, cpuRatio, wallRatio;
    for (int r = 0; r < rounds; ++r) {
        double cpu[2];
        double wall[2];
        for (int host = 0; host < 2; ++host) {
            const std::clock_t cpuStart = std::clock();
            const auto wallStart = std::chrono::steady_clock::now();
            if (host == 0) {
                PlainRun run(cutting);
                run.convert();
            } else {
                windowRun->convert(cutting);
            }
            cpu[host] = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            wall[host] =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        }
        plainCpu.push_back(cpu[0]);
        windowCpu.push_back(cpu[1]);
        cpuRatio.push_back(cpu[1] / cpu[0]);
        wallRatio.push_back(wall[1] / wall[0]);
    }
    std::printf(
        "%s: headless %.3f s CPU, window %.3f s CPU; window / headless %.2f CPU, %.2f wall"
        " (medians of %d rounds)\n",
        cutting ? "cutting 12-field strategy" : "factory strategy", median(plainCpu),
        median(windowCpu), median(cpuRatio), median(wallRatio), rounds);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    rq::initShellResources();
    std::filesystem::create_directories(benchFolder() / "program");
    if (!rq::bench::writeExportFile(sourcePath(), kExportBytes, 1)) {
        std::fprintf(stderr, "cannot write %s\n", sourcePath().c_str());
        return 1;
    }
    {
        WindowRun run;
        windowRun = &run;
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        compareHosts(false, 7);
        compareHosts(true, 7);
        windowRun = nullptr;
    }
    std::filesystem::remove_all(benchFolder());
    return 0;
}
