// SPDX-License-Identifier: MIT
#include "engine/session.h"
#include "base/native_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/files.h"
#include "base/path.h"
#include "engine/file_replace.h"
#include "engine/strategy_file.h"

namespace rq {

namespace {

std::string strategyPath(const ConversionContext& ctx) {
    return joinPath(ctx.programFolder, kStrategyFileName);
}

// The first free backup name: "Strat.jfp.bak", then "Strat.jfp.bak2", ..., so that no earlier
// backup is lost.
std::string nextBackupPath(ConversionContext& ctx) {
    const std::string first = joinPath(ctx.programFolder, kStrategyBackupName);
    std::string backup = first;
    for (int n = 2; ctx.system.fileExists(backup) || ctx.system.folderExists(backup); ++n) {
        backup = first + std::to_string(n);
    }
    return backup;
}

// A strategy file that cannot be read to its end is kept as it was, beside it, and the user is
// told where; this run works with the factory settings and does not write over it. True when
// the backup was made.
bool keepDamagedStrategy(ConversionContext& ctx, UserSettings& settings, const std::string& why) {
    const std::string path = strategyPath(ctx);
    const std::string backup = nextBackupPath(ctx);
    if (const ReplaceResult kept = replaceFileByCopy(ctx.system, path, backup)) {
        ctx.host.showMessage(MessageKind::Error,
                             "The strategy file " + shownPath(path) + " could not be read (" + why +
                                 "). It has been kept unchanged as " + shownPath(backup) +
                                 "; the factory settings are used.");
        return true;
    } else {
        ctx.host.showMessage(MessageKind::Error,
                             "The strategy file " + shownPath(path) + " could not be read (" + why +
                                 "), and no copy of it could be kept as " + shownPath(backup) +
                                 " (" + kept.failure +
                                 "). The factory settings are used for this run, and " +
                                 shownPath(path) + " is left as it is.");
        settings.keepStrategyFile = true;
        return false;
    }
}

// Why a strategy file that exists cannot be opened or read (no permission, locked by another
// program), in the system's words.
std::string unreadableReason(const std::string& path) {
    errno = 0;
    if (std::FILE* probe = openNativeFile(path, "rb")) {
        std::fclose(probe);  // it opens now: the earlier failure was a read error
        return "read error";
    }
    return errno != 0 ? std::strerror(errno) : "unknown error";
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
        // A control character (a newline in a file name) must not forge a line of the log.
        piece += system.readableStoredText(shownPath(line));
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

void prepareStrategy(Strategy& strategy, StrategyWindow& window) {
    resetStrategy(strategy, window);
    strategy.dataWidth = 110;
    strategy.firstColumn = 1;
    strategy.lockFlags = kLockedFlags;
}

namespace {

// The folder settings of a first start: the exchange folder beside the program, HotSync id 0000.
void useExchangeFolders(const ConversionContext& ctx, Strategy& strategy) {
    const std::string exchange = joinPath(ctx.programFolder, kExchangeFolderName);
    strategy.endNoteFolder = exchange;
    strategy.palmInstallFolder = exchange;
    strategy.palmBackupFolder = exchange;
    strategy.hotSyncId = "0000";
}

}  // namespace

namespace {

// The factory settings with the exchange folder beside the program: what a first start uses,
// and what replaces a strategy that could not be read whole.
void useFactoryStrategy(ConversionContext& ctx, Strategy& strategy) {
    prepareStrategy(strategy, ctx.window);
    readStrategyText(ctx, strategy, factoryDefaultsText());
    useExchangeFolders(ctx, strategy);
}

// The factory file names root folders of a Windows drive ("\Out2Palm"); on a system without
// drives they would become folders named with a backslash under whatever folder a run starts
// in. A file that still holds them (left by a run killed at its first start) gets the exchange
// folder instead.
void resolveFactoryFolders(const ConversionContext& ctx, Strategy& strategy) {
    if (kPathSeparator == '\\') return;
    const std::string exchange = joinPath(ctx.programFolder, kExchangeFolderName);
    for (std::string* folder :
         {&strategy.endNoteFolder, &strategy.palmInstallFolder, &strategy.palmBackupFolder}) {
        if (*folder == "\\InFromEn" || *folder == "\\Out2Palm") *folder = exchange;
    }
}

}  // namespace

void startSession(ConversionContext& ctx, UserSettings& settings, OutputFile& output) {
    Strategy& strategy = settings.strategy;
    prepareStrategy(strategy, ctx.window);

    const std::string path = strategyPath(ctx);
    settings.keepStrategyFile = false;
    const bool exists = ctx.system.fileExists(path) || ctx.system.folderExists(path);
    StrategyRead read = exists ? readStrategyFile(ctx, strategy, path) : StrategyRead::CouldNotOpen;
    std::string text;
    if (read == StrategyRead::Read && readWholeFile(path, text) == ReadResult::Read &&
        !strategyTextComplete(text)) {
        read = StrategyRead::NotANumber;  // cut off: a crash or a full disk while it was written
    }
    bool writeNow = false;
    if (!exists) {
        // A first start: the file is written only as the strategy that will be used, folders
        // resolved, so a run killed at any moment leaves either nothing or a usable file.
        useFactoryStrategy(ctx, strategy);
        writeNow = true;
    } else if (read != StrategyRead::Read) {
        const std::string why =
            read == StrategyRead::NotANumber ? "it is damaged or cut off" : unreadableReason(path);
        // Never a half-read set: the values read before the damage are dropped.
        useFactoryStrategy(ctx, strategy);
        keepDamagedStrategy(ctx, settings, why);
    } else {
        resolveFactoryFolders(ctx, strategy);
    }

    // Failures are silent here; the file operations that need the folders report them.
    for (std::string_view name : {kWorkFolderName, kExchangeFolderName}) {
        const std::string folder = joinPath(ctx.programFolder, name);
        if (!ctx.system.folderExists(folder)) ctx.system.createFolders(folder);
    }

    showInWindow(strategy, ctx.window);
    collectFromWindow(strategy, ctx.window);
    // What the end of the run compares with: a damaged file so stays as it is (and backed up)
    // until the user changes the settings, and a first start that could not write its file
    // tries again at the end.
    settings.strategyAtStart = strategyFileText(strategy);
    if (writeNow && !writeStrategyFile(ctx, strategy, output, path, false)) {
        settings.strategyAtStart.clear();
    }
}

bool endSession(ConversionContext& ctx, UserSettings& settings, OutputFile& output) {
    collectFromWindow(settings.strategy, ctx.window);
    // A strategy file that could not be read nor kept is not written over, and one this run did
    // not change is left as it is: it may have been changed meanwhile by hand or by another run.
    const bool unchanged = strategyFileText(settings.strategy) == settings.strategyAtStart;
    bool saved = settings.keepStrategyFile || unchanged ||
                 writeStrategyFile(ctx, settings.strategy, output, strategyPath(ctx));
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
