#include "app/cli/job_commands.h"

#include <filesystem>
#include <system_error>

#include "engine/csv_import.h"
#include "engine/jobs.h"
#include "engine/path.h"
#include "engine/session.h"

namespace rq {

namespace {
// The file dialog gives full paths, and the program knows its own full path; so do we here.
std::string fullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

// Returns the number of files that gave no result. Each file starts with an empty status text
// and a file that succeeds leaves its result line there, so the results are counted there: a
// failure reported only in a plain message box ("Jconvpro.exe not found!") counts too.
int runJob(ConversionContext& ctx, PlainHost& host, const std::vector<std::string>& files,
           void (*job)(ConversionContext&)) {
    startSession(ctx);
    std::vector<std::string> chosen;
    for (const std::string& file : files) chosen.push_back(fullPath(file));
    host.fileChoices.push_back(std::move(chosen));
    const std::size_t statusBefore = host.statusHistory.size();
    job(ctx);
    endSession(ctx);
    int results = 0;
    for (std::size_t i = statusBefore; i < host.statusHistory.size(); ++i)
        if (!host.statusHistory[i].empty()) ++results;
    return static_cast<int>(files.size()) - results;
}
}  // namespace

int runToJFile(ConversionContext& ctx, PlainHost& host, const std::vector<std::string>& exports) {
    return runJob(ctx, host, exports, convertEndNoteToJFile);
}

int runToEndNote(ConversionContext& ctx, PlainHost& host,
                 const std::vector<std::string>& databases) {
    return runJob(ctx, host, databases, convertJFileToEndNote);
}

int runImportCsv(ConversionContext& ctx, const std::string& csv, const std::string& importFile) {
    ctx.job.importFile = importFile;
    return csvToImport(ctx, csv);
}

}  // namespace rq
