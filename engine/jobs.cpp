#include "engine/jobs.h"

#include <optional>
#include <vector>

#include "engine/conversion_info.h"
#include "engine/converter_driver.h"
#include "engine/csv_import.h"
#include "engine/export_csv.h"
#include "engine/path.h"

namespace rq {

namespace {
constexpr const char* kPrefix = "RQ-";
constexpr const char* kWorkingOn = "Working on Record number";
}  // namespace

std::string prefixPdbName(std::string_view path) {
    std::string out = splitPath(path).folder;
    out += kPrefix;
    out += baseName(path);
    out += extension(path);
    return out;
}

void makePalmDatabaseName(ConversionContext& ctx) {
    std::string name = kPrefix;
    name += baseName(ctx.job.sourceFile);
    if (name.size() > kPalmNameLength) name.resize(kPalmNameLength);
    ctx.job.palmName = "\"" + name + "\"";
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

void convertExportFile(ConversionContext& ctx) {
    JobState& job = ctx.job;
    HostServices& host = ctx.host;
    const std::string_view source = job.sourceFile;

    job.csvFile = joinPath(ctx.workFolder, replaceExtension(fileName(source), ".csv"));
    job.ifoFile = joinPath(ctx.workFolder, replaceExtension(fileName(source), ".IFO"));
    job.pdbFile = prefixPdbName(
        joinPath(ctx.strategy.palmInstallFolder, replaceExtension(fileName(source), ".PDB")));
    job.truncatedRecords = 0;
    makePalmDatabaseName(ctx);

    collectFromWindow(ctx.strategy, ctx.window);
    assignPopupLetters(ctx.strategy);

    if (!writeConversionInfo(ctx, job.ifoFile)) {
        host.showMessage(MessageKind::Error, "Unable to build .IFO file");
        return;
    }

    host.beginBusy();
    host.showBar(false);
    host.showPhase(ProgressPhase::EndNoteToCsv);
    host.setPrefixLine(kWorkingOn);
    host.showRecordLabel(true);
    host.setSourceFile(job.sourceFile);
    host.showProgress();

    host.appendLog(" ");
    host.appendLog("EndNote to JFile");
    host.appendLog("sCsv Name is " + job.csvFile);
    host.appendLog("sPdb Name is " + job.pdbFile);
    host.appendLog("IFO  Name is " + job.ifoFile);
    host.appendLog("Palm Name is " + job.palmName);

    const int records = exportToCsv(ctx, job.sourceFile);
    host.appendLog("Endnote file record count was " + std::to_string(records));

    if (records == 0) {
        host.hideProgress();
        host.showMessage(MessageKind::Error, "Error Converting EndNote file");
    } else {
        host.stepProgress(1);
        host.showBar(true);
        ExternalConverter converter(ctx);
        const bool converted =
            converter.convertCsvToPdb(job.csvFile, job.pdbFile, job.ifoFile, job.palmName);
        host.hideProgress();
        if (converted) {
            job.resultText = std::to_string(records) + " Records Transferred to  JFile";
            host.appendLog(job.resultText);
            if (job.truncatedRecords > 0) {
                job.resultText +=
                    ". Number of truncated records: " + std::to_string(job.truncatedRecords);
            }
            host.setStatusText(job.resultText);
            // The Linux counterpart of the install flag: the sync tool's queue, where there is one.
            ctx.system.queueForHandheldInstall(job.pdbFile);
        }
    }
    host.endBusy();
}

void convertEndNoteToJFile(ConversionContext& ctx) {
    HostServices& host = ctx.host;
    host.setStatusText("");
    host.pumpEvents();
    const std::optional<std::vector<std::string>> chosen =
        host.chooseFiles(FileDialog::EndNoteExports, ctx.strategy.endNoteFolder);
    if (chosen) {
        if (ctx.outputFile.isOpen()) host.appendLog("btn2jfclickout still open");
        host.pumpEvents();
        for (const std::string& path : *chosen) {
            ctx.job.sourceFile = path;
            host.setStatusText("");
            convertExportFile(ctx);
        }
    }
    // Also after a cancelled choice.
    setHotSyncInstallFlag(ctx);
}

void convertDatabaseFile(ConversionContext& ctx) {
    JobState& job = ctx.job;
    HostServices& host = ctx.host;
    const std::string_view name = fileName(job.pdbFile);

    job.csvFile = joinPath(ctx.workFolder, replaceExtension(name, ".out"));
    job.importFile = joinPath(ctx.strategy.endNoteFolder, replaceExtension(name, ".tsv"));
    job.ifoFile = joinPath(ctx.workFolder, "temp.ifo");

    host.beginBusy();
    host.showPhase(ProgressPhase::JFileToCsv);
    host.setPrefixLine(kWorkingOn);
    host.stepProgress(1);
    host.showBar(true);
    host.showRecordLabel(true);
    host.setSourceFile(job.pdbFile);
    host.showProgress();

    host.appendLog(" ");
    host.appendLog("JFile to EndNote");
    host.appendLog("sCsv Name is " + job.csvFile);
    host.appendLog("sPdb Name is " + job.pdbFile);
    host.appendLog("IFO  Name is " + job.ifoFile);

    ExternalConverter converter(ctx);
    const bool converted = converter.convertPdbToCsv(job.pdbFile, job.csvFile, job.ifoFile);
    host.hideProgress();

    if (!converted) {
        host.appendLog("CSV2PDB returned  0");
    } else {
        host.setPrefixLine(kWorkingOn);
        host.showRecordLabel(true);
        host.showPhase(ProgressPhase::CsvToEndNote);
        host.showBar(false);
        host.showProgress();
        const int records = csvToImport(ctx, job.csvFile);
        host.hideProgress();
        job.resultText = std::to_string(records) + " Records Transferred to EndNote";
        host.setStatusText(job.resultText);
        host.appendLog(job.resultText);
    }
    host.endBusy();
}

void convertJFileToEndNote(ConversionContext& ctx) {
    HostServices& host = ctx.host;
    host.setStatusText("");
    const std::optional<std::vector<std::string>> chosen =
        host.chooseFiles(FileDialog::JFileDatabases, ctx.strategy.palmBackupFolder);
    if (!chosen) return;
    for (const std::string& path : *chosen) {
        ctx.job.pdbFile = path;
        host.setStatusText("");
        convertDatabaseFile(ctx);
    }
    host.pumpEvents();
}

}  // namespace rq
