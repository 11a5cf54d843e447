// SPDX-License-Identifier: MIT
#pragma once
// The driver of the outside converter jconvpro.exe: stages the input in the work folder under
// fixed names, runs the converter with a fixed command line, waits for it while the window stays
// alive, fetches the output and decides success from the files the run leaves.
//
// What the converter must do, and all the driver relies on: it ends by itself; on success its
// whole output is at the output work path; on failure it may leave "jconvpro.err", which counts
// as failure whatever else happened. Its exit code is not examined, but a converter that was
// killed by a signal or ended with an exception status has failed.
//
// Nothing of an earlier run can count as output: the work files are removed before staging, and
// the output reaches its destination only when it is complete and checked, through a temporary
// file there, flushed and renamed; until then the destination keeps its last good file. The
// user can stop a run (ConversionContext::requestStop), and a run may be given a time limit
// (ConversionContext::converterTimeoutSeconds); either ends the converter process.

#include <chrono>
#include <string>
#include <string_view>

#include "base/palm_database_layout.h"
#include "base/path.h"
#include "engine/context.h"
#include "engine/directions.h"

namespace rq {

// What became of the last conversion.
enum class ConverterOutcome { Converted, Failed, Cancelled };

// How a run of the converter ended, before its output is judged.
enum class ConverterRunEnd {
    Ended,          // by itself; its output was fetched if there was one
    NotStarted,     // the process could not be started
    Abnormal,       // killed by a signal or ended with an exception status
    Cancelled,      // the user stopped it
    TimedOut,       // it ran past the time limit and was stopped
    StagingFailed,  // the input could not be copied to the work folder
    FetchFailed,    // the output could not be put at the destination
    DamagedOutput,  // it wrote no output, or a database that is cut off or not the one asked for
};

// How a run ended and, when it failed, why: the system's words for a failed staging or start,
// or what was wrong with the output.
struct ConverterRun {
    ConverterRunEnd end = ConverterRunEnd::Ended;
    std::string failure;
};

// The converter's messages name its work files; the user knows the files they chose. `from`
// work names or paths are replaced by the user's files. When `exportRecords` is set, the input
// is the CSV made from an EndNote export: its line N (after the header line) is record N - 1.
struct WorkFileNames {
    std::string inputWork, outputWork, ifoWork;  // full work paths as on the command line
    std::string input, output, ifo;              // what the user knows them as
    std::string exportFile;                      // the export behind the CSV, when there is one
};
std::string nameUserFiles(std::string_view text, const WorkFileNames& names);

// What a database the converter built must be: JFile's type and creator, one record per record
// exported, each record `fields` values long. Zero counts are not checked.
struct ExpectedDatabase {
    std::string_view type = kJFileType;
    std::string_view creator = kJFileCreator;
    std::size_t records = 0;
    std::size_t fields = 0;
};

// Why the Palm database at `path` is not the one expected, in words for the user; empty when it
// is. Header, record list and every record are read back: each record must lie whole inside the
// file and hold exactly the expected values, their lengths and end marks agreeing.
std::string palmDatabaseProblem(const std::string& path, const ExpectedDatabase& expected = {});

class ExternalConverter {
  public:
    static constexpr const char* kProgramName = "jconvpro.exe";
    static constexpr const char* kErrorLogName = "jconvpro.err";

    // Takes its own copies of the program and converter folders; the services stay the
    // context's.
    explicit ExternalConverter(ConversionContext& ctx);

    // Comma-separated file + IFO to a JFile database. `databaseName` is the name the caller has
    // enclosed in double quotes; it reaches the converter as one argument whatever it holds.
    bool convertCsvToPdb(const std::string& source, const std::string& destination,
                         const std::string& ifoFile, const std::string& databaseName);
    // JFile database to a comma-separated file.
    bool convertPdbToCsv(const std::string& source, const std::string& destination,
                         const std::string& ifoFile);
    // Of the last convertCsvToPdb or convertPdbToCsv.
    ConverterOutcome outcome() const { return outcome_; }

    // The EndNote export that the comma-separated source of convertCsvToPdb was made from, so
    // that the converter's messages can name it and its records.
    void setExportFile(std::string path) { exportFile_ = std::move(path); }
    // What the database of the next convertCsvToPdb must hold.
    void expectDatabase(const ExpectedDatabase& expected) { expected_ = expected; }

    // Stages, runs and waits. Failures are reported by the caller from the result.
    ConverterRun runConverter(const DirectionInfo& direction, const std::string& source,
                              const std::string& destination, const std::string& ifoFile,
                              const std::string& fourthArgument);

    bool converterPresent();
    // Deletes folder + "jconvpro.err"; a missing file is no error.
    void clearErrorLog(const std::string& folder);
    // When folder + "jconvpro.err" exists, shows it in the error report and returns true.
    bool showErrorLog(const std::string& folder);
    static PathParts splitPath(const std::string& path) { return rq::splitPath(path); }

    const std::string& programFolder() const { return programFolder_; }
    std::string programPath() const;
    // The work paths, built from the short form of the program folder.
    std::string workPath(const char* name);
    // The exact command line of one run. Each part reaches the converter as one argument:
    // a part that holds a blank or a double quote is quoted, the database name is always
    // enclosed in quotes, and the blank that stands for no name is passed as it is.
    std::string commandLine(char directionCode, const std::string& fourthArgument);

    // Pause between two polls of a running converter, so the wait does not take a whole core.
    void setPollPause(std::chrono::milliseconds pause) { pollPause_ = pause; }

  private:
    // The source can be read, the converter is there, and the destination's folder exists (it
    // is made when it does not); false after a message.
    bool readyToRun(const std::string& source, const std::string& destinationFolder);
    ConverterOutcome convert(const DirectionInfo& direction, const std::string& source,
                             const std::string& destination, const std::string& ifoFile,
                             const std::string& fourthArgument);
    // Copies `from` to the work file `to`, as long as the run is not stopped or out of time.
    ConverterRun stage(const std::string& from, const std::string& to, std::int64_t startSecond);
    ConverterRunEnd waitFor(ProcessHandle& handle, std::int64_t startSecond);
    bool timeIsUp(std::int64_t startSecond);
    // Checks the output work file and puts it in place of the destination: Ended, or
    // DamagedOutput or FetchFailed and why.
    ConverterRun fetchOutput(const DirectionInfo& direction, const std::string& destination);
    // What the user is told about `run`; empty when it converted.
    std::string problemOf(const ConverterRun& run) const;
    void removeWorkFiles();
    void showCapturedErrors();
    void stopProcess(ProcessHandle& handle);
    void nameUserFilesInLog(const std::string& folder);

    ConversionContext& ctx_;
    std::string programFolder_;
    std::string converterFolder_;
    std::chrono::milliseconds pollPause_{5};
    ConverterOutcome outcome_ = ConverterOutcome::Failed;
    std::string exportFile_;
    std::string captureFile_;
    ExpectedDatabase expected_;
    WorkFileNames names_;
};

}  // namespace rq
