// SPDX-License-Identifier: MIT
#include "engine/jobs.h"

#include <initializer_list>
#include <vector>

#include "base/files.h"
#include "base/path.h"
#include "base/text.h"
#include "base/windows1252.h"
#include "engine/conversion_info.h"
#include "engine/converter_driver.h"
#include "engine/csv_import.h"
#include "engine/export_csv.h"
#include "engine/reference_record.h"

namespace rq {

namespace {
constexpr const char* kPrefix = "RQ-";
constexpr const char* kCancelled = "Conversion cancelled";

// A file the user stopped: not converted, and said so where a result would stand.
void reportCancelled(ConversionContext& ctx) {
    ctx.host.appendLog(kCancelled);
    ctx.host.setStatusText(kCancelled);
}

// Before each file: a Cancel of the last file does not reach this one; a request to quit ends
// the job.
bool mayStartNextFile(ConversionContext& ctx) {
    ctx.clearFileStop();
    return ctx.stopRequest() == StopRequest::None;
}

// The outputs of a job's files so far: a second input with the same output file, or the same
// database name on the handheld, would silently replace the first one's.
class OutputsOfThisRun {
  public:
    // True when `input` may go on; otherwise the user has been told and the result says so.
    bool claim(ConversionContext& ctx, const std::string& input, const std::string& output,
               const std::string& palmName = {}) {
        for (const Claim& c : claims_) {
            if (!equalsIgnoringAsciiCase(c.output, output) &&
                (palmName.empty() || c.palmName != palmName)) {
                continue;
            }
            const std::string text = shownPath(input) + ": it would replace " +
                                     shownPath(c.output) + ", written from " + shownPath(c.input) +
                                     " in this run; it was not converted";
            ctx.host.appendLog(text);
            ctx.host.showMessage(MessageKind::Error, text);
            return false;
        }
        claims_.push_back({input, output, palmName});
        return true;
    }

