#include "engine/session.h"

#include <cstdio>

#include "engine/path.h"
#include "engine/strategy_file.h"

namespace rq {

namespace {

std::string strategyPath(const ConversionContext& ctx) {
    return joinPath(ctx.programFolder, kStrategyFileName);
}

// A half-read strategy would be written over the user's file at the end of the run; the file
// is kept as it was, beside it, and the user is told where.
void keepUnreadableStrategy(ConversionContext& ctx) {
    const std::string backup = joinPath(ctx.programFolder, kStrategyBackupName);
    if (ctx.system.copyFile(strategyPath(ctx), backup)) {
        ctx.host.showMessage(MessageKind::Information,
                             "The strategy file could not be read to its end. It has been kept "
                             "unchanged as " +
                                 backup);
    } else {
        ctx.host.showMessage(MessageKind::Error,
                             "The strategy file could not be read to its end, and no copy of "
                             "it could be kept as " +
                                 backup);
    }
}

bool writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = true;
    for (const std::string& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), file) != line.size() ||
            std::fwrite("\r\n", 1, 2, file) != 2) {
            ok = false;
            break;
        }
    }
    return std::fclose(file) == 0 && ok;
}

}  // namespace

void prepareStrategy(ConversionContext& ctx) {
    resetStrategy(ctx.strategy, ctx.window);
    ctx.strategy.dataWidth = 110;
    ctx.strategy.firstColumn = 1;
    ctx.strategy.lockFlags = kLockedFlags;
}

void startSession(ConversionContext& ctx) {
    Strategy& strategy = ctx.strategy;
    prepareStrategy(ctx);

    const std::string path = strategyPath(ctx);
    switch (readStrategyFile(ctx, path)) {
        case StrategyRead::Read:
            break;
        case StrategyRead::NotANumber:
            // The values before the bad one stay in effect, as after any stop of the reading.
            keepUnreadableStrategy(ctx);
            break;
        case StrategyRead::CouldNotOpen:
        case StrategyRead::ReadError: {
            writeFactoryDefaults(ctx, path);
            readStrategyFile(ctx, path);
            const std::string exchange = joinPath(ctx.programFolder, kExchangeFolderName);
            strategy.endNoteFolder = exchange;
            strategy.palmInstallFolder = exchange;
            strategy.palmBackupFolder = exchange;
            strategy.hotSyncId = "0000";
            break;
        }
    }

    // Failures are silent here; the file operations that need the folders report them.
    for (std::string_view name : {kWorkFolderName, kExchangeFolderName}) {
        const std::string folder = joinPath(ctx.programFolder, name);
        if (!ctx.system.folderExists(folder)) ctx.system.createFolders(folder);
    }

    showInWindow(strategy, ctx.window);
}

void endSession(ConversionContext& ctx) {
    collectFromWindow(ctx.strategy, ctx.window);
    writeStrategyFile(ctx, strategyPath(ctx));
    ctx.host.appendLog(" ");
    ctx.host.appendLog("Program location:  " + ctx.programFolder);
    writeLines(joinPath(ctx.programFolder, kLogFileName), ctx.host.logLines());
}

}  // namespace rq
