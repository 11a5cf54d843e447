// SPDX-License-Identifier: MIT
#include "engine/converter_driver.h"
#include "engine/native_path.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <thread>

#include "engine/command_line.h"
#include "engine/file_replace.h"
#include "engine/files.h"

namespace rq {

namespace {
constexpr const char* kInputWork = "input.tmp";
constexpr const char* kIfoWork = "ifo.tmp";
constexpr const char* kOutputWork = "out.tmp";
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

std::string palmDatabaseProblem(const std::string& path) {
    constexpr std::size_t kHeaderSize = 78;
    constexpr std::size_t kEntrySize = 8;
    std::FILE* file = openNativeFile(path, "rb");
    if (file == nullptr) return "it cannot be read";
    // The header and the longest record list there can be.
    std::string head(kHeaderSize + kEntrySize * 0xFFFF, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    const bool readFailed = std::ferror(file) != 0;
    std::fseek(file, 0, SEEK_END);
    const long end = std::ftell(file);
    std::fclose(file);
    if (readFailed || end < 0) return "it cannot be read";
    const auto size = static_cast<std::uint64_t>(end);
    const auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(head[at]); };
    const auto u16 = [&](std::size_t at) {
        return std::uint32_t{byteAt(at)} << 8 | byteAt(at + 1);
    };
    const auto u32 = [&](std::size_t at) { return u16(at) << 16 | u16(at + 2); };
    const std::string bytes = " (" + std::to_string(size) + " bytes)";

    if (size < kHeaderSize) return "it is shorter than a database header" + bytes;
    if (head.find('\0') >= 32 || head[0] == '\0') return "it holds no database name";
    const std::uint32_t count = u16(76);
    const std::uint64_t listEnd = kHeaderSize + std::uint64_t{kEntrySize} * count;
    if (listEnd > size) {
        return "its list of " + std::to_string(count) + " records runs past its end" + bytes;
    }
    const std::uint32_t appInfo = u32(52);
    if (appInfo != 0 && (appInfo < listEnd || appInfo > size)) {
        return "its application block lies outside the file" + bytes;
    }
    std::uint64_t previous = listEnd;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t offset = u32(kHeaderSize + kEntrySize * i);
        if (offset < previous || offset >= size) {
            return "record " + std::to_string(i + 1) + " of " + std::to_string(count) +
                   " lies outside the file" + bytes;
        }
        previous = offset;
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
    return convert(directionInfo(Direction::EndNoteToJFile), source, destination, ifoFile,
                   databaseName);
}

bool ExternalConverter::convertPdbToCsv(const std::string& source, const std::string& destination,
                                        const std::string& ifoFile) {
    exportFile_.clear();
    return convert(directionInfo(Direction::JFileToEndNote), source, destination, ifoFile,
                   std::string(kNoDatabaseName));
}

bool ExternalConverter::convert(const DirectionInfo& direction, const std::string& source,
                                const std::string& destination, const std::string& ifoFile,
                                const std::string& fourthArgument) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;
    outcome_ = ConverterOutcome::Failed;
    const std::string destinationFolder = splitPath(destination).folder;
    // The converter writes its log beside its output work file; for direction "1" that is not
    // the destination's folder, so the work folder is looked at too.
    const std::string workFolder = joinPath(programFolder_, kWorkFolderName);
    const bool separateWorkLog = folderOf(destination) != workFolder;

    if (!system.fileExists(source)) {
        host.showMessage(MessageKind::Plain, "The source file does not exist");
        return false;
    }
    if (!converterPresent()) {
        host.showMessage(MessageKind::Plain, "Jconvpro.exe not found!");
        return false;
    }
    // A destination without a folder part lies in the current folder, which exists.
    if (!destinationFolder.empty() && !system.folderExists(destinationFolder)) {
        host.showMessage(MessageKind::Plain, "Destination directory Had to be created");
        system.createFolders(destinationFolder);
    }
    if (system.fileExists(destination)) system.deleteFile(destination);
    clearErrorLog(destinationFolder);
    if (separateWorkLog) clearErrorLog(workFolder);

    names_ = {workPath(kInputWork),
              workPath(kOutputWork),
              workPath(kIfoWork),
              source,
              destination,
              ifoFile,
              direction.buildsDatabase ? exportFile_ : std::string()};
    const ConverterRunEnd end =
        runConverter(direction, source, destination, ifoFile, fourthArgument);

    if (end == ConverterRunEnd::Cancelled) {
        // The user asked for it: no message box. The job tells the log and the status bar.
        if (system.fileExists(destination)) system.deleteFile(destination);
        outcome_ = ConverterOutcome::Cancelled;
        return false;
    }

    bool failed = showErrorLog(destinationFolder);
    if (separateWorkLog && showErrorLog(workFolder)) failed = true;

