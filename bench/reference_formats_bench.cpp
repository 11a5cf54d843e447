// SPDX-License-Identifier: MIT
// Speed and peak memory of the reference-file readers and writers.
//
//   reference_formats_bench generate ris|bibtex|csl-json FILE MB   a generated file of about MB MB
//   reference_formats_bench read FILE                              FILE to the CSV for JFile
//   reference_formats_bench write ris|bibtex|csl-json CSV OUT      the converter's CSV to OUT
//
// read and write print the records, the CPU time, MB/s of CPU (input bytes for reading, output
// bytes for writing) and the peak resident memory the system reports (VmHWM, Linux only). The
// CSV of read, with every field selected, serves as the input of write.

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "engine/context.h"
#include "engine/plain_host.h"
#include "engine/reference_record.h"
#include "engine/session.h"
#include "engine/strategy_file.h"
#include "platform/platform.h"

namespace {

constexpr double kMegabyte = 1000.0 * 1000.0;

struct Run {
    rq::PlainHost host;
    std::unique_ptr<rq::SystemServices> system = rq::createSystemServices();
    rq::InMemoryStrategyWindow window;
    rq::ConversionContext ctx{host, *system, window};
    rq::UserSettings settings;
    rq::OutputFile output{system.get()};

    Run() {
        rq::prepareStrategy(settings.strategy, ctx.window);
        rq::readStrategyText(ctx, settings.strategy, rq::factoryDefaultsText());
        host.spoolLogAfter(1000);
        for (rq::FieldSlot& slot : settings.strategy.slots) {
            slot.selected = true;
            slot.maxLength = 30000;
        }
    }
};

// The peak resident memory in KiB, or -1 where the system does not tell.
long peakKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

void report(const char* what, long records, std::uintmax_t bytes, std::clock_t start) {
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    std::printf("%s: %ld records, %.1f MB, %.2f s CPU, %.1f MB/s, peak RSS %.1f MiB\n", what,
                records, static_cast<double>(bytes) / kMegabyte, seconds,
                static_cast<double>(bytes) / kMegabyte / seconds,
                static_cast<double>(peakKiB()) / 1024.0);
}

// Words for realistic values: one in ten has a letter beyond ASCII, some of them beyond
// Windows-1252, about as often as real reference files have them.
const char* const kWords[] = {
    "analysis",    "of",      "the",       "catalytic", "properties", "Müller",   "reaction",
    "DNA",         "systems", "model",     "theory",    "network",    "for",      "a",
    "study",       "in",      "and",       "with",      "effect",     "Łódź",     "data",
    "methods",     "on",      "response",  "clinical",  "patients",   "Ångström", "review",
    "control",     "energy",  "structure", "evidence",  "cell",       "growth",   "č",
    "protein",     "surface", "learning",  "social",    "dynamics",   "approach", "Gödel",
    "temperature", "design",  "by",        "from",      "human",      "large",    "new"};

std::string words(std::mt19937& random, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        if (i > 0) out += ' ';
        out += kWords[random() % std::size(kWords)];
    }
    return out;
}

