// SPDX-License-Identifier: MIT
#include "engine/converter_driver.h"
#include "base/native_path.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <thread>

#include "base/bytes.h"
#include "base/files.h"
#include "engine/command_line.h"
#include "engine/file_replace.h"

namespace rq {

namespace {
constexpr const char* kInputWork = "input.tmp";
constexpr const char* kIfoWork = "ifo.tmp";
constexpr const char* kOutputWork = "out.tmp";
// What the converter writes on its standard error, kept out of the user's terminal: its report
// is shown once, from "jconvpro.err", or from here when it left none.
constexpr const char* kErrorCapture = "errors.tmp";
// The fourth argument of direction "2": no database name, one blank.
constexpr std::string_view kNoDatabaseName = " ";
// Polls granted to a killed converter to end before the driver stops waiting for it.
constexpr int kPollsAfterKill = 400;

}  // namespace

std::string nameUserFiles(std::string_view text, const WorkFileNames& names) {
    struct Replacement {
        std::string_view from;
        std::string_view to;
        bool isInput;
    };
    const std::string_view input = names.exportFile.empty() ? names.input : names.exportFile;
    // Full paths before the bare names they end in.
    const Replacement replacements[] = {
        {names.inputWork, input, true},
        {names.outputWork, names.output, false},
        {names.ifoWork, names.ifo, false},
        {fileName(names.inputWork), input, true},
        {fileName(names.outputWork), names.output, false},
        {fileName(names.ifoWork), names.ifo, false},
    };
    constexpr std::string_view kLine = ": line ";
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = text.substr(i);
        const Replacement* found = nullptr;
        for (const Replacement& r : replacements) {
            if (!r.from.empty() && rest.substr(0, r.from.size()) == r.from) {
                found = &r;
                break;
            }
        }
        if (found == nullptr) {
            out += text[i++];
            continue;
        }
        i += found->from.size();
        out += found->to;
        // The CSV made from an export holds the header line and then one line per record.
        if (found->isInput && !names.exportFile.empty() && text.substr(i, kLine.size()) == kLine) {
            const char* first = text.data() + i + kLine.size();
            const char* last = text.data() + text.size();
            long line = 0;
            const auto parsed = std::from_chars(first, last, line);
            if (parsed.ec == std::errc() && line >= 2) {
                out += ": record ";
                out += std::to_string(line - 1);
                i = static_cast<std::size_t>(parsed.ptr - text.data());
            }
        }
    }
    return out;
}

namespace {

// Why a JFile record of `fields` values is not whole: a big-endian length word per value (its
// bytes plus one for its end mark), then the values, each ended by a zero byte.
std::string jfileRecordProblem(std::string_view record, std::size_t fields) {
    if (record.size() < 2 * fields) return "it is shorter than its list of value lengths";
    std::size_t at = 2 * fields;
    for (std::size_t k = 0; k < fields; ++k) {
        const std::size_t length = getU16(record, 2 * k);
        if (length == 0 || length > record.size() - at) return "a value runs past its end";
        if (record.find('\0', at) != at + length - 1) return "a value's length and end disagree";
        at += length;
    }
    if (at != record.size()) return "it holds bytes after its last value";
    return {};
}

}  // namespace

