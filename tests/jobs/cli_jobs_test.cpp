// SPDX-License-Identifier: MIT
// The job commands of refquill-cli, run as a program on files in a temporary folder.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "base/path.h"
#include "jobs/harness.h"
#include "support/fake_system.h"

namespace rq::test {
namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& s) {
    std::string quoted = "'";
    for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

extern "C" char** environ;

// A program run in the background with its output in files; ended and waited for at the end.
class Background {
  public:
    // `in`, when given, is opened for reading and writing (a FIFO then never blocks the start).
    Background(const std::vector<std::string>& args, const std::string& out, const std::string& err,
               const std::string& in = "") {
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        if (!in.empty()) posix_spawn_file_actions_addopen(&files, 0, in.c_str(), O_RDWR, 0);
        posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &files, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&files);
    }
    ~Background() {
        if (pid_ > 0 && !ended_) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    void signal(int number) { ::kill(pid_, number); }
    // The exit status; -1 when it was ended by a signal, or killed after a minute.
    int wait() {
        int raw = 0;
        pid_t ended = 0;
        for (int i = 0; i < 600 && (ended = ::waitpid(pid_, &raw, WNOHANG)) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (ended == 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &raw, 0);
        }
        ended_ = true;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

  private:
    pid_t pid_ = -1;
    bool ended_ = false;
};

using Seconds = std::chrono::duration<double>;
Seconds since(std::chrono::steady_clock::time_point start) {
    return std::chrono::steady_clock::now() - start;
}

class CliJobs : public ::testing::Test {
  protected:
    TempFolder folder;
    std::string home, exchange, programs;

    // The programs lie in a folder of their own, the converter beside the tool; the files of
    // the run go to --home.
    void SetUp() override {
        home = folder / "Program Folder";
        exchange = joinPath(home, "Import and Export");
        programs = folder / "programs";
        fs::create_directories(home);
        fs::create_directories(programs);
        fs::create_directories(folder / "user/.jpilot");
        fs::copy_file(std::string(RQ_BIN_DIR) + "/jconvpro.exe",
                      joinPath(programs, "jconvpro.exe"));
        fs::copy_file(RQ_CLI_PATH, joinPath(programs, "refquill-cli"));
    }

    Result run(const std::string& args) {
        return runWith("", "--home " + shellQuoted(home) + " " + args);
    }

    // A second program folder whose converter is one of the stand-ins.
    std::string programsWith(const std::string& fake) {
        const std::string other = folder / ("programs-" + fake);
        fs::create_directories(other);
        fs::copy_file(std::string(RQ_BIN_DIR) + "/rq_fake_jconv_" + fake,
                      joinPath(other, "jconvpro.exe"));
        fs::copy_file(RQ_CLI_PATH, joinPath(other, "refquill-cli"));
        return other;
    }
    std::string copyExport(const std::string& name) {
        const std::string source = folder / name;
        fs::copy_file(dataFile("three-refs.txt"), source);
        return source;
    }
    std::unique_ptr<Background> start(const std::string& programFolder,
                                      std::vector<std::string> args, const std::string& tag,
                                      const std::string& in = "") {
        args.insert(args.begin(), {joinPath(programFolder, "refquill-cli"), "--home", home});
        return std::make_unique<Background>(args, folder / (tag + ".out"), folder / (tag + ".err"),
                                            in);
    }

    // `env` is a list of NAME=VALUE words put before the program.
    Result runWith(const std::string& env, const std::string& args,
                   const std::string& programFolder = "") {
        const std::string command =
            "HOME=" + shellQuoted(folder / "user") +
            " XDG_CONFIG_HOME=" + shellQuoted(folder / "config") + " " + env + " " +
            shellQuoted(
                joinPath(programFolder.empty() ? programs : programFolder, "refquill-cli")) +
            " " + args + " >" + shellQuoted(folder / "stdout") + " 2>" +
            shellQuoted(folder / "stderr");
        const int raw = std::system(command.c_str());
        return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(folder / "stdout"),
                readFile(folder / "stderr")};
    }
};

TEST_F(CliJobs, ToJFileAndBackWriteWhatTheProgramWrites) {
    const std::string source = folder / "refs.txt";
    fs::copy_file(dataFile("three-refs.txt"), source);
    Result r = run("to-jfile " + shellQuoted(source));
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string pdb = joinPath(exchange, "RQ-refs.PDB");
    EXPECT_EQ(r.out, source + " -> " + pdb + ": 3 Records Transferred to  JFile\n");
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(fs::exists(pdb));
    EXPECT_TRUE(fs::exists(joinPath(home, "Strat.jfp")));
    const std::string log = readFile(joinPath(home, "Log.txt"));
    EXPECT_EQ(log.substr(0, 21), " \r\nEndNote to JFile\r\n");
    EXPECT_NE(
        log.find("\r\n3 Records Transferred to  JFile\r\n \r\nProgram location:  " + home + "\r\n"),
        std::string::npos);
    EXPECT_EQ(readFile(folder / "user/.jpilot/jpilot.install"), pdb + "\n");

    r = run("to-endnote " + shellQuoted(pdb));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, pdb + " -> " + joinPath(exchange, "RQ-refs.tsv") +
                         ": 3 Records Transferred to EndNote\n");
    EXPECT_TRUE(fs::exists(joinPath(exchange, "RQ-refs.tsv")));
}