void generate(const std::string& format, const std::string& file, double megabytes) {
    std::mt19937 random(42);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        std::perror(file.c_str());
        std::exit(1);
    }
    const auto target = static_cast<long>(megabytes * kMegabyte);
    long written = 0;
    if (format == "csl-json") written += std::fprintf(out, "[\n");
    if (format == "bibtex")
        written += std::fprintf(out,
                                "@string{jcp = {J.~Chem. Phys.}}\n@book{parent, title = "
                                "{The Parent}, publisher = {P}, year = 2000}\n\n");
    for (long n = 0; written < target; ++n) {
        const std::string title = words(random, 12);
        const std::string abstract = words(random, 90);
        const int year = 1950 + static_cast<int>(random() % 70);
        if (format == "ris") {
            written += std::fprintf(
                out,
                "TY  - JOUR\r\nAU  - Smith, John\r\nAU  - M\xC3\xBCller, Anna\r\nAU  - %s, B.\r\n"
                "PY  - %d/05/01/\r\nTI  - %s\r\nT2  - Journal of %s\r\nVL  - %ld\r\nIS  - 3\r\n"
                "SP  - 100\r\nEP  - 120\r\nKW  - %s\r\nKW  - %s\r\nAB  - %s\r\n"
                "DO  - 10.1000/%ld\r\nID  - ref%ld\r\nER  - \r\n\r\n",
                words(random, 1).c_str(), year, title.c_str(), words(random, 2).c_str(), n % 90,
                words(random, 2).c_str(), words(random, 1).c_str(), abstract.c_str(), n, n);
        } else if (format == "bibtex") {
            written += std::fprintf(
                out,
                "@article{ref%ld,\n  author = {Smith, John and M{\\\"u}ller, Anna and %s, B.},\n"
                "  title = {{DNA} %s},\n  journal = jcp,\n  year = %d,\n  month = may,\n"
                "  volume = {%ld},\n  number = {3},\n  pages = {100--120},\n"
                "  keywords = {%s, %s},\n  abstract = {%s},\n  doi = {10.1000/%ld},\n}\n\n",
                n, words(random, 1).c_str(), title.c_str(), year, n % 90, words(random, 2).c_str(),
                words(random, 1).c_str(), abstract.c_str(), n);
            if (n % 50 == 0)
                written += std::fprintf(out,
                                        "@incollection{part%ld, author = {Doe, J.}, title = {%s},"
                                        " crossref = {parent}, pages = {1--9}}\n\n",
                                        n, words(random, 5).c_str());
        } else {
            written += std::fprintf(
                out,
                "%s{\"id\": \"ref%ld\", \"type\": \"article-journal\", \"author\": [{\"family\": "
                "\"Smith\", \"given\": \"John\"}, {\"family\": \"M\xC3\xBCller\", \"given\": "
                "\"Anna\"}], \"title\": \"%s\", \"container-title\": \"Journal of %s\", "
                "\"issued\": {\"date-parts\": [[%d, 5, 1]]}, \"volume\": %ld, \"issue\": \"3\", "
                "\"page\": \"100-120\", \"keyword\": \"%s, %s\", \"abstract\": \"%s\", "
                "\"DOI\": \"10.1000/%ld\"}",
                n == 0 ? "" : ",\n", n, title.c_str(), words(random, 2).c_str(), year, n % 90,
                words(random, 2).c_str(), words(random, 1).c_str(), abstract.c_str(), n);
        }
    }
    if (format == "csl-json") std::fprintf(out, "\n]\n");
    std::fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "generate" && argc == 5) {
        generate(argv[2], argv[3], std::atof(argv[4]));
        return 0;
    }
    if (mode == "read" && argc >= 3) {
        Run run;
        const std::string csv = argc > 3 ? argv[3] : "/dev/shm/rq-bench-references.csv";
        const std::clock_t start = std::clock();
        const rq::ExportResult result =
            rq::exportReferenceFile(run.settings.strategy, run.ctx.host, run.output, argv[2], csv);
        report("read", result.records, std::filesystem::file_size(argv[2]), start);
        return result.records > 0 ? 0 : 1;
    }
    if (mode == "write" && argc == 5) {
        const std::optional<rq::ReferenceFormat> format = rq::referenceFormatByName(argv[2]);
        if (!format) return 2;
        Run run;
        const std::clock_t start = std::clock();
        const rq::ImportResult result =
            rq::writeReferenceFile(run.ctx.host, run.output, argv[3], argv[4], *format);
        report("write", result.records, std::filesystem::file_size(argv[4]), start);
        return result.failed ? 1 : 0;
    }
    std::fprintf(stderr,
                 "usage: reference_formats_bench generate ris|bibtex|csl-json FILE MB\n"
                 "       reference_formats_bench read FILE [CSV]\n"
                 "       reference_formats_bench write ris|bibtex|csl-json CSV OUT\n");
    return 2;
}