std::string palmDatabaseProblem(const std::string& path, const ExpectedDatabase& expected) {
    const UniqueFile file = openFile(path, "rb");
    if (!file) return "it cannot be read";
    // The header and the longest record list there can be.
    std::string head(pdbEntryAt(kPdbMaxRecords), '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    const bool readFailed = std::ferror(file.get()) != 0;
    std::fseek(file.get(), 0, SEEK_END);
    const long end = std::ftell(file.get());
    if (readFailed || end < 0) return "it cannot be read";
    const auto size = static_cast<std::uint64_t>(end);
    const std::string bytes = " (" + std::to_string(size) + " bytes)";

    if (size < kPdbHeaderSize) return "it is shorter than a database header" + bytes;
    if (head.find('\0') >= kPdbNameSlot || head[0] == '\0') return "it holds no database name";
    const std::string_view type = std::string_view(head).substr(kPdbTypeAt, kPdbTypeSize);
    const std::string_view creator = std::string_view(head).substr(kPdbCreatorAt, kPdbTypeSize);
    if (type != expected.type || creator != expected.creator) {
        return "it is a database of type " + std::string(type) + " and creator " +
               std::string(creator) + ", not a JFile database (" + std::string(expected.type) +
               "/" + std::string(expected.creator) + ")";
    }
    const std::uint32_t count = getU16(head, kPdbRecordCountAt);
    if (expected.records > 0 && count != expected.records) {
        return "it holds " + std::to_string(count) + " records for " +
               std::to_string(expected.records) + " exported";
    }
    const std::uint64_t listEnd = pdbEntryAt(count);
    if (listEnd > size) {
        return "its list of " + std::to_string(count) + " records runs past its end" + bytes;
    }
    const std::uint32_t appInfo = getU32(head, kPdbAppInfoAt);
    if (appInfo != 0 && (appInfo < listEnd || appInfo > size)) {
        return "its application block lies outside the file" + bytes;
    }
    std::uint64_t previous = listEnd;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t offset = getU32(head, pdbEntryAt(i));
        if (offset < previous || offset >= size) {
            return "record " + std::to_string(i + 1) + " of " + std::to_string(count) +
                   " lies outside the file" + bytes;
        }
        previous = offset;
    }
    if (expected.fields == 0) return {};
    // Each record runs to the next one, the last to the end of the file.
    std::string record;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t offset = getU32(head, pdbEntryAt(i));
        const std::uint64_t next = i + 1 < count ? getU32(head, pdbEntryAt(i + 1)) : size;
        record.resize(static_cast<std::size_t>(next - offset));
        if (std::fseek(file.get(), static_cast<long>(offset), SEEK_SET) != 0 ||
            std::fread(record.data(), 1, record.size(), file.get()) != record.size()) {
            return "it cannot be read";
        }
        if (const std::string problem = jfileRecordProblem(record, expected.fields);
            !problem.empty()) {
            return "record " + std::to_string(i + 1) + " of " + std::to_string(count) +
                   " is damaged: " + problem;
        }
    }
    return {};
}

ExternalConverter::ExternalConverter(ConversionContext& ctx)
    : ctx_(ctx), programFolder_(ctx.programFolder), converterFolder_(ctx.converterFolder) {}

std::string ExternalConverter::programPath() const {
    return joinPath(converterFolder_, kProgramName);
}

std::string ExternalConverter::workPath(const char* name) {
    const std::string shortFolder = ctx_.system.shortFolderPath(programFolder_);
    return joinPath(joinPath(shortFolder, kWorkFolderName), name);
}

std::string ExternalConverter::commandLine(char directionCode, const std::string& fourthArgument) {
    // The program path is always quoted: unquoted, a folder with blanks would let the system
    // start another program (C:\Program.exe for C:\Program Files\...).
    std::string line = "\"";
    for (const char c : programPath())
        if (c != '"') line += c;
    line += "\" ";
    line += directionCode;
    line += ' ';
    // Short folders hold no blanks; where there is no short form, quoting keeps a path whole.
    line += quoteArgument(workPath(kInputWork));
    line += ' ';
    line += quoteArgument(workPath(kOutputWork));
    line += ' ';
    if (fourthArgument == kNoDatabaseName) {
        line += fourthArgument;
    } else {
        // The caller's quotes come off, and the name goes back in quotes with its own quotes
        // and backslashes escaped, so a name like RQ-"refs" stays one argument.
        std::string_view name = fourthArgument;
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
            name = name.substr(1, name.size() - 2);
        }
        line += enclosedArgument(name);
    }
    line += ' ';
    line += quoteArgument(workPath(kIfoWork));
    return line;
}

bool ExternalConverter::converterPresent() {
    return ctx_.system.fileExists(programPath());
}

void ExternalConverter::clearErrorLog(const std::string& folder) {
    const std::string log = joinPath(folder, kErrorLogName);
    if (ctx_.system.fileExists(log)) ctx_.system.deleteFile(log);
}

