// SPDX-License-Identifier: MIT
#include "engine/plain_host.h"
#include "base/native_path.h"

#include <algorithm>
#include <cstdint>
#include <fstream>

namespace rq {

std::string notAnIntegerMessage(std::string_view text) {
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
}

bool PlainHost::errorShown() const {
    return std::any_of(messages.begin(), messages.end(),
                       [](const Message& m) { return m.kind == MessageKind::Error; });
}

PlainHost::~PlainHost() {
    if (spool_ != nullptr) std::fclose(spool_);
}

void PlainHost::appendLog(std::string_view line) {
    log.emplace_back(line);
    if (spoolAfter_ > 0 && log.size() > spoolAfter_) spoolOut();
}

// Each line is its length (four bytes, lowest first) and its bytes: a line may hold any byte.
void PlainHost::spoolOut() {
    if (spool_ == nullptr) spool_ = std::tmpfile();
    if (spool_ == nullptr || std::fseek(spool_, spoolGood_, SEEK_SET) != 0) {
        spoolAfter_ = 0;  // no file to spool to: memory it is
        return;
    }
    bool ok = true;
    for (const std::string& line : log) {
        const auto size = static_cast<std::uint32_t>(line.size());
        const unsigned char length[4] = {
            static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
            static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)};
        ok = ok && std::fwrite(length, 1, 4, spool_) == 4 &&
             std::fwrite(line.data(), 1, line.size(), spool_) == line.size();
    }
    const long end = ok && std::fflush(spool_) == 0 ? std::ftell(spool_) : -1;
    if (end < 0) {
        spoolAfter_ = 0;  // the lines stay here; what was spooled before is still good
        return;
    }
    spoolGood_ = end;
    log.clear();
}

bool PlainHost::forEachLogLine(const std::function<bool(std::string_view)>& visit) const {
    if (spool_ != nullptr && spoolGood_ > 0) {
        if (std::fflush(spool_) != 0 || std::fseek(spool_, 0, SEEK_SET) != 0) return false;
        std::string line;
        for (long at = 0; at < spoolGood_;) {
            unsigned char length[4];
            if (std::fread(length, 1, 4, spool_) != 4) return false;
            const std::size_t size = length[0] | (length[1] << 8) | (length[2] << 16) |
                                     (static_cast<std::size_t>(length[3]) << 24);
            line.resize(size);
            if (std::fread(line.data(), 1, size, spool_) != size) return false;
            at += static_cast<long>(4 + size);
            if (!visit(line)) return false;
        }
    }
    for (const std::string& line : log) {
        if (!visit(line)) return false;
    }
    return true;
}

void PlainHost::setStatusText(std::string_view text) {
    statusText = text;
    statusHistory.emplace_back(text);
}

void PlainHost::showMessage(MessageKind kind, std::string_view text) {
    messages.push_back({kind, std::string(text)});
}

void PlainHost::phaseStarted(ProgressPhase phase, std::string_view sourceFile) {
    progress.phase = phase;
    progress.sourceFile = sourceFile;
    progress.shown = true;
}

void PlainHost::converterStarted(ProgressPhase phase) {
    progress.phase = phase;
    progress.converterRunning = true;
    progress.shown = true;
    pumpEvents();
}

void PlainHost::converterRunning(int seconds) {
    progress.converterSeconds = seconds;
    pumpEvents();
}

void PlainHost::progressEnded() {
    progress.shown = false;
    progress.converterRunning = false;
}

void PlainHost::showLog(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(nativePath(path), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    shownErrorLogs.push_back(std::move(lines));
}

}  // namespace rq
