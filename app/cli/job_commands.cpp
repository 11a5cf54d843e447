// SPDX-License-Identifier: MIT
#include "app/cli/job_commands.h"

#include <filesystem>
#include <system_error>

#include "base/native_path.h"
#include "base/path.h"
#include "engine/directions.h"
#include "engine/jobs.h"
#include "engine/session.h"

namespace rq {

namespace {
// The file dialog gives full paths, and the program knows its own full path; so do we here.
std::string fullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path full = std::filesystem::absolute(nativePath(path), error);
    return error ? path : utf8Path(full.lexically_normal());
}

JobResult runJobCommand(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                        const std::vector<std::string>& files, Direction direction,
                        const std::string& outDir) {
    startSession(ctx, settings, output);
    std::vector<std::string> chosen;
    for (const std::string& file : files) chosen.push_back(fullPath(file));
    std::string& outputFolder = settings.strategy.*directionInfo(direction).outputFolder;
    const std::string strategyFolder = outputFolder;
    if (!outDir.empty()) outputFolder = fullPath(outDir);
    const JobResult result = runJob(ctx, settings, output, direction,
                                    [&](const DirectionInfo&) { return ChosenFiles(chosen); });
    outputFolder = strategyFolder;
    endSession(ctx, settings, output);
    return result;
}
}  // namespace

JobResult runToJFile(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                     const std::vector<std::string>& exports, const std::string& outDir) {
    return runJobCommand(ctx, settings, output, exports, Direction::EndNoteToJFile, outDir);
}

JobResult runToEndNote(ConversionContext& ctx, UserSettings& settings, OutputFile& output,
                       const std::vector<std::string>& databases, const std::string& outDir) {
    return runJobCommand(ctx, settings, output, databases, Direction::JFileToEndNote, outDir);
}

}  // namespace rq
