#include "engine/converter_driver.h"

#include <thread>

namespace rq {

namespace {
constexpr const char* kInputWork = "input.tmp";
constexpr const char* kIfoWork = "ifo.tmp";
constexpr const char* kOutputWork = "out.tmp";
constexpr const char* kRQWorkName = "RQWork";
}  // namespace

ExternalConverter::ExternalConverter(ConversionContext& ctx)
    : ctx_(ctx), programFolder_(ctx.programFolder), converterFolder_(ctx.converterFolder) {}

std::string ExternalConverter::programPath() const {
    return joinPath(converterFolder_, kProgramName);
}

std::string ExternalConverter::workPath(const char* name) {
    const std::string shortFolder = ctx_.system.shortFolderPath(programFolder_);
    return joinPath(joinPath(shortFolder, kRQWorkName), name);
}

std::string ExternalConverter::commandLine(char directionCode, const std::string& fourthArgument) {
    // The program path is quoted: unquoted, a folder with blanks would let the system start
    // another program (C:\Program.exe for C:\Program Files\...). The converter sees the same
    // arguments either way; the work paths hold no blanks.
    std::string line = "\"" + programPath() + "\"";
    line += ' ';
    line += directionCode;
    line += ' ';
    line += workPath(kInputWork);
    line += ' ';
    line += workPath(kOutputWork);
    line += ' ';
    line += fourthArgument;
    line += ' ';
    line += workPath(kIfoWork);
    return line;
}

bool ExternalConverter::converterPresent() {
    return ctx_.system.fileExists(programPath());
}

void ExternalConverter::clearErrorLog(const std::string& folder) {
    const std::string log = joinPath(folder, kErrorLogName);
    if (ctx_.system.fileExists(log)) ctx_.system.deleteFile(log);
}

bool ExternalConverter::showErrorLog(const std::string& folder) {
    const std::string log = joinPath(folder, kErrorLogName);
    if (!ctx_.system.fileExists(log)) return false;
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
    return convert(directionInfo(Direction::JFileToEndNote), source, destination, ifoFile, " ");
}

bool ExternalConverter::convert(const DirectionInfo& direction, const std::string& source,
                                const std::string& destination, const std::string& ifoFile,
                                const std::string& fourthArgument) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;
    const std::string destinationFolder = splitPath(destination).folder;
    // The converter writes its log beside its output work file; for direction "1" that is not
    // the destination's folder, so the work folder is looked at too.
    const std::string workFolder = joinPath(programFolder_, kRQWorkName);
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

    runConverter(direction, source, destination, ifoFile, fourthArgument);

    bool failed = showErrorLog(destinationFolder);
    if (separateWorkLog && showErrorLog(workFolder)) failed = true;
    if (failed && system.fileExists(destination)) system.deleteFile(destination);

    if (!system.fileExists(destination)) {
        host.showMessage(MessageKind::Error, direction.missingOutputMessage);
        return false;
    }
    return true;
}

void ExternalConverter::runConverter(const DirectionInfo& direction, const std::string& source,
                                     const std::string& destination, const std::string& ifoFile,
                                     const std::string& fourthArgument) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;

    host.converterStarted(direction.converterPhase);

    const std::string inputWork = workPath(kInputWork);
    const std::string ifoWork = workPath(kIfoWork);
    const std::string outputWork = workPath(kOutputWork);

    // Failed copies are not reported: a missing IFO leaves the last run's ifo.tmp in place.
    system.copyFile(source, inputWork);
    system.copyFile(ifoFile, ifoWork);

    ProcessHandle handle;
    if (system.startProcess(programPath(), commandLine(direction.converterCode, fourthArgument),
                            true, handle)) {
        waitFor(handle);
    }

    host.progressEnded();
    system.copyFile(outputWork, destination);
    system.deleteFile(inputWork);
    system.deleteFile(outputWork);
}

void ExternalConverter::waitFor(ProcessHandle& handle) {
    SystemServices& system = ctx_.system;
    HostServices& host = ctx_.host;
    const std::int64_t startSecond = system.nowSeconds();
    std::int64_t lastSecond = startSecond;
    // No time-out and no cancel: the converter ends by itself.
    for (;;) {
        const ProcessStatus status = system.pollProcess(handle);
        if (status == ProcessStatus::QueryFailed) break;
        const std::int64_t now = system.nowSeconds();
        if (now > lastSecond) {
            lastSecond = now;
            host.converterRunning(static_cast<int>(now - startSecond));
        }
        host.pumpEvents();
        if (status != ProcessStatus::Running) break;
        if (pollPause_.count() > 0) std::this_thread::sleep_for(pollPause_);
    }
    system.releaseProcess(handle);
}

}  // namespace rq