    std::string problem;
    switch (end) {
        case ConverterRunEnd::Abnormal:
            problem = "jconvpro.exe ended abnormally (it crashed or was killed) while converting " +
                      source + "; its output was not used";
            break;
        case ConverterRunEnd::TimedOut:
            problem = "jconvpro.exe did not finish converting " + source + " within " +
                      std::to_string(ctx_.converterTimeoutSeconds) + " seconds and was stopped";
            break;
        case ConverterRunEnd::StagingFailed:
        case ConverterRunEnd::FetchFailed:
        case ConverterRunEnd::DamagedOutput:
            problem = failure_;
            break;
        default:
            break;
    }
    if (!problem.empty()) {
        host.appendLog(problem);
        host.showMessage(MessageKind::Error, problem);
        failed = true;
    }
    if (failed && system.fileExists(destination)) system.deleteFile(destination);

    if (!system.fileExists(destination)) {
        host.showMessage(MessageKind::Error, direction.missingOutputMessage);
        return false;
    }
    outcome_ = ConverterOutcome::Converted;
    return true;
}

ConverterRunEnd ExternalConverter::runConverter(const DirectionInfo& direction,
                                                const std::string& source,
                                                const std::string& destination,
                                                const std::string& ifoFile,
                                                const std::string& fourthArgument) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;

    host.converterStarted(direction.converterPhase);

    const std::string inputWork = workPath(kInputWork);
    const std::string ifoWork = workPath(kIfoWork);
    const std::string outputWork = workPath(kOutputWork);

    // Whatever an earlier, interrupted run left must not pass for this run's input or output.
    system.deleteFile(inputWork);
    system.deleteFile(outputWork);

    ConverterRunEnd end = ConverterRunEnd::Ended;
    failure_.clear();
    if (ReplaceResult copied = replaceFileByCopy(system, source, inputWork); !copied) {
        failure_ =
            "Could not copy " + source + " to the work file " + inputWork + ": " + copied.failure;
        end = ConverterRunEnd::StagingFailed;
    } else if (system.fileExists(ifoFile)) {
        // A missing IFO leaves the last run's ifo.tmp in place, as the converter expects.
        if (ReplaceResult ifoCopied = replaceFileByCopy(system, ifoFile, ifoWork); !ifoCopied) {
            failure_ = "Could not copy " + ifoFile + " to the work file " + ifoWork + ": " +
                       ifoCopied.failure;
            end = ConverterRunEnd::StagingFailed;
        }
    }

    if (end == ConverterRunEnd::Ended) {
        ProcessHandle handle;
        if (ctx_.stopRequest() != StopRequest::None) {
            end = ConverterRunEnd::Cancelled;
        } else {
            const std::string line = commandLine(direction.converterCode, fourthArgument);
            host.converterCommand(line);
            if (system.startProcess(programPath(), line, true, handle)) {
                end = waitFor(handle);
            } else {
                end = ConverterRunEnd::NotStarted;
                // Only the run log names the system's reason; the user's messages stay as they are.
                if (const std::string reason = system.lastStartError(); !reason.empty()) {
                    host.appendLog(reason);
                }
            }
        }
    }

    host.progressEnded();
    // Only a run that ended by itself has output worth fetching; a missing out.tmp is the
    // missing-output case, not a failed fetch.
    if (end == ConverterRunEnd::Ended && system.fileExists(outputWork) &&
        direction.buildsDatabase) {
        // A database that is cut off would go to the handheld at the next sync.
        if (const std::string problem = palmDatabaseProblem(outputWork); !problem.empty()) {
            failure_ = "jconvpro.exe wrote a damaged database for " +
                       (exportFile_.empty() ? source : exportFile_) + ": " + problem +
                       "; it was not used";
            end = ConverterRunEnd::DamagedOutput;
        }
    }
    if (end == ConverterRunEnd::Ended && system.fileExists(outputWork)) {
        if (ReplaceResult fetched = replaceFileByCopy(system, outputWork, destination); !fetched) {
            failure_ = "Could not write " + destination + ": " + fetched.failure;
            end = ConverterRunEnd::FetchFailed;
        }
    }
    system.deleteFile(inputWork);
    system.deleteFile(outputWork);
    return end;
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

ConverterRunEnd ExternalConverter::waitFor(ProcessHandle& handle) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;
    const std::int64_t startSecond = system.nowSeconds();
    std::int64_t lastSecond = startSecond;
    const std::int64_t timeout = ctx_.converterTimeoutSeconds;
    ConverterRunEnd end = ConverterRunEnd::Ended;
    for (;;) {
        const ProcessStatus status = system.pollProcess(handle);
        if (status == ProcessStatus::QueryFailed) break;
        const std::int64_t now = system.nowSeconds();
        if (now > lastSecond) {
            lastSecond = now;
            host.converterRunning(static_cast<int>(now - startSecond));
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
