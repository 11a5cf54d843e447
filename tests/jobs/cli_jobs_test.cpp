// The job commands of refquill-cli, run as a program on files in a temporary folder.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "engine/path.h"
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
    return "'" + s + "'";
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

    // `env` is a list of NAME=VALUE words put before the program.
    Result runWith(const std::string& env, const std::string& args) {
        const std::string command = "HOME=" + shellQuoted(folder / "user") +
                                    " XDG_CONFIG_HOME=" + shellQuoted(folder / "config") + " " +
                                    env + " " + shellQuoted(joinPath(programs, "refquill-cli")) +
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
    EXPECT_EQ(r.out, "3 Records Transferred to  JFile\n");
    EXPECT_EQ(r.err, "");
    const std::string pdb = joinPath(exchange, "RQ-refs.PDB");
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
    EXPECT_EQ(r.out, "3 Records Transferred to EndNote\n");
    EXPECT_TRUE(fs::exists(joinPath(exchange, "RQ-refs.tsv")));
}

TEST_F(CliJobs, ErrorMessageGivesStatusOneAndTheOtherFilesAreStillConverted) {
    const std::string good = folder / "good.txt";
    fs::copy_file(dataFile("three-refs.txt"), good);
    Result r = run("to-jfile " + shellQuoted(folder / "missing.txt") + " " + shellQuoted(good));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "error: Couldnt Open input .tsv file\nerror: Error Converting EndNote file\n");
    EXPECT_TRUE(fs::exists(joinPath(exchange, "RQ-good.PDB")));

    fs::remove(joinPath(programs, "jconvpro.exe"));
    r = run("to-endnote " + shellQuoted(joinPath(exchange, "RQ-good.PDB")));
    EXPECT_EQ(r.status, 1);  // only a plain message, but the database was not converted
    EXPECT_EQ(r.err, "message: Jconvpro.exe not found!\n");
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
    EXPECT_EQ(r.err, "error: Couldnt load csv File\n");
}

TEST_F(CliJobs, JobsNeedAtLeastOneFile) {
    EXPECT_EQ(run("to-jfile").status, 2);
    EXPECT_EQ(run("to-endnote").status, 2);
    EXPECT_EQ(run("import-csv a.csv").status, 2);
    EXPECT_FALSE(fs::exists(joinPath(home, "Log.txt")));
}

}  // namespace
}  // namespace rq::test
