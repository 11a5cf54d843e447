// SPDX-License-Identifier: MIT
// refquill-cli: the conversion engine without a window.
//
//   refquill-cli [OPTIONS] COMMAND ARGS...
//
// The program's files lie in --home DIR, else in $REFQUILL_HOME, else beside this program when
// that folder is the user's, else in the user's data folder; the converter always lies beside
// this program. The strategy comes from "Strat.jfp" there, or from the factory defaults when
// there is none. Only the two jobs (to-jfile, to-endnote) write into that folder, as the
// desktop program does, one conversion per folder at a time. The other commands take "-" for
// standard input and output. Exit status: 0 when no error message was shown, 1 when one was or
// when a job left a file unconverted, 2 for wrong usage, 128 + the signal's number after a
// signal (130 for SIGINT, 143 for SIGTERM). A new command is one function and one row of
// kCommands.

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "app/cli/cli_host.h"
#include "app/cli/command_files.h"
#include "app/cli/job_commands.h"
#include "app/cli/options.h"
#include "base/native_path.h"
#include "base/path.h"
#include "engine/context.h"
#include "engine/conversion_info.h"
#include "engine/csv_import.h"
#include "engine/export_csv.h"
#include "engine/reference_record.h"
#include "engine/session.h"
#include "engine/strategy.h"
#include "engine/strategy_file.h"
#include "platform/console.h"
#include "platform/data_folder.h"
#include "platform/platform.h"

namespace rq {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitBySignal = 128;  // + the signal's number, as a shell reports a killed program

// Everything a command works with: the host, the system services, the context, the user's
// settings and the output slot.
struct CommandSession {
    explicit CommandSession(bool progressLine) : host(stdout, stderr, progressLine) {}

    CliHost host;
    std::unique_ptr<SystemServices> system = createSystemServices();
    InMemoryStrategyWindow window;
    ConversionContext ctx{host, *system, window};
    UserSettings settings;
    OutputFile output{system.get()};
    DataFolderChoice data;

    int exitStatus() const { return host.errorShown() ? kExitError : kExitOk; }
};

namespace {

// What an interrupt reaches: the first signal's number, and the context of a job (set before
// the job starts), read in the signal handler.
std::atomic<int> interruptSignal{0};
std::atomic<ConversionContext*> interruptedContext{nullptr};
std::atomic<int> interruptedInput{-1};  // the descriptor a one-file command reads
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<void*>::is_always_lock_free);

void onInterrupt(int signal) {
    int none = 0;
    interruptSignal.compare_exchange_strong(none, signal);
    if (ConversionContext* ctx = interruptedContext.load()) ctx->requestStop(StopRequest::AllFiles);
    if (const int input = interruptedInput.load(); input >= 0) endReading(input);
}

int interruptedStatus() {
    return kExitBySignal + interruptSignal.load();
}

// The strategy as start-up makes it: cleared, the three numbers set, then the strategy file of
// the data folder or else the factory defaults. False after a message when the file exists
// but cannot be read whole.
bool loadStrategy(CommandSession& session) {
    ConversionContext& ctx = session.ctx;
    Strategy& strategy = session.settings.strategy;
    prepareStrategy(strategy, ctx.window);
    std::string path = joinPath(ctx.programFolder, kStrategyFileName);
    // Before the first job a per-user folder has no strategy yet; the program folder's is the
    // one the first job will start from.
    const std::string shipped = joinPath(ctx.converterFolder, kStrategyFileName);
    if (session.data.source == DataFolderSource::PerUser && !ctx.system.fileExists(path) &&
        ctx.system.fileExists(shipped))
        path = shipped;
    switch (readStrategyFile(ctx, strategy, path)) {
        case StrategyRead::Read:
            return true;
        case StrategyRead::CouldNotOpen:
            return readStrategyText(ctx, strategy, factoryDefaultsText()) == StrategyRead::Read;
        case StrategyRead::ReadError:
        case StrategyRead::NotANumber:
            break;
    }
    return false;
}

// The commands that convert one file: "-" names standard input or output, a signal removes the
// temporary file of the output, and the result lines go to standard error when the output is
// standard output. Nothing is printed as a result after a failure.
struct OneFile {
    OneFile(CommandSession& session, const Invocation& args)
        : session(session),
          toStandardOutput(args.output == kStandardStream),
          output(outputName(args.output)) {
        session.host.stopOnSignal(&interruptSignal);
        session.output.setOpener(commandOpener(*session.system, interruptSignal, toStandardOutput));
    }
    ~OneFile() { interruptedInput.store(-1); }
    OneFile(const OneFile&) = delete;
    OneFile& operator=(const OneFile&) = delete;