TEST_F(CliJobs, ErrorMessageGivesStatusOneAndTheOtherFilesAreStillConverted) {
    const std::string good = folder / "good.txt";
    fs::copy_file(dataFile("three-refs.txt"), good);
    Result r = run("to-jfile " + shellQuoted(folder / "missing.txt") + " " + shellQuoted(good));
    EXPECT_EQ(r.status, 1);
    // The file and the reason, once, though both the reader and the job tell of them.
    EXPECT_EQ(r.err, "refquill-cli: error: " + folder / "missing.txt" +
                         ": No such file or directory\n"
                         "refquill-cli: error: 1 of 2 files converted, 1 failed\n");
    EXPECT_TRUE(fs::exists(joinPath(exchange, "RQ-good.PDB")));

    fs::remove(joinPath(programs, "jconvpro.exe"));
    r = run("to-endnote " + shellQuoted(joinPath(exchange, "RQ-good.PDB")));
    EXPECT_EQ(r.status, 1);  // only a plain message, but the database was not converted
    EXPECT_EQ(r.err, "refquill-cli: warning: " + joinPath(programs, "jconvpro.exe") +
                         ": No such file or directory\nrefquill-cli: error: 0 of 1 file "
                         "converted, 1 failed\n");
}

// --out-dir takes the place of the strategy's output folder for one run, and Strat.jfp keeps
// its own; each result line names the input as given and where its output went.
TEST_F(CliJobs, OutDirIsForThisRunOnly) {
    const std::string a = copyExport("a.txt");
    const std::string b = copyExport("b.txt");
    const std::string out = folder / "out";
    fs::create_directories(out);
    ASSERT_EQ(run("--quiet to-jfile " + shellQuoted(a)).status, 0);
    const std::string strategy = readFile(joinPath(home, "Strat.jfp"));
    fs::remove(joinPath(exchange, "RQ-a.PDB"));

    Result r =
        run("to-jfile --out-dir " + shellQuoted(out) + " " + shellQuoted(a) + " " + shellQuoted(b));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, a + " -> " + joinPath(out, "RQ-a.PDB") +
                         ": 3 Records Transferred to  JFile\n" + b + " -> " +
                         joinPath(out, "RQ-b.PDB") + ": 3 Records Transferred to  JFile\n");
    EXPECT_FALSE(fs::exists(joinPath(exchange, "RQ-a.PDB")));
    EXPECT_EQ(readFile(joinPath(home, "Strat.jfp")), strategy);

    r = run("to-endnote " + shellQuoted(joinPath(out, "RQ-a.PDB")) + " --out-dir " +
            shellQuoted(out));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, joinPath(out, "RQ-a.PDB") + " -> " + joinPath(out, "RQ-a.tsv") +
                         ": 3 Records Transferred to EndNote\n");
    EXPECT_EQ(readFile(joinPath(home, "Strat.jfp")), strategy);

    // A folder that is not there is not made: a mistyped name would become one.
    const std::string nowhere = folder / "nowhere";
    r = run("to-jfile --out-dir " + shellQuoted(nowhere) + " " + shellQuoted(a));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "refquill-cli: error: " + nowhere + ": No such file or directory\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(nowhere));
}

TEST_F(CliJobs, DataFolderComesFromHomeOptionThenVariableThenProgramFolder) {
    const std::string source = folder / "refs.txt";
    fs::copy_file(dataFile("three-refs.txt"), source);
    const std::string env = "REFQUILL_HOME=" + shellQuoted(folder / "env");
    struct Case {
        std::string env;
        std::string args;
        std::string dataFolder;
    };
    const Case cases[] = {
        {env, "", folder / "env"},
        {env, "--home " + shellQuoted(home), home},
        // A program folder of the user's own keeps the files beside the programs.
        {"", "", programs},
    };
    for (const Case& c : cases) {
        fs::remove_all(c.dataFolder + "/Import and Export");
        const Result r = runWith(c.env, c.args + " to-jfile " + shellQuoted(source));
        EXPECT_EQ(r.status, 0) << c.args << r.err;
        EXPECT_TRUE(fs::exists(joinPath(c.dataFolder, "Import and Export/RQ-refs.PDB"))) << c.args;
        const std::string log = readFile(joinPath(c.dataFolder, "Log.txt"));
        EXPECT_NE(log.find("Program location:  " + c.dataFolder + "\r\n"), std::string::npos)
            << c.args;
    }
}

