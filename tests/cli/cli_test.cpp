// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "base/native_path.h"
#include "base/path.h"
#include "engine/command_line.h"
#include "engine/strategy_file.h"
#include "support/files.h"
#include "support/test_system.h"

namespace rq {
namespace {

using test::readFile;
using test::TempFolder;
using test::writeFile;
namespace fs = std::filesystem;

std::string quoted(const std::string& s) {
    return quoteArgument(s);
}

struct Result {
    int status;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
  protected:
    CliTest() { fs::create_directories(path("home")); }

    std::string path(std::string_view name) const { return joinPath(folder, name); }

    // `args` is one command line, split by the same rules on every system.
    Result run(const std::string& args, const std::string& program = RQ_CLI_PATH) {
        std::vector<std::string> arguments = splitCommandLine("refquill-cli " + args);
        arguments[0] = program;
        const test::ProgramRun r = test::runProgram(arguments, folder);
        return {r.status, r.out, r.err};
    }
    Result runHome(const std::string& args) {
        return run("--home " + quoted(path("home")) + " " + args);
    }

    static std::string sample() { return joinPath(RQ_EXAMPLES_DIR, "sample-export.txt"); }
    static std::string golden(std::string_view area, std::string_view name) {
        return joinPath(joinPath(RQ_TEST_DATA_DIR, area), name);
    }

    // The factory-default strategy file with line `number` (from 1) replaced.
    static std::string factoryWithLine(int number, const std::string& line) {
        std::string text = factoryDefaultsText();
        std::size_t start = 0;
        for (int n = 1; n < number; ++n) start = text.find("\r\n", start) + 2;
        const std::size_t end = text.find("\r\n", start);
        return text.replace(start, end - start, line);
    }

