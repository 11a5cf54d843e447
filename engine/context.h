// SPDX-License-Identifier: MIT
#pragma once
// The conversion context: what a run's jobs share: the host, system and window services, the
// folders, the converter's time limit and the stop request. It exists once for the whole run;
// conversions must never overlap.
//
// The user's settings (user_settings.h) and the output slot (output_file.h) are not in it: each
// function takes the ones it reads or writes. The readers and writers (export_csv, csv_import,
// conversion_info, reference_record) do not take the context at all, and own their buffers.

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/host_services.h"
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

class ConversionContext {
  public:
    ConversionContext(HostServices& host, SystemServices& system, StrategyWindow& window);

    HostServices& host;
    SystemServices& system;
    StrategyWindow& window;

    std::string programFolder;    // the data folder; no trailing separator, a root keeps its own
    std::string workFolder;       // programFolder + "RQWork"
    std::string converterFolder;  // the folder of the programs, where jconvpro.exe lies

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
