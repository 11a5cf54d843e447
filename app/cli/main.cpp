// SPDX-License-Identifier: MIT
// refquill-cli: the conversion engine without a window.
//
//   refquill-cli [OPTIONS] COMMAND ARGS...
//
// The program's files lie in --home DIR, else in $REFQUILL_HOME, else beside this program when
// that folder is the user's, else in the user's data folder; the converter always lies beside
// this program. The strategy comes from "Strat.jfp" there, or from the factory defaults when
// there is none. Only the two jobs (to-jfile, to-endnote) write into that folder, as the
// desktop program does, one conversion per folder at a time. Exit status: 0 when no error
// message was shown, 1 when one was or when a job left a file unconverted, 2 for wrong usage,
// 130 after an interrupt. A new command is one function, one row of kCommands (options.h) and
// one of kRunners.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/cli/cli_host.h"
#include "app/cli/job_commands.h"
#include "app/cli/options.h"
#include "engine/context.h"
#include "engine/conversion_info.h"
#include "engine/export_csv.h"
#include "engine/path.h"
#include "engine/session.h"
#include "engine/strategy.h"
#include "engine/strategy_file.h"
#include "platform/console.h"
#include "platform/data_folder.h"
#include "platform/platform.h"

namespace rq {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

// Everything a command works with: the host, the system services and the context.
struct Session {
    explicit Session(bool progressLine) : host(stdout, stderr, progressLine) {}

    CliHost host;
    std::unique_ptr<SystemServices> system = createSystemServices();
    InMemoryStrategyWindow window;
    ConversionContext ctx{host, *system, window};
    DataFolderChoice data;

