// What the main window's services cost a conversion: the generated 50 MB export converted to
// CSV through the window (events processed every few milliseconds, the progress dialog counting
// records) and through the plain headless host.
//
//   gui_pump_bench [--benchmark_filter=Plain|Window]
//
// Each run rewrites the same 50 MB CSV, so the page cache weighs on the wall time; compare the
// processor times, or run each filter in a process of its own.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

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

// As start-up leaves it with the factory defaults.
void prepare(rq::ConversionContext& ctx) {
    rq::prepareStrategy(ctx);
    rq::readStrategyText(ctx, rq::factoryDefaultsText());
}

struct PlainRun {
    rq::PlainHost host;
    std::unique_ptr<rq::SystemServices> system = rq::createSystemServices();
    rq::InMemoryStrategyWindow window;
    rq::ConversionContext ctx{host, *system, window};
    PlainRun() { prepare(ctx); }
    int convert() { return rq::exportToCsv(ctx, sourcePath(), csvPath()); }
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
    int convert() {
        prepare(window.context());
        return rq::exportToCsv(window.context(), sourcePath(), csvPath());
    }
};

WindowRun* windowRun = nullptr;

void BM_ExportPlainHost(benchmark::State& state) {
    int records = 0;
    for (auto _ : state) {
        PlainRun run;
        records = run.convert();
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(sourcePath())));
    state.counters["records"] = records;
}
BENCHMARK(BM_ExportPlainHost)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_ExportWindowHost(benchmark::State& state) {
    int records = 0;
    for (auto _ : state) records = windowRun->convert();
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(std::filesystem::file_size(sourcePath())));
    state.counters["records"] = records;
}
BENCHMARK(BM_ExportWindowHost)->Unit(benchmark::kMillisecond)->MinTime(3.0);

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
        windowRun = nullptr;
    }
    std::filesystem::remove_all(benchFolder());
    return 0;
}
