#pragma once
// The driver of the outside converter jconvpro.exe: stages the input in the work folder under
// fixed names, runs the converter with a fixed command line, waits for it while the window stays
// alive, fetches the output and decides success from the files the run leaves.
//
// What the converter must do, and all the driver relies on: it ends by itself; on success its
// whole output is at the output work path; on failure it may leave "jconvpro.err", which counts
// as failure whatever else happened.

#include <chrono>
#include <string>

#include "engine/context.h"
#include "engine/directions.h"
#include "engine/path.h"

namespace rq {

class ExternalConverter {
  public:
    static constexpr const char* kProgramName = "jconvpro.exe";
    static constexpr const char* kErrorLogName = "jconvpro.err";

    // Takes its own copies of the program and converter folders; the services stay the
    // context's.
    explicit ExternalConverter(ConversionContext& ctx);

    // Comma-separated file + IFO to a JFile database. `databaseName` is passed on exactly as
    // given: the caller encloses it in double quotes so that it stays one argument.
    bool convertCsvToPdb(const std::string& source, const std::string& destination,
                         const std::string& ifoFile, const std::string& databaseName);
    // JFile database to a comma-separated file.
    bool convertPdbToCsv(const std::string& source, const std::string& destination,
                         const std::string& ifoFile);

    // Stages, runs, waits, fetches. Failures are never reported here; the result is read from
    // the files left behind.
    void runConverter(const DirectionInfo& direction, const std::string& source,
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
    // The exact command line of one run.
    std::string commandLine(char directionCode, const std::string& fourthArgument);

    // Pause between two polls of a running converter, so the wait does not take a whole core.
    void setPollPause(std::chrono::milliseconds pause) { pollPause_ = pause; }

  private:
    bool convert(const DirectionInfo& direction, const std::string& source,
                 const std::string& destination, const std::string& ifoFile,
                 const std::string& fourthArgument);
    void waitFor(ProcessHandle& handle);

    ConversionContext& ctx_;
    std::string programFolder_;
    std::string converterFolder_;
    std::chrono::milliseconds pollPause_{5};
};

}  // namespace rq