void ExternalConverter::nameUserFilesInLog(const std::string& log) {
    std::string text;
    if (readWholeFile(log, text) != ReadResult::Read) return;
    const std::string named = nameUserFiles(text, names_);
    // The log keeps the converter's words when it cannot be rewritten; nothing is lost.
    if (named != text) replaceFileContents(ctx_.system, log, named);
}

bool ExternalConverter::showErrorLog(const std::string& folder) {
    const std::string log = joinPath(folder, kErrorLogName);
    if (!ctx_.system.fileExists(log)) return false;
    nameUserFilesInLog(log);
    ctx_.host.showLog(log);
    return true;
}

bool ExternalConverter::convertCsvToPdb(const std::string& source, const std::string& destination,
                                        const std::string& ifoFile,
                                        const std::string& databaseName) {
    outcome_ = convert(directionInfo(Direction::EndNoteToJFile), source, destination, ifoFile,
                       databaseName);
    return outcome_ == ConverterOutcome::Converted;
}

bool ExternalConverter::convertPdbToCsv(const std::string& source, const std::string& destination,
                                        const std::string& ifoFile) {
    exportFile_.clear();
    outcome_ = convert(directionInfo(Direction::JFileToEndNote), source, destination, ifoFile,
                       std::string(kNoDatabaseName));
    return outcome_ == ConverterOutcome::Converted;
}

bool ExternalConverter::readyToRun(const std::string& source,
                                   const std::string& destinationFolder) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;
    if (const std::string problem = inputFileProblem(source); !problem.empty()) {
        const std::string detail = shownPath(source) + ": " + problem;
        if (problem == kNoSuchFile) {
            host.showMessage(MessageKind::Plain, "The source file does not exist", detail);
        } else {
            host.showMessage(MessageKind::Error, detail);
        }
        return false;
    }
    if (!converterPresent()) {
        host.showMessage(MessageKind::Plain, "Jconvpro.exe not found!",
                         shownPath(programPath()) + ": " + std::string(kNoSuchFile));
        return false;
    }
    // A destination without a folder part lies in the current folder, which exists.
    if (!destinationFolder.empty() && !system.folderExists(destinationFolder)) {
        host.showMessage(MessageKind::Plain, "Destination directory Had to be created");
        system.createFolders(destinationFolder);
    }
    return true;
}

ConverterOutcome ExternalConverter::convert(const DirectionInfo& direction,
                                            const std::string& source,
                                            const std::string& destination,
                                            const std::string& ifoFile,
                                            const std::string& fourthArgument) {
    HostServices& host = ctx_.host;
    const std::string destinationFolder = splitPath(destination).folder;
    // The converter writes its log beside its output work file; for direction "1" that is not
    // the destination's folder, so the work folder is looked at too.
    const std::string workFolder = joinPath(programFolder_, kWorkFolderName);
    const bool separateWorkLog = folderOf(destination) != workFolder;
    // The file the user chose: the export behind the CSV, or the database.
    const std::string& userFile =
        direction.buildsDatabase && !exportFile_.empty() ? exportFile_ : source;

    if (!readyToRun(source, destinationFolder)) return ConverterOutcome::Failed;
    // The destination is not deleted before the run: it is replaced only by a new output that
    // is complete and checked, so a failed, cancelled or killed run leaves the last good one.
    clearErrorLog(destinationFolder);
    if (separateWorkLog) clearErrorLog(workFolder);

    names_ = {workPath(kInputWork),
              workPath(kOutputWork),
              workPath(kIfoWork),
              source,
              destination,
              ifoFile,
              direction.buildsDatabase ? exportFile_ : std::string()};
    ConverterRun run = runConverter(direction, source, destination, ifoFile, fourthArgument);

    if (run.end == ConverterRunEnd::Cancelled) {
        // The user asked for it: no message box. The job tells the log and the status bar.
        removeWorkFiles();
        return ConverterOutcome::Cancelled;
    }

    const bool reported =
        showErrorLog(destinationFolder) || (separateWorkLog && showErrorLog(workFolder));
    if (!reported && run.end == ConverterRunEnd::Ended) {
        showCapturedErrors();
        run = fetchOutput(direction, destination);
    }
    removeWorkFiles();
    const std::string problem = reported && run.end == ConverterRunEnd::Ended
                                    ? "jconvpro.exe reported an error; its output was not used"
                                    : problemOf(run);
    if (!problem.empty()) {
        // The fixed text stays as it is; the file and the reason follow on a line of their own.
        const std::string& problemFile =
            run.end == ConverterRunEnd::FetchFailed ? destination : userFile;
        const std::string detail = shownPath(problemFile) + ": " + problem;
        host.appendLog(detail);
        host.showMessage(MessageKind::Error, direction.missingOutputMessage, detail);
        return ConverterOutcome::Failed;
    }
    return ConverterOutcome::Converted;
}

