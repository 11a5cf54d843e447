// SPDX-License-Identifier: MIT
// Converts a 10,000-record CSV of realistic references to a JFile database and back, through the
// converter's whole command path (files read and written in a temporary folder).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "converter/jconvpro.h"

namespace {

namespace fs = std::filesystem;

const char* const kNames[] = {
    "Reference Type", "Author",          "Year",      "Title",    "Title 2",
    "Editor",         "Place Published", "Publisher", "Volume",   "Number",
    "Pages",          "Call Number",     "Keywords",  "Abstract", "Notes"};
const char* const kWords[] = {"analysis",   "of",     "the",      "protein",   "structure",
                              "in",         "Palm",   "handheld", "caf\xe9",   "M\xfcller",
                              "\"quoted\"", "data,",  "model",    "evolution", "theory",
                              "applied",    "review", "systems",  "and"};

std::string words(std::mt19937& rng, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i) out += (rng() % 40 == 0) ? "\x85" : " ";
        out += kWords[rng() % std::size(kWords)];
    }
    return out;
}

void appendQuoted(std::string& out, const std::string& value) {
    out += '"';
    for (char c : value) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    out += '"';
}

struct Fixture {
    fs::path dir;
    std::size_t csvBytes = 0;

    Fixture() {
        dir = fs::temp_directory_path() / "rq-converter-bench";
        fs::create_directories(dir);
        std::mt19937 rng(42);
        std::string csv;
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            if (i) csv += ',';
            appendQuoted(csv, kNames[i]);
        }
        csv += "\r\n";
        const char* types[] = {"Journal Article", "Book", "Book Section", "Thesis"};
        for (int r = 0; r < 10000; ++r) {
            std::vector<std::string> v = {
                types[rng() % 4],
                "Smith, J.\x85O'Brien, K.\x85M\xfcller, H.",
                std::to_string(1950 + rng() % 60),
                words(rng, 8 + static_cast<int>(rng() % 10)),
                words(rng, 5),
                rng() % 3 ? " " : "Editor, E.",
                "Amsterdam",
                "Elsevier",
                std::to_string(rng() % 300),
                std::to_string(rng() % 12),
                std::to_string(rng() % 900) + "-" + std::to_string(900 + rng() % 90),
                "QA76." + std::to_string(rng() % 1000),
                words(rng, 6),
                words(rng, 80 + static_cast<int>(rng() % 200)),
                rng() % 2 ? " " : words(rng, 20)};
            for (std::size_t i = 0; i < v.size(); ++i) {
                if (i) csv += ',';
                appendQuoted(csv, v[i]);
            }
            csv += "\r\n";
        }
        csvBytes = csv.size();
        std::ofstream(dir / "input.csv", std::ios::binary) << csv;
        std::string ifo =
            "64 1 64 1 1 1 64 64 1 1 1 1 1 1 1 \r\n"
            "15 80 30 80 80 80 80 80 20 20 80 80 80 80 80 \r\n110\r\n1\r\n8\r\n";
        for (int k = 0; k < 2; ++k) ifo += "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 \r\n";
        ifo += "456E644A46696C654461746100\r\npopupa\r\nJournal Article\r\nBook\r\npopupc\r\n1999";
        std::ofstream(dir / "input.ifo", std::ios::binary) << ifo;
    }
    ~Fixture() { fs::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void csvToPdb(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        const int rc = rq::jfile::runJconvpro(
            {"1", f.path("input.csv"), f.path("out.pdb"), "Bench refs", f.path("input.ifo")}, 0);
        if (rc != 0) state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.csvBytes));
    state.counters["records"] = 10000;
}
BENCHMARK(csvToPdb)->Unit(benchmark::kMillisecond);

void pdbToCsv(benchmark::State& state) {
    Fixture& f = fixture();
    rq::jfile::runJconvpro(
        {"1", f.path("input.csv"), f.path("out.pdb"), "Bench refs", f.path("input.ifo")}, 0);
    for (auto _ : state) {
        const int rc = rq::jfile::runJconvpro({"2", f.path("out.pdb"), f.path("back.csv")}, 0);
        if (rc != 0) state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.csvBytes));
}
BENCHMARK(pdbToCsv)->Unit(benchmark::kMillisecond);

void roundTrip(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        int rc = rq::jfile::runJconvpro(
            {"1", f.path("input.csv"), f.path("out.pdb"), "Bench refs", f.path("input.ifo")}, 0);
        rc |= rq::jfile::runJconvpro({"2", f.path("out.pdb"), f.path("back.csv")}, 0);
        if (rc != 0) state.SkipWithError("conversion failed");
    }
}
BENCHMARK(roundTrip)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
