#include "engine/plain_host.h"

#include <algorithm>
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

void PlainHost::appendLog(std::string_view line) {
    log.emplace_back(line);
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
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    shownErrorLogs.push_back(std::move(lines));
}

}  // namespace rq