TEST_F(CliJobs, VerboseTellsTheStepsAndQuietOnlyTheErrors) {
    const std::string source = copyExport("refs.txt");
    Result r = run("--verbose to-jfile " + shellQuoted(source));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, source + " -> " + joinPath(exchange, "RQ-refs.PDB") +
                         ": 3 Records Transferred to  JFile\n");
    for (const std::string& line :
         {"folders: data " + home + ", converter " + programs + "\n",
          "log: sCsv Name is " + home + "/RQWork/refs.csv\n",
          "converter: \"" + programs + "/jconvpro.exe\" 1 ",
          std::string("step: EndNote to CSV took "), std::string("step: CSV to JFile took "),
          std::string("refquill-cli: 1 of 1 file converted\n")})
        EXPECT_NE(r.err.find(line), std::string::npos) << line << " in\n" << r.err;

    r = run("--quiet to-jfile " + shellQuoted(source));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
    // Quiet keeps the errors and the closing count.
    r = run("-q to-jfile " + shellQuoted(folder / "missing.txt"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "refquill-cli: error: " + folder / "missing.txt" +
                         ": No such file or directory\n"
                         "refquill-cli: error: 0 of 1 file converted, 1 failed\n");
}

TEST_F(CliJobs, ProgressLineOnlyOnATerminalAndErasedAtTheEnd) {
    const std::string slow = programsWith("slow");
    const std::string source = copyExport("refs.txt");
    const std::string command = shellQuoted(joinPath(slow, "refquill-cli")) + " --home " +
                                shellQuoted(home) + " to-jfile " + shellQuoted(source);
    // script(1) gives the program a terminal and keeps what it wrote there.
    const std::string typescript = folder / "typescript";
    const int raw = std::system(
        ("script -qec " + shellQuoted(command) + " " + shellQuoted(typescript) + " >/dev/null 2>&1")
            .c_str());
    ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << readFile(typescript);
    const std::string screen = readFile(typescript);
    EXPECT_NE(screen.find("\rfile 1 of 1, "), std::string::npos) << screen;
    // Erased before the result line, which stands alone on its line.
    const std::size_t result = screen.find(" -> " + joinPath(exchange, "RQ-refs.PDB") +
                                           ": 3 Records Transferred to  JFile");
    ASSERT_NE(result, std::string::npos) << screen;
    EXPECT_LT(screen.rfind("\rfile 1 of 1, "), screen.rfind("\x1b[K", result)) << screen;

    const Result plain =
        runWith("", "--home " + shellQuoted(home) + " to-jfile " + shellQuoted(source));
    EXPECT_EQ(plain.err.find("file 1 of 1"), std::string::npos);
}

TEST_F(CliJobs, SecondRunOnOneFolderWaitsOrEndsAtOnce) {
    const std::string slow = programsWith("slow");
    const std::string first = copyExport("first.txt");
    const std::string second = copyExport("second.txt");
    auto holder = start(slow, {"to-jfile", first}, "first");
    // The first run holds the folder while its converter sleeps.
    std::this_thread::sleep_for(std::chrono::milliseconds(800));

    auto started = std::chrono::steady_clock::now();
    Result r = run("--no-wait to-jfile " + shellQuoted(second));
    EXPECT_EQ(r.status, 1);
    EXPECT_LT(since(started).count(), 2.0);
    EXPECT_EQ(r.err, "refquill-cli: error: another conversion is running in " + home + "\n");
    EXPECT_FALSE(fs::exists(joinPath(exchange, "RQ-second.PDB")));

    started = std::chrono::steady_clock::now();
    r = run("to-jfile " + shellQuoted(second));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.rfind("refquill-cli: waiting for another conversion in " + home + "\n", 0), 0u)
        << r.err;
    EXPECT_EQ(r.out, second + " -> " + joinPath(exchange, "RQ-second.PDB") +
                         ": 3 Records Transferred to  JFile\n");
    EXPECT_GT(since(started).count(), 1.0);  // it waited for the first run's converter
    EXPECT_EQ(holder->wait(), 0);
    // Each database is its own run's: the stand-in keeps the CSV in a database of its own, ours
    // builds a JFile database.
    EXPECT_EQ(readFile(joinPath(exchange, "RQ-first.PDB")),
              fakePalmDatabase(readFile(joinPath(home, "RQWork/first.csv"))));
    EXPECT_EQ(readFile(joinPath(exchange, "RQ-second.PDB")).substr(60, 8), "JfD5JFi5");
}

