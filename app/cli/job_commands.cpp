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

void runJob(ConversionContext& ctx, PlainHost& host, const std::vector<std::string>& files,
            void (*job)(ConversionContext&)) {
    // Without a trailing separator, as the program folder always is.
    ctx.setProgramFolder(folderOf(joinPath(fullPath(ctx.programFolder), "x")));
    startSession(ctx);
    std::vector<std::string> chosen;
    for (const std::string& file : files) chosen.push_back(fullPath(file));
    host.fileChoices.push_back(std::move(chosen));
    job(ctx);
    endSession(ctx);
}
}  // namespace

void runToJFile(ConversionContext& ctx, PlainHost& host, const std::vector<std::string>& exports) {
    runJob(ctx, host, exports, Btn2JFClick);
}

void runToEndNote(ConversionContext& ctx, PlainHost& host,
                  const std::vector<std::string>& databases) {
    runJob(ctx, host, databases, Btn2ENClick);
}

int runImportCsv(ConversionContext& ctx, const std::string& csv, const std::string& importFile) {
    ctx.job.importFile = importFile;
    return csvToImport(ctx, csv);
}

}  // namespace rq