    int exitStatus() const { return host.errorShown() ? kExitError : kExitOk; }
};

// What an interrupt reaches: set before a job starts, read in the signal handler.
std::atomic<bool> interrupted{false};
std::atomic<ConversionContext*> interruptedContext{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<void*>::is_always_lock_free);

void onInterrupt() {
    interrupted.store(true);
    if (ConversionContext* ctx = interruptedContext.load()) ctx->requestStop(StopRequest::AllFiles);
}

// The strategy as start-up makes it: cleared, the three numbers set, then the strategy file of
// the data folder or else the factory defaults. False after a message when the file exists
// but cannot be read whole.
bool loadStrategy(Session& session) {
    ConversionContext& ctx = session.ctx;
    prepareStrategy(ctx);
    std::string path = joinPath(ctx.programFolder, kStrategyFileName);
    // Before the first job a per-user folder has no strategy yet; the program folder's is the
    // one the first job will start from.
    const std::string shipped = joinPath(ctx.converterFolder, kStrategyFileName);
    if (session.data.source == DataFolderSource::PerUser && !ctx.system.fileExists(path) &&
        ctx.system.fileExists(shipped))
        path = shipped;
    switch (readStrategyFile(ctx, path)) {
        case StrategyRead::Read:
            return true;
        case StrategyRead::CouldNotOpen:
            return readStrategyText(ctx, factoryDefaultsText()) == StrategyRead::Read;
        case StrategyRead::ReadError:
        case StrategyRead::NotANumber:
            break;
    }
    return false;
}

int runExportCsv(Session& session, const Invocation& args) {
    if (!loadStrategy(session)) return kExitError;
    ConversionContext& ctx = session.ctx;
    const ExportResult exported = exportToCsv(ctx, args.positional[0], args.output);
    if (session.host.verbosity() != Verbosity::Quiet)
        std::printf("records: %d\nrecords with cut values: %d\n", exported.records,
                    exported.truncatedRecords);
    return session.exitStatus();
}

int runWriteIfo(Session& session, const Invocation& args) {
    if (!loadStrategy(session)) return kExitError;
    ConversionContext& ctx = session.ctx;
    if (writeConversionInfo(ctx, args.output) && session.host.verbosity() != Verbosity::Quiet) {
        std::printf("selected fields: %d\n", assignPopupLetters(ctx.strategy));
    }
    return session.exitStatus();
}

int runImportCsvCommand(Session& session, const Invocation& args) {
    const ImportResult result = runImportCsv(session.ctx, args.positional[0], args.output);
    if (session.host.verbosity() != Verbosity::Quiet) std::printf("records: %d\n", result.records);
    return result.failed ? kExitError : session.exitStatus();
}

// The data folder for a job: made if missing (on a first start with a per-user folder with the
// program folder's strategy), then held for this run alone.
int takeDataFolder(Session& session, const Invocation& args) {
    const std::string problem = prepareDataFolder(session.data, session.ctx.converterFolder);
    if (!problem.empty()) {
        session.host.showMessage(MessageKind::Error, problem);
        return kExitError;
    }
    const std::string& folder = session.data.folder;
    if (session.system->tryLockProgramFolder(folder) == FolderLock::Acquired) return kExitOk;
    if (args.noWait) {
        session.host.printError("error: another conversion is running in " + folder);
        return kExitError;
    }
    session.host.printNote("waiting for another conversion in " + folder);
    while (session.system->tryLockProgramFolder(folder) != FolderLock::Acquired) {
        if (interrupted.load()) return kExitInterrupted;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return kExitOk;
}

int runJobCommand(Session& session, const Invocation& args,
                  JobResult (*job)(ConversionContext&, const std::vector<std::string>&)) {
    ConversionContext& ctx = session.ctx;
    ctx.converterTimeoutSeconds = args.timeoutSeconds;
    interruptedContext.store(&ctx);
    if (interrupted.load()) ctx.requestStop(StopRequest::AllFiles);
    if (const int status = takeDataFolder(session, args); status != kExitOk) return status;

    CliHost& host = session.host;
    host.printVerbose("folders: ",
                      "data " + ctx.programFolder + ", converter " + ctx.converterFolder);
    const int files = static_cast<int>(args.positional.size());
    host.startJob(files);
    const JobResult result = job(ctx, args.positional);
    host.endJob();
    interruptedContext.store(nullptr);
    session.system->unlockProgramFolder();

    // One closing line when not every file was converted: the count from the jobs' results.
    const bool stopped = interrupted.load();
    const int converted = result.converted();
    std::string summary = std::string(kProgram) + ": " + (stopped ? "interrupted; " : "") +
                          std::to_string(converted) + " of " + std::to_string(files) +
                          (files == 1 ? " file" : " files") + " converted";
    if (result.failed() > 0) summary += ", " + std::to_string(result.failed()) + " failed";
    if (result.cancelled() > 0) summary += ", " + std::to_string(result.cancelled()) + " cancelled";
    if (stopped || converted != files)
        host.printError(summary);
    else
        host.printVerbose("", summary);

    if (stopped) return kExitInterrupted;
    return converted == files ? session.exitStatus() : kExitError;
}

int runToJFileCommand(Session& session, const Invocation& args) {
    return runJobCommand(session, args, runToJFile);
}

int runToEndNoteCommand(Session& session, const Invocation& args) {
    return runJobCommand(session, args, runToEndNote);
}

struct Runner {
    std::string_view command;
    int (*run)(Session&, const Invocation&);
    bool job;  // converts files in the data folder; hears interrupts
};

constexpr Runner kRunners[] = {
    {"export-csv", runExportCsv, false},        {"write-ifo", runWriteIfo, false},
    {"to-jfile", runToJFileCommand, true},      {"to-endnote", runToEndNoteCommand, true},
    {"import-csv", runImportCsvCommand, false},
};

// The folder of the executable, found through its resolved path: the links in bin/ lead to the
// folder that holds the converter.
std::string programFolderOf(const char* argv0) {
    std::string exe = executablePath();
    if (exe.empty()) exe = argv0;
    return folderOf(exe);
}

int run(int argc, char** argv) {
    // On Windows the arguments come from the wide command line, so that any file name arrives.
    std::vector<std::string> arguments = consoleArguments(argc, argv);
    arguments.erase(arguments.begin());
    const Invocation args = parseCommandLine(arguments);
    switch (args.action) {
        case Invocation::Action::Help:
            printHelp(stdout);
            return kExitOk;
        case Invocation::Action::CommandHelp:
            printCommandHelp(stdout, *args.command);
            return kExitOk;
        case Invocation::Action::Version:
            std::printf("%.*s %s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                        RQ_VERSION);
            return kExitOk;
        case Invocation::Action::UsageError:
            // The problem may quote a file name: the console shows it as written.
            writeText(stderr, std::string(kProgram) + ": " + args.problem + "\n");
            printUsage(stderr);
            return kExitUsage;
        case Invocation::Action::Run:
            break;
    }

    const Runner* runner = nullptr;
    for (const Runner& r : kRunners)
        if (r.command == args.command->name) runner = &r;
    if (runner == nullptr) return kExitUsage;

    Session session(runner->job && !args.quiet && standardErrorIsTerminal());
    session.host.setVerbosity(args.quiet     ? Verbosity::Quiet
                              : args.verbose ? Verbosity::Verbose
                                             : Verbosity::Normal);
    if (runner->job) installInterruptHandler(onInterrupt);
    const std::string programFolder = programFolderOf(argv[0]);
    session.data = chooseDataFolder(programFolder, args.home);
    session.ctx.setFolders(ProgramFolders(session.data.folder, programFolder));
    return runner->run(session, args);
}

}  // namespace
}  // namespace rq

int main(int argc, char** argv) {
    return rq::run(argc, argv);
}
