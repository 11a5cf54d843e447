// refquill-cli: the conversion engine without a window.
//
//   refquill-cli [--home DIR] COMMAND ARGS...
//
// The program's files lie in DIR, else in $REFQUILL_HOME, else beside this program when that
// folder is the user's, else in the user's data folder; the converter always lies beside this
// program. The strategy comes from "Strat.jfp" there, or from the factory defaults when there is
// none. Only the two jobs (to-jfile, to-endnote) write into that folder, as the desktop program
// does. Exit
// status: 0 when no error message was shown, 1 when one was or when a job left a file
// unconverted, 2 for wrong usage. A new command
// is one function and one row of kCommands.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli/cli_host.h"
#include "app/cli/job_commands.h"
#include "engine/context.h"
#include "engine/conversion_info.h"
#include "engine/export_csv.h"
#include "engine/path.h"
#include "engine/session.h"
#include "engine/strategy.h"
#include "engine/strategy_file.h"
#include "platform/data_folder.h"
#include "platform/platform.h"

namespace rq {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kProgram = "refquill-cli";

// Everything a command works with: the host, the system services and the context.
struct Session {
    CliHost host;
    std::unique_ptr<SystemServices> system = createSystemServices();
    InMemoryStrategyWindow window;
    ConversionContext ctx{host, *system, window};
    DataFolderChoice data;

    // A long export can log a line for most of its records: beyond these, the lines wait in a
    // temporary file for "Log.txt", so memory stays flat whatever the size of the input.
    Session() { host.spoolLogAfter(4096); }

    int exitStatus() const { return host.errorShown() ? kExitError : kExitOk; }
};

// The arguments after the command name: "-o PATH" and the rest in order.
struct CommandArgs {
    std::vector<std::string> positional;
    std::string output;
};

struct Command {
    std::string_view name;
    std::string_view synopsis;  // the arguments as the usage shows them
    std::string_view summary;
    std::size_t positionalCount;
    bool needsOutput;
    int (*run)(Session&, const CommandArgs&);
    bool moreAllowed = false;  // positionalCount or more
};

// The strategy as start-up makes it: cleared, the three numbers set, then the strategy file of
// the program folder or else the factory defaults. False after a message when the file exists
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

int runExportCsv(Session& session, const CommandArgs& args) {
    if (!loadStrategy(session)) return kExitError;
    ConversionContext& ctx = session.ctx;
    ctx.job.truncatedRecords = 0;
    const int records = exportToCsv(ctx, args.positional[0], args.output);
    std::printf("records: %d\nrecords with cut values: %d\n", records, ctx.job.truncatedRecords);
    return session.exitStatus();
}

int runWriteIfo(Session& session, const CommandArgs& args) {
    if (!loadStrategy(session)) return kExitError;
    ConversionContext& ctx = session.ctx;
    ctx.job.ifoFile = args.output;
    if (writeConversionInfo(ctx, ctx.job.ifoFile)) {
        std::printf("selected fields: %d\n", assignPopupLetters(ctx.strategy));
    }
    return session.exitStatus();
}

// The jobs need the data folder; on a first start with a per-user folder they start from the
// program folder's strategy.
bool adoptStrategy(Session& session) {
    const std::string problem = prepareDataFolder(session.data, session.ctx.converterFolder);
    if (problem.empty()) return true;
    session.host.showMessage(MessageKind::Error, problem);
    return false;
}

int runToJFileCommand(Session& session, const CommandArgs& args) {
    if (!adoptStrategy(session)) return kExitError;
    const JobResult result = runToJFile(session.ctx, args.positional);
    return result.allConverted() ? session.exitStatus() : kExitError;
}

int runToEndNoteCommand(Session& session, const CommandArgs& args) {
    if (!adoptStrategy(session)) return kExitError;
    const JobResult result = runToEndNote(session.ctx, args.positional);
    return result.allConverted() ? session.exitStatus() : kExitError;
}

int runImportCsvCommand(Session& session, const CommandArgs& args) {
    const ImportResult result = runImportCsv(session.ctx, args.positional[0], args.output);
    std::printf("records: %d\n", result.records);
    return result.failed ? kExitError : session.exitStatus();
}

constexpr Command kCommands[] = {
    {"export-csv", "EXPORT -o CSV", "convert an EndNote export into the CSV for JFile", 1, true,
     runExportCsv},
    {"write-ifo", "-o IFO", "write the conversion-info file of the strategy", 0, true, runWriteIfo},
    {"to-jfile", "EXPORT...", "EndNote exports to JFile databases (the program's job)", 1, false,
     runToJFileCommand, true},
    {"to-endnote", "PDB...", "JFile databases to EndNote import files (the program's job)", 1,
     false, runToEndNoteCommand, true},
    {"import-csv", "CSV -o TSV", "convert a CSV into an EndNote import file", 1, true,
     runImportCsvCommand},
};

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage: %.*s [--home DIR] COMMAND ARGS...\n",
                 static_cast<int>(kProgram.size()), kProgram.data());
    for (const Command& c : kCommands) {
        std::fprintf(to, "       %.*s [--home DIR] %.*s %.*s\n", static_cast<int>(kProgram.size()),
                     kProgram.data(), static_cast<int>(c.name.size()), c.name.data(),
                     static_cast<int>(c.synopsis.size()), c.synopsis.data());
    }
    std::fprintf(to, "       %.*s --help | --version\n", static_cast<int>(kProgram.size()),
                 kProgram.data());
}

