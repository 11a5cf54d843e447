// SPDX-License-Identifier: MIT
#include "engine/session.h"
#include "engine/native_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "engine/file_replace.h"
#include "engine/files.h"
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
    if (replaceFileByCopy(ctx.system, strategyPath(ctx), backup)) {
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

// The strategy file exists but cannot be read at all (no permission, locked by another
// program). It is kept as the backup before the factory defaults take its place; when not even
// that is possible, this run leaves it alone and works with the defaults in memory. True when
// the defaults may be written over it.
bool keepStrategyThatCannotBeRead(ConversionContext& ctx) {
    const std::string path = strategyPath(ctx);
    const std::string backup = joinPath(ctx.programFolder, kStrategyBackupName);
    errno = 0;
    std::string reason = "unknown error";
    if (std::FILE* probe = openNativeFile(path, "rb")) {
        std::fclose(probe);  // it opens now: the earlier failure was a read error
        reason = "read error";
    } else if (errno != 0) {
        reason = std::strerror(errno);
    }
    if (replaceFileByCopy(ctx.system, path, backup)) {
        ctx.host.showMessage(MessageKind::Error, "The strategy file " + path +
                                                     " could not be read (" + reason +
                                                     "). It has been kept unchanged as " + backup +
                                                     "; the factory settings are used.");
        return true;
    }
    ctx.host.showMessage(MessageKind::Error,
                         "The strategy file " + path + " could not be read (" + reason +
                             "), and no copy of it could be kept. The factory settings are used "
                             "for this run, and " +
                             path + " is left as it is.");
    ctx.keepStrategyFile = true;
    return false;
}

// Writes the run log into `path` as it is replaced, a 64 KiB piece at a time, every line from
// the host (some may wait in a file rather than in memory). Empty on success, else the reason.
ReplaceResult writeLog(SystemServices& system, const std::string& path, const HostServices& host) {
    std::string reason;
    const std::unique_ptr<ReplacementFile> file = system.beginReplace(path, reason);
    if (!file) return {reason};
    std::string piece;
    const auto flush = [&] {
        const bool ok = file->write(piece.data(), piece.size());
        piece.clear();
        return ok;
    };
    const bool written = host.forEachLogLine([&](std::string_view line) {
        piece += system.readableStoredText(line);
        piece += "\r\n";
        return piece.size() < (std::size_t{1} << 16) || flush();
    });
    if (!written || !flush() || !file->commit()) {
        reason = file->reason().empty() ? "the run log could not be read back" : file->reason();
        file->discard();
        return {reason};
    }
    return {};
}

}  // namespace

void prepareStrategy(ConversionContext& ctx) {
    resetStrategy(ctx.strategy, ctx.window);
    ctx.strategy.dataWidth = 110;
    ctx.strategy.firstColumn = 1;
    ctx.strategy.lockFlags = kLockedFlags;
}

namespace {

// The folder settings of a first start: the exchange folder beside the program, HotSync id 0000.
void useExchangeFolders(ConversionContext& ctx) {
    const std::string exchange = joinPath(ctx.programFolder, kExchangeFolderName);
    ctx.strategy.endNoteFolder = exchange;
    ctx.strategy.palmInstallFolder = exchange;
    ctx.strategy.palmBackupFolder = exchange;
    ctx.strategy.hotSyncId = "0000";
}

}  // namespace

void startSession(ConversionContext& ctx) {
    Strategy& strategy = ctx.strategy;
    prepareStrategy(ctx);

    const std::string path = strategyPath(ctx);
    ctx.keepStrategyFile = false;
    StrategyRead read = readStrategyFile(ctx, path);
    if (read == StrategyRead::CouldNotOpen && !ctx.system.fileExists(path) &&
        !ctx.system.folderExists(path)) {
        // Only a missing file gets the factory defaults without a word. (A folder of that name
        // opens on POSIX and fails to read; Windows does not open it at all.)
    } else if (read == StrategyRead::CouldNotOpen || read == StrategyRead::ReadError) {
        if (!keepStrategyThatCannotBeRead(ctx)) read = StrategyRead::Read;
    }
    std::string text;
    if (read == StrategyRead::Read && !ctx.keepStrategyFile &&
        readWholeFile(path, text) == ReadResult::Read && !strategyTextComplete(text)) {
        // Cut off: what it holds is used, and the whole file is kept, as for a bad number.
        read = StrategyRead::NotANumber;
    }
    switch (read) {
        case StrategyRead::Read:
            if (!ctx.keepStrategyFile) break;
            readStrategyText(ctx, factoryDefaultsText());
            useExchangeFolders(ctx);
            break;
        case StrategyRead::NotANumber:
            // The values before the bad one stay in effect, as after any stop of the reading.
            keepUnreadableStrategy(ctx);
            break;
        case StrategyRead::CouldNotOpen:
        case StrategyRead::ReadError: {
            // Where the factory file cannot be written, its text is read all the same.
            if (!writeFactoryDefaults(ctx, path) ||
                readStrategyFile(ctx, path) != StrategyRead::Read) {
                readStrategyText(ctx, factoryDefaultsText());
            }
            useExchangeFolders(ctx);
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

bool endSession(ConversionContext& ctx) {
    collectFromWindow(ctx.strategy, ctx.window);
    // A strategy file that could not be read nor kept is not written over.
    bool saved = ctx.keepStrategyFile || writeStrategyFile(ctx, strategyPath(ctx));
    ctx.host.appendLog(" ");
    ctx.host.appendLog("Program location:  " + ctx.programFolder);
    const std::string log = joinPath(ctx.programFolder, kLogFileName);
    if (const ReplaceResult written = writeLog(ctx.system, log, ctx.host); !written) {
        ctx.host.showMessage(MessageKind::Error,
                             "Could not write the run log " + log + ": " + written.failure);
        saved = false;
    }
    return saved;
}

}  // namespace rq