  private:
    struct Claim {
        std::string input, output, palmName;
    };
    std::vector<Claim> claims_;
};

// Work files and outputs are named after the input; a name the file system cannot hold fails
// here, with its limit, rather than deep in a writer with no reason.
constexpr std::size_t kFileNameLimit = 255;
bool namesFit(ConversionContext& ctx, const std::string& input,
              std::initializer_list<std::string_view> paths) {
    for (const std::string_view path : paths) {
        if (fileName(path).size() <= kFileNameLimit) continue;
        ctx.host.showMessage(MessageKind::Error, shownPath(input) + ": name too long (the file " +
                                                     shownPath(fileName(path)) + " would need " +
                                                     std::to_string(fileName(path).size()) +
                                                     " bytes; a file name holds at most " +
                                                     std::to_string(kFileNameLimit) + ")");
        return false;
    }
    return true;
}

// A file the job did not start because the user quits.
FileResult notStarted(const std::string& source) {
    FileResult result{source, std::string()};
    result.outcome = FileOutcome::Cancelled;
    return result;
}
}  // namespace

void prepareFileChoice(ConversionContext& ctx) {
    ctx.host.setStatusText("");
    ctx.host.pumpEvents();
}

std::string prefixPdbName(std::string_view path) {
    std::string out = splitPath(path).folder;
    out += kPrefix;
    out += baseName(path);
    out += extension(path);
    return out;
}

std::string palmDatabaseName(std::string_view source) {
    // The handheld stores the name in Windows-1252 on every platform: letters the code page
    // lacks become their base letter, and the limit counts its one-byte characters.
    std::string stored = utf8ToWindows1252(kPrefix + std::string(baseName(source))).text;
    if (stored.size() > kPalmNameLength) stored.resize(kPalmNameLength);
    return "\"" + windows1252ToUtf8(stored) + "\"";
}

void setHotSyncInstallFlag(ConversionContext& ctx, std::string_view hotSyncId) {
    const std::string valueName = "Install" + std::string(hotSyncId);
    switch (ctx.system.writeUserDword(std::string(kHotSyncKey), valueName, 1)) {
        case RegistryResult::Ok:
            break;
        case RegistryResult::KeyNotOpened:
            ctx.host.showMessage(MessageKind::Plain, "Couldn't open key ");
            break;
        case RegistryResult::WriteFailed:
            ctx.host.showMessage(MessageKind::Error, "Couldn't write value " + valueName);
            break;
    }
}

FileResult convertExportFile(ConversionContext& ctx, Strategy& strategy, OutputFile& output,
                             const std::string& source) {
    const DirectionInfo& info = directionInfo(Direction::EndNoteToJFile);
    HostServices& host = ctx.host;
    const std::string base(baseName(source));
    const std::string csvFile = joinPath(ctx.workFolder, base + std::string(info.csvExtension));
    const std::string ifoFile = joinPath(ctx.workFolder, base + ".IFO");
    const std::string pdbFile = outputPath(info, strategy, source);
    const std::string palmName = palmDatabaseName(source);
    FileResult result{source, pdbFile};
    if (!namesFit(ctx, source, {csvFile, ifoFile, pdbFile})) return result;

    collectFromWindow(strategy, ctx.window);
    assignPopupLetters(strategy);

    if (!writeConversionInfo(strategy, host, output, ifoFile)) {
        host.showMessage(MessageKind::Error, "Unable to build .IFO file", shownPath(source));
        return result;
    }

    host.beginBusy();
    host.phaseStarted(ProgressPhase::EndNoteToCsv, source);

    host.appendLog(" ");
    host.appendLog("EndNote to JFile");
    host.appendLog("sCsv Name is " + csvFile);
    host.appendLog("sPdb Name is " + pdbFile);
    host.appendLog("IFO  Name is " + ifoFile);
    host.appendLog("Palm Name is " + palmName);

    const ExportResult exported = exportReferenceFile(strategy, host, output, source, csvFile);
    host.appendLog("Endnote file record count was " + std::to_string(exported.records));
    // The way back stops at the import file's limit: say so now, not after a round trip.
    const std::string limitWarning = importLimitWarning(exported.records);
    if (!limitWarning.empty()) host.appendLog(limitWarning);

    if (exported.records == 0) {
        host.progressEnded();
        const std::string detail = !exported.failure.empty()
                                       ? exported.failure
                                       : shownPath(source) +
                                             ": it holds no record (no record "
                                             "ends with the byte 0xB0)";
        host.showMessage(MessageKind::Error, "Error Converting EndNote file", detail);
    } else {
        host.converterQueued();
        ExternalConverter converter(ctx);
        converter.setExportFile(source);
        ExpectedDatabase expected;
        expected.records = static_cast<std::size_t>(exported.records);
        expected.fields = static_cast<std::size_t>(assignPopupLetters(strategy));
        converter.expectDatabase(expected);
        const bool converted = converter.convertCsvToPdb(csvFile, pdbFile, ifoFile, palmName);
        host.progressEnded();
        if (converter.outcome() == ConverterOutcome::Cancelled) {
            reportCancelled(ctx);
            result.outcome = FileOutcome::Cancelled;
        }
        if (converted) {
            std::string resultText =
                std::to_string(exported.records) + " Records Transferred to  JFile";
            host.appendLog(resultText);
            if (exported.truncatedRecords > 0) {
                resultText +=
                    ". Number of truncated records: " + std::to_string(exported.truncatedRecords);
            }
            if (!limitWarning.empty()) resultText += ". " + limitWarning;
            host.setStatusText(resultText);
            // The Linux counterpart of the install flag: the sync tool's queue, where there is one.
            ctx.system.queueForHandheldInstall(pdbFile);
            result.outcome = FileOutcome::Converted;
            result.records = exported.records;
            result.truncatedRecords = exported.truncatedRecords;
        }
    }
    host.endBusy();
    return result;
}

std::string importLimitWarning(long records) {
    if (records <= kImportRecordLimit) return {};
    return "JFile to EndNote will read only the first " + std::to_string(kImportRecordLimit) +
           " of these " + std::to_string(records) + " records";
}

JobResult convertEndNoteToJFile(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                                const ChosenFiles& exports) {
    HostServices& host = ctx.host;
    JobResult result;
    if (exports) {
        if (output.isOpen()) host.appendLog("btn2jfclickout still open");
        host.pumpEvents();
        const DirectionInfo& info = directionInfo(Direction::EndNoteToJFile);
        OutputsOfThisRun outputs;
        for (const std::string& path : *exports) {
            if (!mayStartNextFile(ctx)) {
                result.files.push_back(notStarted(path));
                continue;
            }
            host.setStatusText("");
            const std::string pdbFile = outputPath(info, settings.strategy, path);
            if (!outputs.claim(ctx, path, pdbFile, palmDatabaseName(path))) {
                result.files.push_back(FileResult{path, pdbFile});
                continue;
            }
            result.files.push_back(convertExportFile(ctx, settings.strategy, output, path));
        }
    }
    // Also after a cancelled choice.
    setHotSyncInstallFlag(ctx, settings.strategy.hotSyncId);
    return result;
}

FileResult convertDatabaseFile(ConversionContext& ctx, const Strategy& strategy,
                               ReferenceFormat format, OutputFile& output,
                               const std::string& database) {
    const DirectionInfo& info = directionInfo(Direction::JFileToEndNote);
    HostServices& host = ctx.host;
    const std::string base(baseName(database));
    const std::string csvFile = joinPath(ctx.workFolder, base + std::string(info.csvExtension));
    const std::string importFile =
        referenceOutputPath(outputPath(info, strategy, database), format);
    const std::string ifoFile = joinPath(ctx.workFolder, "temp.ifo");
    FileResult result{database, importFile};
    if (!namesFit(ctx, database, {csvFile, importFile})) return result;

    host.beginBusy();
    host.phaseStarted(ProgressPhase::JFileToCsv, database);
    host.converterQueued();

    host.appendLog(" ");
    host.appendLog("JFile to EndNote");
    host.appendLog("sCsv Name is " + csvFile);
    host.appendLog("sPdb Name is " + database);
    host.appendLog("IFO  Name is " + ifoFile);

    ExternalConverter converter(ctx);
    const bool converted = converter.convertPdbToCsv(database, csvFile, ifoFile);
    host.progressEnded();

    if (converter.outcome() == ConverterOutcome::Cancelled) {
        reportCancelled(ctx);
        result.outcome = FileOutcome::Cancelled;
    } else if (!converted) {
        host.appendLog("CSV2PDB returned  0");
    } else {
        host.phaseStarted(ProgressPhase::CsvToEndNote, database);
        const ImportResult imported = writeReferenceFile(host, output, csvFile, importFile, format);
        host.progressEnded();
        const std::string resultText =
            std::to_string(imported.records) + " Records Transferred to EndNote";
        host.appendLog(resultText);
        // Stopped at the limit, the count alone would pass for the whole database.
        host.setStatusText(imported.records >= kImportRecordLimit && !imported.failed
                               ? resultText + " (stopped at the limit of " +
                                     std::to_string(kImportRecordLimit) + " records)"
                               : resultText);
        result.outcome = imported.failed ? FileOutcome::Failed : FileOutcome::Converted;
        result.records = imported.records;
    }
    host.endBusy();
    return result;
}

JobResult convertJFileToEndNote(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                                const ChosenFiles& databases) {
    JobResult result;
    if (!databases) return result;
    const DirectionInfo& info = directionInfo(Direction::JFileToEndNote);
    OutputsOfThisRun outputs;
    for (const std::string& path : *databases) {
        if (!mayStartNextFile(ctx)) {
            result.files.push_back(notStarted(path));
            continue;
        }
        ctx.host.setStatusText("");
        const std::string importFile =
            referenceOutputPath(outputPath(info, settings.strategy, path), settings.databaseFormat);
        if (!outputs.claim(ctx, path, importFile)) {
            result.files.push_back(FileResult{path, importFile});
            continue;
        }
        result.files.push_back(
            convertDatabaseFile(ctx, settings.strategy, settings.databaseFormat, output, path));
    }
    ctx.host.pumpEvents();
    return result;
}

}  // namespace rq