void printHelp() {
    printUsage(stdout);
    std::printf("\ncommands:\n");
    for (const Command& c : kCommands) {
        std::printf("  %-12.*s %.*s\n", static_cast<int>(c.name.size()), c.name.data(),
                    static_cast<int>(c.summary.size()), c.summary.data());
    }
    std::printf(
        "\noptions:\n"
        "  --home DIR   program folder (default: the folder of this program); the strategy\n"
        "               is read from Strat.jfp there, or the factory defaults are used\n"
        "\nexit status: 0 without error messages, 1 after one or when a file was not\n"
        "converted, 2 for wrong usage\n");
}

int usageError(const std::string& problem) {
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                 problem.c_str());
    printUsage(stderr);
    return kExitUsage;
}

// The program folder when --home is not given: the folder of the executable.
std::string programFolderOf(const char* argv0) {
    std::string exe = executablePath();
    if (exe.empty()) exe = argv0;
    return folderOf(exe);
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string home;
    bool homeGiven = false;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp();
            return kExitOk;
        }
        if (a == "--version") {
            std::printf("%.*s %s\n", static_cast<int>(kProgram.size()), kProgram.data(),
                        RQ_VERSION);
            return kExitOk;
        }
        if (a == "--home") {
            if (i + 1 >= args.size()) return usageError("--home needs a folder");
            home = args[++i];
            homeGiven = true;
            continue;
        }
        break;
    }
    if (i >= args.size()) return usageError("no command given");

    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (c.name == args[i]) command = &c;
    if (command == nullptr) return usageError("unknown command '" + args[i] + "'");

    CommandArgs commandArgs;
    bool outputGiven = false;
    for (++i; i < args.size(); ++i) {
        if (args[i] == "-o") {
            if (i + 1 >= args.size()) return usageError("-o needs a file name");
            if (outputGiven) return usageError("-o given twice");
            commandArgs.output = args[++i];
            outputGiven = true;
        } else {
            commandArgs.positional.push_back(args[i]);
        }
    }
    const std::string name(command->name);
    const std::size_t given = commandArgs.positional.size();
    if (given != command->positionalCount &&
        !(command->moreAllowed && given > command->positionalCount))
        return usageError(name + " takes " + std::string(command->synopsis));
    if (command->needsOutput && (!outputGiven || commandArgs.output.empty()))
        return usageError(name + " needs -o");

    if (homeGiven && home.empty()) return usageError("--home needs a folder");
    Session session;
    const std::string programFolder = programFolderOf(argv[0]);
    session.data = chooseDataFolder(programFolder, home);
    session.ctx.setFolders(ProgramFolders(session.data.folder, programFolder));
    return command->run(session, commandArgs);
}

}  // namespace
}  // namespace rq

int main(int argc, char** argv) {
    return rq::run(argc, argv);
}