    // The input of the command; false after a message when it cannot be read.
    bool open(const std::string& argument) {
        input = openCommandInput(argument);
        if (input.file != nullptr) {
            // A signal before the first read must not leave it waiting for a quiet pipe.
            interruptedInput.store(fileDescriptor(input.file));
            if (interruptSignal.load() != 0) endReading(fileDescriptor(input.file));
            return true;
        }
        session.host.printError(diagnostic("error", input.name + ": " + input.problem));
        return false;
    }
    void printResult(const std::string& lines) const {
        if (session.host.errorShown() || session.host.verbosity() == Verbosity::Quiet) return;
        std::FILE* to = toStandardOutput ? stderr : stdout;
        std::fputs(lines.c_str(), to);
        std::fflush(to);
    }

    CommandSession& session;
    const bool toStandardOutput;
    const std::string output;
    CommandInput input;
};

int runExportCsv(CommandSession& session, const Invocation& args) {
    if (!loadStrategy(session)) return kExitError;
    OneFile command(session, args);
    if (!command.open(args.positional[0])) return kExitError;
    // A named file may be in any reference format; standard input is read as an EndNote export.
    const ExportResult exported =
        args.positional[0] == kStandardStream
            ? exportToCsv(session.settings.strategy, session.host, session.output,
                          command.input.file, command.input.name, command.output)
            : exportReferenceFile(session.settings.strategy, session.host, session.output,
                                  command.input.name, command.output);
    command.printResult("records: " + std::to_string(exported.records) +
                        "\nrecords with cut values: " + std::to_string(exported.truncatedRecords) +
                        "\n");
    return session.exitStatus();
}

int runWriteIfo(CommandSession& session, const Invocation& args) {
    if (!loadStrategy(session)) return kExitError;
    OneFile command(session, args);
    Strategy& strategy = session.settings.strategy;
    if (writeConversionInfo(strategy, session.host, session.output, command.output))
        command.printResult("selected fields: " + std::to_string(assignPopupLetters(strategy)) +
                            "\n");
    return session.exitStatus();
}

int runImportCsvCommand(CommandSession& session, const Invocation& args) {
    OneFile command(session, args);
    if (!command.open(args.positional[0])) return kExitError;
    const ImportResult result = csvToImport(session.host, session.output, command.input.file,
                                            command.input.name, command.output);
    if (!result.failed) command.printResult("records: " + std::to_string(result.records) + "\n");
    return result.failed ? kExitError : session.exitStatus();
}

// The data folder for a job: made if missing (on a first start with a per-user folder with the
// program folder's strategy), then held for this run alone.
int takeDataFolder(CommandSession& session, const Invocation& args) {
    const std::string problem = prepareDataFolder(session.data, session.ctx.converterFolder);
    if (!problem.empty()) {
        session.host.showMessage(MessageKind::Error, problem);
        return kExitError;
    }
    const std::string& folder = session.data.folder;
    if (session.system->tryLockProgramFolder(folder) == FolderLock::Acquired) return kExitOk;
    if (args.noWait) {
        session.host.printError(diagnostic("error", "another conversion is running in " + folder));
        return kExitError;
    }
    session.host.printNote(std::string(kProgram) + ": waiting for another conversion in " + folder);
    while (session.system->tryLockProgramFolder(folder) != FolderLock::Acquired) {
        if (interruptSignal.load() != 0) return interruptedStatus();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return kExitOk;
}

// --out-dir must name a folder that is there: a mistyped name would otherwise become one.
bool checkOutDir(CommandSession& session, const std::string& outDir) {
    std::error_code error;
    if (outDir.empty() || std::filesystem::is_directory(nativePath(outDir), error)) return true;
    const bool exists = std::filesystem::exists(nativePath(outDir), error);
    session.host.printError(diagnostic(
        "error", outDir + ": " + std::generic_category().message(exists ? ENOTDIR : ENOENT)));
    return false;
}

int runJobCommand(CommandSession& session, const Invocation& args,
                  JobResult (*job)(ConversionContext&, UserSettings&, OutputFile&,
                                   const std::vector<std::string>&, const std::string&)) {
    ConversionContext& ctx = session.ctx;
    ctx.converterTimeoutSeconds = args.timeoutSeconds;
    interruptedContext.store(&ctx);
    if (interruptSignal.load() != 0) ctx.requestStop(StopRequest::AllFiles);
    if (!checkOutDir(session, args.outDir)) return kExitError;
    if (const int status = takeDataFolder(session, args); status != kExitOk) return status;

    CliHost& host = session.host;
    host.printVerbose("folders: ",
                      "data " + ctx.programFolder + ", converter " + ctx.converterFolder);
    const int files = static_cast<int>(args.positional.size());
    host.startJob(files);
    host.holdResults(true);
    const JobResult result =
        job(ctx, session.settings, session.output, args.positional, args.outDir);
    host.holdResults(false);
    host.endJob();

    // Each converted file's result text, with the file as given and where its output went.
    for (std::size_t i = 0; i < result.files.size(); ++i) {
        const FileResult& file = result.files[i];
        const std::string text = host.takeResult(file.source);
        if (file.outcome != FileOutcome::Converted || host.verbosity() == Verbosity::Quiet)
            continue;
        const std::string& given = i < args.positional.size() ? args.positional[i] : file.source;
        std::printf("%s -> %s: %s\n", given.c_str(), file.output.c_str(), text.c_str());
    }
    std::fflush(stdout);
    interruptedContext.store(nullptr);
    session.system->unlockProgramFolder();

    // One closing line when not every file was converted: the count from the jobs' results.
    const bool stopped = interruptSignal.load() != 0;
    const int converted = result.converted();
    std::string summary = std::string(stopped ? "interrupted; " : "") + std::to_string(converted) +
                          " of " + std::to_string(files) + (files == 1 ? " file" : " files") +
                          " converted";
    if (result.failed() > 0) summary += ", " + std::to_string(result.failed()) + " failed";
    if (result.cancelled() > 0) summary += ", " + std::to_string(result.cancelled()) + " cancelled";
    if (stopped || converted != files)
        host.printError(diagnostic("error", summary));
    else
        host.printVerbose(std::string(kProgram) + ": ", summary);

    if (stopped) return interruptedStatus();
    return converted == files ? session.exitStatus() : kExitError;
}

int runToJFileCommand(CommandSession& session, const Invocation& args) {
    return runJobCommand(session, args, runToJFile);
}

int runToEndNoteCommand(CommandSession& session, const Invocation& args) {
    return runJobCommand(session, args, runToEndNote);
}

// to-endnote in the format the user names; refquill writes RQ-NAME and the format's extension.
int runFromJFileCommand(CommandSession& session, const Invocation& args) {
    const std::optional<ReferenceFormat> format =
        referenceFormatByName(args.format.empty() ? "endnote" : args.format);
    if (!format) {
        session.host.printError(diagnostic(
            "error", "unknown format '" + args.format + "': use endnote, ris, bibtex or csl-json"));
        return kExitUsage;
    }
    session.settings.databaseFormat = *format;
    return runJobCommand(session, args, runToEndNote);
}

// name, synopsis, summary, files (that many, or more), -o and its help, what --out-dir
// replaces, --format, job, runner.
constexpr CommandInfo kCommands[] = {
    {"export-csv", "EXPORT -o CSV", "convert an EndNote export into the CSV for JFile", 1, false,
     "CSV", "the CSV to write", "", false, false, runExportCsv},
    {"write-ifo", "-o IFO", "write the conversion-info file of the strategy", 0, false, "IFO",
     "the conversion-info file to write", "", false, false, runWriteIfo},
    {"to-jfile", "[--out-dir DIR] EXPORT...",
     "EndNote exports to JFile databases (the program's job)", 1, true, "", "",
     "the Palm install folder", false, true, runToJFileCommand},
    {"to-endnote", "[--out-dir DIR] PDB...",
     "JFile databases to EndNote import files (the program's job)", 1, true, "", "",
     "the EndNote folder", false, true, runToEndNoteCommand},
    {"import-csv", "CSV -o TSV", "convert a CSV into an EndNote import file", 1, false, "TSV",
     "the EndNote import file to write", "", false, false, runImportCsvCommand},
    {"from-jfile", "[--format endnote|ris|bibtex|csl-json] [--out-dir DIR] PDB...",
     "JFile databases to EndNote, RIS, BibTeX or CSL-JSON files", 1, true, "", "",
     "the EndNote folder", true, true, runFromJFileCommand},
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
    const Invocation args = parseCommandLine(arguments, kCommands);
    switch (args.action) {
        case Invocation::Action::Help:
        case Invocation::Action::CommandHelp:
            std::fputs(args.help.c_str(), stdout);
            return kExitOk;
        case Invocation::Action::Version:
            std::printf("%.*s %s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                        RQ_VERSION);
            return kExitOk;
        case Invocation::Action::UsageError:
            printUsageError(stderr, args);
            return kExitUsage;
        case Invocation::Action::Run:
            break;
    }

    const CommandInfo& command = *args.command;
    CommandSession session(command.job && !args.quiet && standardErrorIsTerminal());
    session.host.setVerbosity(args.quiet     ? Verbosity::Quiet
                              : args.verbose ? Verbosity::Verbose
                                             : Verbosity::Normal);
    installInterruptHandler(onInterrupt);
    const std::string programFolder = programFolderOf(argv[0]);
    session.data = chooseDataFolder(programFolder, args.home);
    session.ctx.setFolders(ProgramFolders(session.data.folder, programFolder));
    try {
        return command.run(session, args);
    } catch (const Interrupted&) {
        return interruptedStatus();
    }
}

}  // namespace
}  // namespace rq

int main(int argc, char** argv) {
    return rq::run(argc, argv);
}
