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

std::optional<std::vector<std::string>> PlainHost::chooseFiles(FileDialog, std::string_view) {
    if (fileChoices.empty()) return std::nullopt;
    auto choice = std::move(fileChoices.front());
    fileChoices.pop_front();
    return choice;
}

void PlainHost::stepProgress(int n) {
    if (progress.barPosition < 100) progress.barPosition = std::clamp(n + 2, 1, 100);
    pumpEvents();
}

void PlainHost::setConverterPhase(char directionCode) {
    progress.phase = directionCode == '1' ? ProgressPhase::CsvToJFile : ProgressPhase::JFileToCsv;
    progress.prefixLine = "Waiting for Jconvpro to finish";
    progress.recordLabelShown = false;
    progress.shown = true;
    pumpEvents();
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