TEST_F(CliJobs, InterruptStopsTheConverterKeepsTheSessionAndExitsWithTheSignal) {
    const std::string hang = programsWith("hang");
    const std::string a = copyExport("a.txt");
    const std::string b = copyExport("b.txt");
    for (int number : {SIGINT, SIGTERM}) {
        auto job = start(hang, {"to-jfile", a, b}, "job");
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const auto sent = std::chrono::steady_clock::now();
        job->signal(number);
        EXPECT_EQ(job->wait(), 128 + number) << number;
        EXPECT_LT(since(sent).count(), 5.0);
        const std::string err = readFile(folder / "job.err");
        EXPECT_NE(err.find("refquill-cli: error: interrupted; 0 of 2 files converted"),
                  std::string::npos)
            << err;
        EXPECT_FALSE(fs::exists(joinPath(exchange, "RQ-a.PDB")));
        EXPECT_FALSE(fs::exists(joinPath(exchange, "RQ-b.PDB")));
        // The second file was not started, and the session was ended as usual.
        const std::string log = readFile(joinPath(home, "Log.txt"));
        EXPECT_EQ(log.find("b.txt"), std::string::npos);
        EXPECT_NE(log.find("Conversion cancelled"), std::string::npos) << log;
        EXPECT_NE(log.find("Program location:  " + home), std::string::npos);
        // ifo.tmp stays between runs, as after any run: the converter may look for it.
        for (const char* work : {"input.tmp", "out.tmp"})
            EXPECT_FALSE(fs::exists(joinPath(home, std::string("RQWork/") + work))) << work;
        fs::remove(joinPath(home, "Log.txt"));
    }
}

// "-" is standard input and output; the result lines then go to standard error, and the bytes
// are those the same command writes to a file (here standard output is a file, as with ">").
TEST_F(CliJobs, DashIsStandardInputAndOutput) {
    const std::string source = copyExport("refs.txt");
    const std::string csv = folder / "one.csv";
    fs::copy_file(dataFile("one-record.csv"), csv);
    struct Case {
        std::string toFile, throughStreams, results;
    };
    const Case cases[] = {
        {"export-csv " + shellQuoted(source), "export-csv - <" + shellQuoted(source),
         "records: 3\nrecords with cut values: 0\n"},
        {"import-csv " + shellQuoted(csv), "import-csv - <" + shellQuoted(csv), "records: 1\n"},
        {"write-ifo", "write-ifo", "selected fields: 15\n"},
    };
    for (const Case& c : cases) {
        const std::string file = folder / "file.out";
        Result r = run(c.toFile + " -o " + shellQuoted(file));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, c.results);
        r = run(c.throughStreams + " -o -");
        EXPECT_EQ(r.status, 0) << c.throughStreams << r.err;
        EXPECT_EQ(r.out, readFile(file)) << c.throughStreams;
        EXPECT_EQ(r.err, c.results);
        r = run("--quiet " + c.throughStreams + " -o -");
        EXPECT_EQ(r.out, readFile(file)) << c.throughStreams;
        EXPECT_EQ(r.err, "");
    }
    // A file named "-" is still reached by a path.
    fs::copy_file(source, folder / "-");
    Result r = runWith("cd " + shellQuoted(folder.path()) + " &&",
                       "--home " + shellQuoted(home) + " export-csv ./- -o ./-.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    r = run("export-csv " + shellQuoted(source) + " -o " + shellQuoted(folder / "refs.csv"));
    EXPECT_EQ(readFile(folder / "-.csv"), readFile(folder / "refs.csv"));
}

