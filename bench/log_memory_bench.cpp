// SPDX-License-Identifier: MIT
// The run log's memory in the window: a generated export (2 GB unless an argument gives the
// size in megabytes) converted to CSV through the main window with a strategy that cuts values
// in most records (one log line each), then the Log window shown on the whole run. Prints the
// log's line count and the process's peak resident size, and fails above 64 MiB.
//
//   log_memory_bench [MEGABYTES]

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/export_generator.h"
#include "engine/export_csv.h"
#include "engine/session.h"
#include "engine/strategy_file.h"
#include "platform/platform.h"
#include "shell/log_window.h"
#include "shell/main_window.h"
#include "shell/prompts.h"
#include "shell/startup.h"
#include "shell/window_host.h"

namespace {

constexpr long kLimitKiB = 64 * 1024;

std::filesystem::path benchFolder() {
    return std::filesystem::temp_directory_path() / "rq-log-memory-bench";
}

// The peak resident size so far, from the kernel's own count.
long peakResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmHWM:" && status >> value) return value;
        status.ignore(4096, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::size_t megabytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000;
    QApplication app(argc, argv);
    rq::initShellResources();
    std::filesystem::create_directories(benchFolder() / "program");
    const std::string source = (benchFolder() / "export.txt").string();
    const std::string csv = (benchFolder() / "export.csv").string();
    if (!rq::bench::writeExportFile(source, megabytes * 1000 * 1000, 1)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        return 1;
    }
    const long before = peakResidentKiB();
    int status = 0;
    {
        const auto system = rq::createSystemServices();
        rq::Prompts prompts;
        prompts.answerMessagesAutomatically(true);
        rq::MainWindow window(*system, (benchFolder() / "program").string(), prompts);
        window.createDialogs();
        window.show();
        // The cutting strategy of the pump benchmark: about 80% of the records log a cut value.
        rq::ConversionContext& ctx = window.context();
        rq::UserSettings& settings = window.settings();
        rq::prepareStrategy(settings.strategy, ctx.window);
        rq::readStrategyText(ctx, settings.strategy, rq::factoryDefaultsText());
        for (int n = 1; n <= rq::kFieldCount; ++n)
            settings.strategy.slots[n].selected = (n <= 9 || n == 11 || n == 13 || n == 14);
        settings.strategy.slots[2].maxLength = 80;
        settings.strategy.slots[4].maxLength = 150;
        settings.strategy.slots[14].maxLength = 1200;
        window.host().phaseStarted(rq::ProgressPhase::EndNoteToCsv, source);
        const int records =
            rq::exportToCsv(settings.strategy, ctx.host, window.outputFile(), source, csv).records;
        window.host().progressEnded();
        std::size_t lines = 0;
        window.host().forEachLogLine([&](std::string_view) { return ++lines > 0; });
        prompts.setNextDialogHandler([](QDialog& dialog) {
            dialog.show();
            QCoreApplication::processEvents();
            return int(QDialog::Accepted);
        });
        window.showRunLog();
        const long peak = peakResidentKiB();
        std::printf(
            "%zu MB export, %d records, %zu log lines: peak RSS %.1f MiB (%.1f MiB before"
            " the conversion), limit %ld MiB\n",
            megabytes, records, lines, peak / 1024.0, before / 1024.0, kLimitKiB / 1024);
        status = peak <= kLimitKiB ? 0 : 1;
    }
    std::filesystem::remove_all(benchFolder());
    return status;
}
