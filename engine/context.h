// SPDX-License-Identifier: MIT
#pragma once
// The conversion context: what a run's jobs share: the host and system services, the folders,
// the user's strategy and the output slot, the settings of the run and the stop request. It
// exists once for the whole run; conversions must never overlap.
//
// The readers and writers (export_csv, csv_import, conversion_info, reference_record) do not
// take it: they get the strategy, the host and the output file they use as parameters, and own
// their buffers. The jobs, the session and the converter driver take the whole context.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/host_services.h"
#include "engine/output_file.h"
#include "engine/strategy.h"
#include "engine/system_services.h"

namespace rq {

// The folder of every intermediate file, under the program's data folder.
inline constexpr std::string_view kWorkFolderName = "RQWork";

// Where the run's files lie. `data` holds "Strat.jfp", "Log.txt", "RQWork" and "Import and
// Export" and is the program folder of the log; `programs` holds the programs and jconvpro.exe.
// A portable copy keeps both in one folder.
struct ProgramFolders {
    ProgramFolders(std::string both) : data(both), programs(std::move(both)) {}
    ProgramFolders(std::string dataFolder, std::string programsFolder)
        : data(std::move(dataFolder)), programs(std::move(programsFolder)) {}

    std::string data;
    std::string programs;
};

// A request to stop the conversion in hand. ThisFile: the user pressed Cancel; the file counts
// as not converted and the job goes on with the next one. AllFiles: the user quits (closing the
// window, Ctrl-C); the job converts no further file.
enum class StopRequest : int { None = 0, ThisFile = 1, AllFiles = 2 };

// The reference formats (reference_record.h); EndNote's is the first.
enum class ReferenceFormat;

class ConversionContext {
  public:
    ConversionContext(HostServices& host, SystemServices& system, StrategyWindow& window);

    HostServices& host;
    SystemServices& system;
    StrategyWindow& window;

    std::string programFolder;    // the data folder; no trailing separator, a root keeps its own
    std::string workFolder;       // programFolder + "RQWork"
    std::string converterFolder;  // the folder of the programs, where jconvpro.exe lies

    Strategy strategy;
    // The run's one output slot (output_file.h); the jobs hand it to each reader and writer.
    OutputFile outputFile;

    // The strategy file could neither be read nor kept as a backup at start-up: the end of the
    // run does not write over it.
    bool keepStrategyFile = false;
    // The strategy file's text as this run took it up; the end of the run writes the strategy
    // only when it differs, so that a change saved meanwhile elsewhere is not undone.
    std::string strategyAtStart;

    // The format the JFile-to-EndNote job writes: EndNote's import file unless the user chose
    // RIS, BibTeX or CSL-JSON.
    ReferenceFormat databaseFormat{};

    // How long the converter may run before it is stopped, in seconds; 0 waits as long as it
    // takes.
    std::int64_t converterTimeoutSeconds = 0;

    // May be called from any thread and from a signal handler. The converter driver looks at
    // the request on every poll: it ends the converter, removes the work files and the file
    // counts as cancelled ("Conversion cancelled" in the log and the status bar).
    void requestStop(StopRequest request) noexcept;
    StopRequest stopRequest() const noexcept {
        return static_cast<StopRequest>(stopRequest_.load());
    }
    // The jobs call this before each file: a Cancel of one file does not reach the next one;
    // a request to quit stays.
    void clearFileStop() noexcept;
    void clearStop() noexcept { stopRequest_.store(0); }

    // Sets programFolder and workFolder, and converterFolder to the same folder.
    void setProgramFolder(std::string folder);
    // Sets programFolder and workFolder from `folders.data`, converterFolder from
    // `folders.programs`.
    void setFolders(const ProgramFolders& folders);

  private:
    std::atomic<int> stopRequest_{0};
    static_assert(std::atomic<int>::is_always_lock_free, "set from signal handlers");
};

}  // namespace rq
