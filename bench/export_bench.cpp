// SPDX-License-Identifier: MIT
// Throughput and memory of the export-to-CSV conversion with the factory-default strategy and
// the plain host, and of the CSV-to-import conversion of a 10,000-record CSV made from it.
//
//   export_bench                         Google Benchmark run on a generated 50 MB export
//   export_bench generate FILE MB [SEED] writes a generated export of about MB megabytes
//   export_bench records FILE COUNT      writes a generated export of exactly COUNT records
//   export_bench convert FILE [CSV]      converts FILE once and prints records and MB/s
//                                        (run it under /usr/bin/time -v for the peak memory;
//                                        the CSV goes to /dev/shm unless CSV is given)

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/export_generator.h"
#include "engine/context.h"
#include "engine/csv_import.h"
#include "engine/export_csv.h"
#include "engine/plain_host.h"
#include "engine/session.h"
#include "engine/strategy_file.h"
#include "platform/platform.h"

namespace {

constexpr std::size_t kMegabyte = 1000 * 1000;

// The context of one conversion run with the factory defaults, as start-up leaves it.
struct Run {
    rq::PlainHost host;
    std::unique_ptr<rq::SystemServices> system = rq::createSystemServices();
    rq::InMemoryStrategyWindow window;
    rq::ConversionContext ctx{host, *system, window};
    rq::UserSettings settings;
    rq::OutputFile output{system.get()};

    std::string csvFile;  // where the export goes

    explicit Run(const std::string& csvPath) : csvFile(csvPath) {
        rq::prepareStrategy(settings.strategy, ctx.window);
        rq::readStrategyText(ctx, settings.strategy, rq::factoryDefaultsText());
    }
};

std::string tempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

// The CSV goes to memory-backed storage where there is one: rewriting a file on disk again and
// again measures the disk's write-back, not the conversion.
std::string csvPath(const char* name) {
    const std::filesystem::path shm = "/dev/shm";
    return std::filesystem::is_directory(shm) ? (shm / name).string() : tempPath(name);
}

void BM_ExportToCsv(benchmark::State& state) {
    const std::string source = tempPath("rq-bench-export.txt");
    const std::string csv = csvPath("rq-bench-export.csv");
    const std::size_t bytes = static_cast<std::size_t>(state.range(0)) * kMegabyte;
    if (!rq::bench::writeExportFile(source, bytes, 1)) {
        state.SkipWithError("cannot write the generated export");
        return;
    }
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(source));
    int records = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(csv);
        state.ResumeTiming();
        Run run(csv);
        records =
            rq::exportToCsv(run.settings.strategy, run.ctx.host, run.output, source, run.csvFile)
                .records;
        if (run.host.errorShown()) state.SkipWithError("the conversion showed an error");
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["records"] = records;
    std::filesystem::remove(source);
    std::filesystem::remove(csv);
}
BENCHMARK(BM_ExportToCsv)->Arg(50)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The import reads at most 10,000 records: a CSV of 10,000 records (about 22 MB) made by the
// export from a generated export.
void BM_CsvToImport(benchmark::State& state) {
    const std::string source = tempPath("rq-bench-import-export.txt");
    const std::string csv = csvPath("rq-bench-import.csv");
    const std::string tsv = csvPath("rq-bench-import.tsv");
    if (!rq::bench::writeExportFile(source, 25 * kMegabyte, 2)) {
        state.SkipWithError("cannot write the generated export");
        return;
    }
    {
        Run run(csv);
        rq::exportToCsv(run.settings.strategy, run.ctx.host, run.output, source, csv);
    }
    std::filesystem::remove(source);
    // Only the first 10,000 records are read: count the bytes up to the end of the 10,001st line.
    std::int64_t bytes = 0;
    {
        std::FILE* in = std::fopen(csv.c_str(), "rb");
        int lines = 0;
        for (int c; lines < 10001 && in != nullptr && (c = std::fgetc(in)) != EOF; ++bytes) {
            if (c == '\n') ++lines;
        }
        if (in != nullptr) std::fclose(in);
    }
    int records = 0;
    for (auto _ : state) {
        Run run(csv);
        records = rq::csvToImport(run.ctx.host, run.output, csv, tsv).records;
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["records"] = records;
    std::filesystem::remove(csv);
    std::filesystem::remove(tsv);
}
BENCHMARK(BM_CsvToImport)->Unit(benchmark::kMillisecond)->MinTime(3.0);

int generate(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::size_t megabytes = std::strtoull(argv[3], nullptr, 10);
    const unsigned seed = argc > 4 ? static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10)) : 1;
    return rq::bench::writeExportFile(argv[2], megabytes * kMegabyte, seed) ? 0 : 1;
}

int records(int argc, char** argv) {
    if (argc < 4) return 2;
    const unsigned long count = std::strtoul(argv[3], nullptr, 10);
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) return 1;
    rq::bench::ExportGenerator generator(1);
    std::string block;
    bool ok = true;
    for (unsigned long n = 0; ok && n < count; ++n) {
        generator.appendRecord(block);
        if (block.size() < (std::size_t{1} << 20) && n + 1 < count) continue;
        ok = std::fwrite(block.data(), 1, block.size(), file) == block.size();
        block.clear();
    }
    return std::fclose(file) == 0 && ok ? 0 : 1;
}

int convert(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string source = argv[2];
    Run run(argc > 3 ? argv[3] : csvPath("rq-bench-convert.csv"));
    const auto start = std::chrono::steady_clock::now();
    const rq::ExportResult exported =
        rq::exportToCsv(run.settings.strategy, run.ctx.host, run.output, source, run.csvFile);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    const double megabytes = static_cast<double>(std::filesystem::file_size(source)) / kMegabyte;
    std::printf("%d records, %d with cut values, %.1f MB in %.3f s: %.0f MB/s\n", exported.records,
                exported.truncatedRecords, megabytes, seconds.count(), megabytes / seconds.count());
    if (argc <= 3) std::filesystem::remove(run.csvFile);
    return run.host.errorShown() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "generate") return generate(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "convert") return convert(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "records") return records(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