std::string ExternalConverter::problemOf(const ConverterRun& run) const {
    switch (run.end) {
        case ConverterRunEnd::Ended:
            return {};
        case ConverterRunEnd::NotStarted:
            return "jconvpro.exe could not be started" +
                   (run.failure.empty() ? std::string() : ": " + run.failure);
        case ConverterRunEnd::Abnormal:
            return "jconvpro.exe ended abnormally (it crashed or was killed); its output was not "
                   "used";
        case ConverterRunEnd::TimedOut:
            if (!run.failure.empty()) return run.failure;
            return "jconvpro.exe did not finish within " +
                   std::to_string(ctx_.converterTimeoutSeconds) + " seconds and was stopped";
        default:
            return run.failure;
    }
}

ConverterRun ExternalConverter::fetchOutput(const DirectionInfo& direction,
                                            const std::string& destination) {
    SystemServices& system = ctx_.system;
    const std::string outputWork = workPath(kOutputWork);
    if (!system.fileExists(outputWork))
        return {ConverterRunEnd::DamagedOutput, "jconvpro.exe wrote no output"};
    if (direction.buildsDatabase) {
        // A database that is cut off or not the one asked for would go to the handheld at the
        // next sync.
        if (const std::string problem = palmDatabaseProblem(outputWork, expected_);
            !problem.empty()) {
            return {ConverterRunEnd::DamagedOutput,
                    "jconvpro.exe wrote a damaged database: " + problem + "; it was not used"};
        }
    }
    if (ReplaceResult fetched = replaceFileByCopy(system, outputWork, destination); !fetched)
        return {ConverterRunEnd::FetchFailed, fetched.failure};
    return {};
}

void ExternalConverter::removeWorkFiles() {
    ctx_.system.deleteFile(workPath(kInputWork));
    ctx_.system.deleteFile(workPath(kOutputWork));
    if (!captureFile_.empty()) ctx_.system.deleteFile(captureFile_);
}

void ExternalConverter::showCapturedErrors() {
    // What the converter said on its standard error when it left no report of its own.
    std::string text;
    if (captureFile_.empty() || readWholeFile(captureFile_, text) != ReadResult::Read ||
        text.empty()) {
        return;
    }
    nameUserFilesInLog(captureFile_);
    ctx_.host.showLog(captureFile_);
}