    TempFolder temp{"rq-cli"};
    std::string folder = temp.path();
};

TEST_F(CliTest, VersionAndHelp) {
    Result r = run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("refquill-cli ") + RQ_VERSION + "\n");
    r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: refquill-cli"), std::string::npos);
    EXPECT_NE(r.out.find("export-csv EXPORT -o CSV"), std::string::npos);
    EXPECT_NE(r.out.find("write-ifo -o IFO"), std::string::npos);
    EXPECT_TRUE(r.err.empty());
}

// The manual page's text of one section, without troff's font changes and escapes.
std::vector<std::string> manualLines(const std::string& section) {
    std::vector<std::string> lines;
    std::istringstream page(readFile(joinPath(RQ_MAN_DIR, "refquill-cli.1")));
    bool inside = false;
    for (std::string line; std::getline(page, line);) {
        if (line.rfind(".SH ", 0) == 0) inside = line == ".SH " + section;
        if (!inside || line.rfind("\\fB", 0) != 0) continue;
        for (const char* escape : {"\\fB", "\\fR", "\\fI", "\\&"})
            for (std::size_t at; (at = line.find(escape)) != std::string::npos;)
                line.erase(at, std::string_view(escape).size());
        lines.push_back(line);
    }
    return lines;
}

TEST_F(CliTest, HelpAndManualPageListTheSameCommandsAndOptions) {
    // The manual pages are made for the Linux install only.
    if (std::string(RQ_MAN_DIR).empty()) GTEST_SKIP() << "no manual pages in this build";
    const Result r = run("--help");
    std::vector<std::string> synopses, names, options;
    std::istringstream help(r.out);
    std::string section;
    for (std::string line; std::getline(help, line);) {
        if (line.empty() || line.back() == ':') {
            section = line;
            continue;
        }
        const std::size_t command = line.find("[OPTIONS] ");
        if (line.find("usage: ") != std::string::npos || line.rfind("       ", 0) == 0) {
            if (command != std::string::npos && line.find("COMMAND ARGS") == std::string::npos)
                synopses.push_back(line.substr(command + 10));
        } else if (section == "commands:") {
            names.push_back(line.substr(2, line.find(' ', 2) - 2));
        } else if (section == "options:" && line.rfind("  -", 0) == 0) {
            options.push_back(line.substr(2, line.find("  ", 2) - 2));
        }
    }
    const std::vector<std::string> manualCommands = manualLines("COMMANDS");
    EXPECT_EQ(synopses, manualCommands);
    ASSERT_EQ(names.size(), manualCommands.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(manualCommands[i].rfind(names[i] + " ", 0), 0u) << names[i];
    EXPECT_EQ(options, manualLines("OPTIONS"));
    EXPECT_EQ(options.size(), 9u);
}

TEST_F(CliTest, EachCommandHasItsOwnHelp) {
    for (const char* command :
         {"export-csv", "write-ifo", "to-jfile", "to-endnote", "import-csv"}) {
        for (const char* flag : {"--help", "-h"}) {
            const Result r = run(std::string(command) + " " + flag);
            EXPECT_EQ(r.status, 0) << command;
            EXPECT_EQ(r.out.rfind(std::string("usage: refquill-cli [OPTIONS] ") + command + " ", 0),
                      0u)
                << r.out;
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST_F(CliTest, UnknownOptionsAreNamedAndDoubleDashEndsTheOptions) {
    struct Case {
        std::string args;
        std::string named;
    };
    const Case cases[] = {
        {"--frobnicate write-ifo -o x.IFO", "--frobnicate"},
        {"write-ifo --frobnicate -o x.IFO", "--frobnicate"},
        {"export-csv -x a.txt -o x.csv", "-x"},
        {"frobnicate", "unknown command 'frobnicate'"},
        {"--quiet --verbose write-ifo -o x.IFO", "--quiet"},
        {"--timeout 0 to-jfile a.txt", "--timeout"},
        {"--timeout soon to-jfile a.txt", "--timeout"},
    };
    for (const Case& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.err.find(c.named), std::string::npos) << c.args << ": " << r.err;
        EXPECT_NE(r.err.find("usage: refquill-cli"), std::string::npos) << c.args;
    }
    // After "--" a name that starts with a dash is a file, and options may follow the command.
    writeFile(path("-dash.txt"), readFile(sample()));
    const std::string before = fs::current_path().string();
    fs::current_path(folder);
    const Result r = runHome("export-csv -o out.csv -- -dash.txt");
    fs::current_path(before);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(path("out.csv")), readFile(golden("cli", "sample-export.csv")));
    const Result late = run("write-ifo -o " + quoted(path("late.IFO")) + " --home " +
                            quoted(path("home")) + " --quiet");
    EXPECT_EQ(late.status, 0);
    EXPECT_EQ(late.out, "");  // quiet: no result line
    EXPECT_EQ(readFile(path("late.IFO")), readFile(golden("engine", "factory-default.IFO")));
}

// The whole help of the program and of each command, as it has always read; the per-user data
// folder is named as Linux names it.
TEST_F(CliTest, HelpTextsMatchTheGoldenFile) {
    std::string help;
    for (const char* command :
         {"", "export-csv", "write-ifo", "to-jfile", "to-endnote", "import-csv", "from-jfile"})
        help += run(std::string("help ") + command).out;
    const std::string windows = "%LOCALAPPDATA%\\Refquill";
    for (std::size_t at; (at = help.find(windows)) != std::string::npos;)
        help.replace(at, windows.size(), "$XDG_DATA_HOME/Refquill");
    EXPECT_EQ(help, readFile(golden("cli", "help.txt")));
}

TEST_F(CliTest, HelpCommandGivesTheHelpOfTheOptions) {
    for (const char* command : {"", "to-jfile", "import-csv"}) {
        const std::string flagged = *command == '\0' ? "--help" : std::string(command) + " --help";
        const Result help = run(std::string("help ") + command);
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out, run(flagged).out) << command;
        EXPECT_EQ(help.err, "");
    }
}

// A usage error: one diagnostic in the program's voice, the usage of that command alone, and
// where to read more; CLI11's own texts never show.
TEST_F(CliTest, UsageErrorsSpeakInTheProgramsVoice) {
    const std::string general =
        "usage: refquill-cli [OPTIONS] COMMAND ARGS...\n"
        "See 'refquill-cli help' for the commands and options.\n";
    const std::string toJFile =
        "usage: refquill-cli [OPTIONS] to-jfile [--out-dir DIR] EXPORT...\n"
        "See 'refquill-cli help to-jfile'.\n";
    const std::string writeIfo =
        "usage: refquill-cli [OPTIONS] write-ifo -o IFO\n"
        "See 'refquill-cli help write-ifo'.\n";
    const struct {
        std::string args, problem, usage;
    } cases[] = {
        {"to-jfil a.txt", "unknown command 'to-jfil'; did you mean 'to-jfile'?", general},
        {"help expor", "unknown command 'expor'; did you mean 'export-csv'?", general},
        {"frobnicate", "unknown command 'frobnicate'", general},
        {"--timeout soon to-jfile a.txt",
         "--timeout takes a whole number of seconds from 1 to 1000000000", toJFile},
        {"to-jfile --verbos a.txt", "unknown option '--verbos'; did you mean '--verbose'?",
         toJFile},
        {"to-jfile --formt a.txt", "unknown option '--formt'; did you mean '--format'?", toJFile},
        {"write-ifo -o a -o b", "-o may be given only once", writeIfo},
        {"write-ifo -o", "-o needs a file name", writeIfo},
        {"write-ifo x -o a", "write-ifo takes no file; 'x' is one too many", writeIfo},
        {"-q -v write-ifo -o a", "--quiet and --verbose cannot be used together", writeIfo},
    };
    for (const auto& c : cases) {
        const Result r = run(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.err, "refquill-cli: error: " + c.problem + "\n" + c.usage) << c.args;
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CliTest, WrongUsageGivesStatusTwoAndTheUsage) {
    const std::vector<std::string> usages = {"",
                                             "frobnicate",
                                             "export-csv",
                                             "export-csv " + quoted(sample()),
                                             "export-csv -o x.csv",
                                             "export-csv a b -o x.csv",
                                             "write-ifo",
                                             "write-ifo extra -o x.IFO",
                                             "write-ifo -o",
                                             "--home",
                                             "write-ifo -o a -o b"};
    for (const std::string& args : usages) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("usage: refquill-cli"), std::string::npos) << args;
        EXPECT_TRUE(r.out.empty()) << args;
    }
    EXPECT_FALSE(fs::exists(path("x.csv")));
}

TEST_F(CliTest, ExportWithFactoryDefaultsMatchesTheGoldenCsv) {
    const Result r = runHome("export-csv " + quoted(sample()) + " -o " + quoted(path("out.csv")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "records: 12\nrecords with cut values: 0\n");
    EXPECT_TRUE(r.err.empty());
    EXPECT_EQ(readFile(path("out.csv")), readFile(golden("cli", "sample-export.csv")));
    // Nothing is written into the program folder.
    EXPECT_TRUE(fs::is_empty(path("home")));
}

TEST_F(CliTest, WriteIfoWithFactoryDefaultsMatchesTheGoldenFile) {
    const Result r = runHome("write-ifo -o " + quoted(path("out.IFO")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "selected fields: 15\n");
    EXPECT_EQ(readFile(path("out.IFO")), readFile(golden("engine", "factory-default.IFO")));
    EXPECT_TRUE(fs::is_empty(path("home")));
}

TEST_F(CliTest, StrategyFileOfTheProgramFolderIsUsed) {
    std::string lengths;
    for (int n = 1; n <= kFieldCount; ++n) lengths += n == 4 ? "40," : n == 14 ? "500," : "3990,";
    writeFile(path("home/Strat.jfp"), factoryWithLine(7, lengths));
    const Result r = runHome("export-csv " + quoted(sample()) + " -o " + quoted(path("out.csv")));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "records: 12\nrecords with cut values: 4\n");
    EXPECT_EQ(readFile(path("out.csv")), readFile(golden("cli", "sample-export-short.csv")));
}

TEST_F(CliTest, DefaultProgramFolderIsTheFolderOfTheProgram) {
    fs::create_directories(path("prog"));
    const std::string program = joinPath(path("prog"), fileName(RQ_CLI_PATH));
    fs::copy_file(RQ_CLI_PATH, program);
    std::string selected = "0,0,0,1,";
    for (int n = 5; n <= kFieldCount; ++n) selected += "0,";
    writeFile(path("prog/Strat.jfp"), factoryWithLine(8, selected));
    const Result r = run("write-ifo -o " + quoted(path("out.IFO")), program);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(readFile(path("out.IFO")),
              "1 \r\n80 \r\n110\r\n1\r\n8\r\n0 \r\n0 \r\n456E644A46696C654461746100");
}

TEST_F(CliTest, ErrorMessagesGoToStderrWithStatusOne) {
    Result r =
        runHome("export-csv " + quoted(path("missing.txt")) + " -o " + quoted(path("out.csv")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "refquill-cli: error: " + path("missing.txt") + ": No such file or directory\n");
    EXPECT_EQ(r.out, "");
    // An export that cannot be read leaves an earlier CSV as it was.
    writeFile(path("out.csv"), "earlier");
    r = runHome("export-csv " + quoted(path("home")) + " -o " + quoted(path("out.csv")));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(path("home") + ": "), std::string::npos) << r.err;
    EXPECT_EQ(readFile(path("out.csv")), "earlier");

    r = runHome("export-csv " + quoted(sample()) + " -o " + quoted(path("no folder/out.csv")));
    EXPECT_EQ(r.status, 1);
    // The reason is in the system's own words.
    EXPECT_EQ(r.err.rfind("refquill-cli: error: " + path("no folder/out.csv") + ": ", 0), 0u)
        << r.err;

    r = runHome("write-ifo -o " + quoted(path("no folder/out.IFO")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("refquill-cli: error: " + path("no folder/out.IFO") + ": ", 0), 0u)
        << r.err;
}

TEST_F(CliTest, WriteErrorsAreErrors) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    Result r = runHome("export-csv " + quoted(sample()) + " -o /dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "refquill-cli: error: /dev/full: No space left on device\n");
    EXPECT_EQ(r.out, "");  // no result after a failure
    r = runHome("write-ifo -o /dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.err,
        "refquill-cli: error: Failure writing .IFO file /dev/full: No space left on device\n");
}

TEST_F(CliTest, NoFieldSelectedFailsAndLeavesFiveLines) {
    std::string none;
    for (int n = 1; n <= kFieldCount; ++n) none += "0,";
    writeFile(path("home/Strat.jfp"), factoryWithLine(8, none));
    const Result r = runHome("write-ifo -o " + quoted(path("out.IFO")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "refquill-cli: error: No fields selected \nPlease select a field and try again \n");
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(readFile(path("out.IFO")), "\r\n\r\n110\r\n1\r\n8\r\n");
}

TEST_F(CliTest, BrokenStrategyFileStopsBeforeAnyOutput) {
    writeFile(path("home/Strat.jfp"), factoryWithLine(9, "64,x1,"));
    const Result r = runHome("export-csv " + quoted(sample()) + " -o " + quoted(path("out.csv")));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "refquill-cli: error: 'x1' is not a valid integer value\n");
    EXPECT_FALSE(fs::exists(path("out.csv")));
}

std::string readNative(const std::string& utf8) {
    std::ifstream in(nativePath(utf8), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A converter that never ends is stopped after --timeout seconds and its file fails, on every
// system. (Ctrl-C and SIGTERM are tried by the POSIX job tests, with signals.)
TEST_F(CliTest, TimeoutStopsAHungConverterAndTheFileFails) {
    const std::string programFolder = path("hung");
    fs::create_directories(nativePath(programFolder));
    fs::copy_file(nativePath(std::string(RQ_BIN_DIR) + "/rq_fake_jconv_hang" + RQ_EXE_SUFFIX),
                  nativePath(joinPath(programFolder, "jconvpro.exe")));
    const std::string tool = joinPath(programFolder, fileName(RQ_CLI_PATH));
    fs::copy_file(nativePath(RQ_CLI_PATH), nativePath(tool));
    const auto started = std::chrono::steady_clock::now();
    const Result r =
        run("--home " + quoted(path("home")) + " --timeout 1 to-jfile " + quoted(sample()), tool);
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
              20.0);
    EXPECT_NE(r.err.find("refquill-cli: error: 0 of 1 file converted, 1 failed"), std::string::npos)
        << r.err;
    EXPECT_FALSE(
        fs::exists(nativePath(joinPath(path("home"), "Import and Export/RQ-sample-export.PDB"))));
}

// Both jobs from a program folder under "Program Files" (on Windows the real one) whose name,
// like the export's, holds characters of Windows-1252 and beyond it.
TEST_F(CliTest, AnyFolderAndFileNameWorks) {
    const std::string programFiles =
        test::programFilesFolder().empty() ? path("Program Files") : test::programFilesFolder();
    struct Case {
        std::string programFolder;
        std::string exportName;
        // As the handheld stores it on every platform: Windows-1252, where all 16 characters
        // fit in 19 bytes.
        std::string databaseName;
        // The program folder's name in "Log.txt": there too the ANSI code page on Windows, with
        // "?" for what it cannot hold, as the log is only read by people.
        std::string loggedFolder;
    };
    const Case cases[] = {
        {"Refquill Test", "plain refs.txt", "RQ-plain refs", "Refquill Test"},
        {"R\xc3\xa9"
         "f \xe2\x82\xac \xc5\x81\xc3\xb3\x64\xc5\xba",                // Réf € Łódź
         "Caf\xc3\xa9 \xe2\x80\x93 \xe2\x80\x9crefs\xe2\x80\x9d.txt",  // Café – “refs”.txt
         "RQ-Caf\xe9 \x96 \x93refs\x94",
         test::kPlatformStoresAnsiNames ? "R\xe9"
                                          "f \x80 ?\xf3"
                                          "d?"
                                        : "R\xc3\xa9"
                                          "f \xe2\x82\xac \xc5\x81\xc3\xb3\x64\xc5\xba"},
    };
    std::string firstImport;
    for (const Case& c : cases) {
        const std::string programFolder = joinPath(programFiles, c.programFolder);
        std::error_code error;
        fs::remove_all(nativePath(programFolder), error);
        fs::create_directories(nativePath(programFolder));
        fs::copy_file(nativePath(joinPath(RQ_BIN_DIR, "jconvpro.exe")),
                      nativePath(joinPath(programFolder, "jconvpro.exe")));
        const std::string tool = joinPath(programFolder, fileName(RQ_CLI_PATH));
        fs::copy_file(nativePath(RQ_CLI_PATH), nativePath(tool));
        const std::string source = path(c.exportName);
        fs::copy_file(nativePath(joinPath(joinPath(RQ_TEST_DATA_DIR, "jobs"), "three-refs.txt")),
                      nativePath(source));

        auto runTool = [&](const std::string& job, const std::string& file) {
            return test::runProgram({tool, job, file}, folder,
                                    {"HOME=" + path("user"), "XDG_CONFIG_HOME=" + path("config")});
        };
        test::ProgramRun r = runTool("to-jfile", source);
        EXPECT_EQ(r.status, 0) << c.exportName << r.err;
        const std::string exchange = joinPath(programFolder, "Import and Export");
        const std::string base(baseName(c.exportName));
        const std::string pdb = joinPath(exchange, "RQ-" + base + ".PDB");
        EXPECT_EQ(r.out, source + " -> " + pdb + ": 3 Records Transferred to  JFile\n");
        const std::string database = readNative(pdb);
        EXPECT_EQ(database.substr(0, c.databaseName.size() + 1), c.databaseName + '\0');
        EXPECT_NE(
            readNative(joinPath(programFolder, "Log.txt"))
                .find("Program location:  " + joinPath(programFiles, c.loggedFolder) + "\r\n"),
            std::string::npos);

        r = runTool("to-endnote", pdb);
        EXPECT_EQ(r.status, 0) << c.exportName << r.err;
        // Windows names the EndNote folder as Strat.jfp keeps it, in its short form there.
        const std::string tail = "RQ-" + base + ".tsv: 3 Records Transferred to EndNote\n";
        EXPECT_EQ(r.out.rfind(pdb + " -> ", 0), 0u) << r.out;
        EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), tail.size())), tail);
        const std::string import = readNative(joinPath(exchange, "RQ-" + base + ".tsv"));
        EXPECT_FALSE(import.empty());
        // The name changes nothing else: both folders give the same import file.
        if (firstImport.empty()) firstImport = import;
        EXPECT_EQ(import, firstImport);
        EXPECT_TRUE(fs::exists(nativePath(joinPath(programFolder, "Strat.jfp"))));
        fs::remove_all(nativePath(programFolder), error);
    }
}

}  // namespace
}  // namespace rq