// A signal ends export-csv and import-csv, even while they wait for input, with 128 + its
// number, no message, and no temporary file beside the output.
TEST_F(CliJobs, SignalEndsAOneFileCommandWithoutItsTemporaryFile) {
    const std::string fifo = folder / "input";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string out = folder / "out";
    fs::create_directories(out);
    for (const char* command : {"export-csv", "import-csv"}) {
        for (int number : {SIGINT, SIGTERM}) {
            auto job = start(programs, {command, "-", "-o", joinPath(out, "result")}, "one", fifo);
            {
                std::ofstream input(fifo, std::ios::binary);  // part of an input, never ended
                input << readFile(
                    dataFile(command[0] == 'e' ? "three-refs.txt" : "one-record.csv"));
            }
            const auto started = std::chrono::steady_clock::now();
            while (fs::is_empty(out) && since(started).count() < 20.0)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ASSERT_FALSE(fs::is_empty(out)) << command << ": no temporary file was made";
            job->signal(number);
            EXPECT_EQ(job->wait(), 128 + number) << command;
            EXPECT_TRUE(fs::is_empty(out)) << command << " " << number;
            EXPECT_EQ(readFile(folder / "one.err"), "") << command;
            EXPECT_EQ(readFile(folder / "one.out"), "") << command;
        }
    }
}

TEST_F(CliJobs, ImportCsvConvertsAnyCsv) {
    const std::string csv = folder / "one.csv";
    fs::copy_file(dataFile("one-record.csv"), csv);
    Result r = run("import-csv " + shellQuoted(csv) + " -o " + shellQuoted(folder / "one.tsv"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "records: 1\n");
    EXPECT_EQ(readFile(folder / "one.tsv"), readFile(dataFile("one-record.tsv")));
    EXPECT_FALSE(fs::exists(joinPath(home, "Strat.jfp")));

    r = run("import-csv " + shellQuoted(folder / "none.csv") + " -o " +
            shellQuoted(folder / "x.tsv"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "refquill-cli: error: " + (folder / "none.csv") + ": No such file or directory\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(folder / "x.tsv"));
}

TEST_F(CliJobs, JobsNeedAtLeastOneFile) {
    EXPECT_EQ(run("to-jfile").status, 2);
    EXPECT_EQ(run("to-endnote").status, 2);
    EXPECT_EQ(run("import-csv a.csv").status, 2);
    EXPECT_FALSE(fs::exists(joinPath(home, "Log.txt")));
}

}  // namespace
}  // namespace rq::test

namespace rq::test {
namespace {

// A RIS file goes to JFile like an export, and comes back in each format from-jfile writes.
TEST_F(CliJobs, ReferenceFilesGoToJFileAndComeBackInTheirFormat) {
    const std::string source = folder / "zotero.ris";
    writeFile(source,
              "\xEF\xBB\xBFTY  - JOUR\r\nAU  - Smith, J.\r\nTI  - First \xC4\x8D title\r\n"
              "PY  - 2001\r\nER  - \r\n\r\nTY  - BOOK\r\nAU  - Doe, A.\r\nTI  - Second\r\n"
              "ER  - \r\n");
    Result r = run("to-jfile " + shellQuoted(source));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, source + " -> " + joinPath(exchange, "RQ-zotero.PDB") +
                         ": 2 Records Transferred to  JFile\n");
    const std::string log = readFile(joinPath(home, "Log.txt"));
    EXPECT_NE(log.find("Replaced character(s) in Record 1\r\n"), std::string::npos) << log;
    const std::string pdb = joinPath(exchange, "RQ-zotero.PDB");
    ASSERT_TRUE(fs::exists(pdb));

    r = run("from-jfile --format ris " + shellQuoted(pdb));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(joinPath(exchange, "RQ-zotero.ris")),
              "\xEF\xBB\xBFTY  - JOUR\r\nAU  - Smith, J.\r\nPY  - 2001\r\nTI  - First c title\r\n"
              "ER  - \r\n\r\nTY  - BOOK\r\nAU  - Doe, A.\r\nTI  - Second\r\nER  - \r\n\r\n");
    r = run("from-jfile --format csl-json " + shellQuoted(pdb));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(readFile(joinPath(exchange, "RQ-zotero.json")).find("\"title\":\"Second\""),
              std::string::npos);
    r = run("from-jfile " + shellQuoted(pdb));  // endnote, as to-endnote
    EXPECT_TRUE(fs::exists(joinPath(exchange, "RQ-zotero.tsv")));

    EXPECT_EQ(run("from-jfile --format word " + shellQuoted(pdb)).status, 2);
    EXPECT_EQ(run("to-endnote --format ris " + shellQuoted(pdb)).status, 2);

    const std::string binary = folder / "photo.jpg";
    writeFile(binary, std::string_view("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11));
    r = run("to-jfile " + shellQuoted(binary));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "refquill-cli: error: " + binary +
                         ": not a reference file (neither an EndNote export nor RIS, BibTeX or "
                         "CSL-JSON)\nrefquill-cli: error: 0 of 1 file converted, 1 failed\n");
}

}  // namespace
}  // namespace rq::test