ConverterRun ExternalConverter::runConverter(const DirectionInfo& direction,
                                             const std::string& source, const std::string&,
                                             const std::string& ifoFile,
                                             const std::string& fourthArgument) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;

    host.converterStarted(direction.converterPhase);

    const std::string inputWork = workPath(kInputWork);
    const std::string ifoWork = workPath(kIfoWork);
    captureFile_ = workPath(kErrorCapture);

    // Whatever an earlier, interrupted run left must not pass for this run's input or output.
    removeWorkFiles();

    // Staging counts against the time limit and stops on Cancel: a huge or endless input must
    // not hold the run.
    const std::int64_t startSecond = system.nowSeconds();
    ConverterRun run = stage(source, inputWork, startSecond);
    // A missing IFO leaves the last run's ifo.tmp in place, as the converter expects.
    if (run.end == ConverterRunEnd::Ended && system.fileExists(ifoFile)) {
        run = stage(ifoFile, ifoWork, startSecond);
        if (run.end == ConverterRunEnd::StagingFailed)
            run.failure = shownPath(ifoFile) + " " + run.failure;
    }

    if (run.end == ConverterRunEnd::Ended) {
        ProcessHandle handle;
        if (ctx_.stopRequest() != StopRequest::None) {
            run.end = ConverterRunEnd::Cancelled;
        } else {
            const std::string line = commandLine(direction.converterCode, fourthArgument);
            host.converterCommand(line);
            if (system.startCapturedProcess(programPath(), line, true, captureFile_, handle)) {
                run.end = waitFor(handle, startSecond);
            } else {
                run = {ConverterRunEnd::NotStarted, system.lastStartError()};
            }
        }
    }

    host.progressEnded();
    system.deleteFile(inputWork);
    return run;
}

ConverterRun ExternalConverter::stage(const std::string& from, const std::string& to,
                                      std::int64_t startSecond) {
    const auto keepCopying = [&] {
        ctx_.host.pumpEvents();
        return ctx_.stopRequest() == StopRequest::None && !timeIsUp(startSecond);
    };
    if (ReplaceResult copied = replaceFileByCopy(ctx_.system, from, to, keepCopying); !copied) {
        if (ctx_.stopRequest() != StopRequest::None) return {ConverterRunEnd::Cancelled, {}};
        if (timeIsUp(startSecond)) {
            return {ConverterRunEnd::TimedOut, "it could not be copied to the work folder within " +
                                                   std::to_string(ctx_.converterTimeoutSeconds) +
                                                   " seconds; the copy was stopped"};
        }
        return {ConverterRunEnd::StagingFailed,
                "could not be copied to the work file " + to + ": " + copied.failure};
    }
    return {};
}

bool ExternalConverter::timeIsUp(std::int64_t startSecond) {
    const std::int64_t timeout = ctx_.converterTimeoutSeconds;
    return timeout > 0 && ctx_.system.nowSeconds() - startSecond >= timeout;
}

void ExternalConverter::stopProcess(ProcessHandle& handle) {
    SystemServices& system = ctx_.system;
    system.killProcess(handle);
    // A killed process ends at once; one that cannot be killed is left to the system, and
    // releasing it below does not wait for it.
    for (int i = 0; i < kPollsAfterKill; ++i) {
        if (system.pollProcess(handle) != ProcessStatus::Running) return;
        if (pollPause_.count() > 0) std::this_thread::sleep_for(pollPause_);
    }
}

ConverterRunEnd ExternalConverter::waitFor(ProcessHandle& handle, std::int64_t startSecond) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;
    // The progress counts the converter's own seconds; the time limit counts staging too.
    const std::int64_t progressStart = system.nowSeconds();
    std::int64_t lastSecond = progressStart;
    const std::int64_t timeout = ctx_.converterTimeoutSeconds;
    ConverterRunEnd end = ConverterRunEnd::Ended;
    for (;;) {
        const ProcessStatus status = system.pollProcess(handle);
        if (status == ProcessStatus::QueryFailed) break;
        const std::int64_t now = system.nowSeconds();
        if (now > lastSecond) {
            lastSecond = now;
            host.converterRunning(static_cast<int>(now - progressStart));
        }
        host.pumpEvents();
        if (status == ProcessStatus::Abnormal) {
            end = ConverterRunEnd::Abnormal;
            break;
        }
        if (status != ProcessStatus::Running) break;
        // The pump above is where a Cancel button or a closing window makes its request.
        if (ctx_.stopRequest() != StopRequest::None) {
            stopProcess(handle);
            end = ConverterRunEnd::Cancelled;
            break;
        }
        if (timeout > 0 && now - startSecond >= timeout) {
            stopProcess(handle);
            end = ConverterRunEnd::TimedOut;
            break;
        }
        if (pollPause_.count() > 0) std::this_thread::sleep_for(pollPause_);
    }
    system.releaseProcess(handle);
    return end;
}

}  // namespace rq
