// SPDX-License-Identifier: MIT
#include "engine/jobs.h"

#include <vector>

#include "engine/conversion_info.h"
#include "engine/converter_driver.h"
#include "engine/csv_import.h"
#include "engine/export_csv.h"
#include "engine/path.h"

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

namespace {
// Bytes of the UTF-8 character at `at`; 1 for a byte that does not start a whole one, so that
// names in a single-byte code page count byte by byte.
std::size_t characterLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                                                              : 1;
    if (at + length > text.size()) return 1;
    for (std::size_t k = 1; k < length; ++k) {
        if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 1;
    }
    return length;
}
}  // namespace

std::string palmDatabaseName(std::string_view source, SystemServices& system) {
    const std::string name = kPrefix + std::string(baseName(source));
    // The limit counts the characters of the name as the database stores it (the ANSI code
    // page on Windows), and a character is never cut in two.
    std::string cut;
    for (std::size_t at = 0; at < name.size();) {
        const std::size_t length = characterLength(name, at);
        const std::string longer = cut + name.substr(at, length);
        const std::optional<std::string> stored = system.storedText(longer);
        if ((stored ? stored->size() : longer.size()) > kPalmNameLength) break;
        cut = longer;
        at += length;
    }
    return "\"" + cut + "\"";
}

void setHotSyncInstallFlag(ConversionContext& ctx) {
    const std::string valueName = "Install" + ctx.strategy.hotSyncId;
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

FileResult convertExportFile(ConversionContext& ctx, const std::string& source) {
    const DirectionInfo& info = directionInfo(Direction::EndNoteToJFile);
    HostServices& host = ctx.host;
    const std::string base(baseName(source));
    const std::string csvFile = joinPath(ctx.workFolder, base + std::string(info.csvExtension));
    const std::string ifoFile = joinPath(ctx.workFolder, base + ".IFO");
    const std::string pdbFile = outputPath(info, ctx.strategy, source);
    const std::string palmName = palmDatabaseName(source, ctx.system);
    FileResult result{source, pdbFile};

    collectFromWindow(ctx.strategy, ctx.window);
    assignPopupLetters(ctx.strategy);

    if (!writeConversionInfo(ctx, ifoFile)) {
        host.showMessage(MessageKind::Error, "Unable to build .IFO file");
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

    const ExportResult exported = exportToCsv(ctx, source, csvFile);
    host.appendLog("Endnote file record count was " + std::to_string(exported.records));

    if (exported.records == 0) {
        host.progressEnded();
        host.showMessage(MessageKind::Error, "Error Converting EndNote file");
    } else {
        host.converterQueued();
        ExternalConverter converter(ctx);
        converter.setExportFile(source);
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

JobResult convertEndNoteToJFile(ConversionContext& ctx, const ChosenFiles& exports) {
    HostServices& host = ctx.host;
    JobResult result;
    if (exports) {
        if (ctx.outputFile.isOpen()) host.appendLog("btn2jfclickout still open");
        host.pumpEvents();
        for (const std::string& path : *exports) {
            if (!mayStartNextFile(ctx)) {
                result.files.push_back(notStarted(path));
                continue;
            }
            host.setStatusText("");
            result.files.push_back(convertExportFile(ctx, path));
        }
    }
    // Also after a cancelled choice.
    setHotSyncInstallFlag(ctx);
    return result;
}

FileResult convertDatabaseFile(ConversionContext& ctx, const std::string& database) {
    const DirectionInfo& info = directionInfo(Direction::JFileToEndNote);
    HostServices& host = ctx.host;
    const std::string base(baseName(database));
    const std::string csvFile = joinPath(ctx.workFolder, base + std::string(info.csvExtension));
    const std::string importFile = outputPath(info, ctx.strategy, database);
    const std::string ifoFile = joinPath(ctx.workFolder, "temp.ifo");
    FileResult result{database, importFile};

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
        const ImportResult imported = csvToImport(ctx, csvFile, importFile);
        host.progressEnded();
        const std::string resultText =
            std::to_string(imported.records) + " Records Transferred to EndNote";
        host.setStatusText(resultText);
        host.appendLog(resultText);
        result.outcome = imported.failed ? FileOutcome::Failed : FileOutcome::Converted;
        result.records = imported.records;
    }
    host.endBusy();
    return result;
}

JobResult convertJFileToEndNote(ConversionContext& ctx, const ChosenFiles& databases) {
    JobResult result;
    if (!databases) return result;
    for (const std::string& path : *databases) {
        if (!mayStartNextFile(ctx)) {
            result.files.push_back(notStarted(path));
            continue;
        }
        ctx.host.setStatusText("");
        result.files.push_back(convertDatabaseFile(ctx, path));
    }
    ctx.host.pumpEvents();
    return result;
}

}  // namespace rq
