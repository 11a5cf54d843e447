// SPDX-License-Identifier: MIT
#include "app/cli/cli_host.h"

#include <filesystem>
#include <system_error>

#include "app/cli/command_files.h"
#include "app/cli/options.h"

namespace rq {

namespace {
// The window's message boxes are errors or not; here the others are warnings.
std::string_view kindOf(MessageKind kind) {
    return kind == MessageKind::Error ? "error" : "warning";
}

const char* stepName(ProgressPhase phase) {
    switch (phase) {
        case ProgressPhase::EndNoteToCsv:
            return "EndNote to CSV";
        case ProgressPhase::CsvToJFile:
            return "CSV to JFile";
        case ProgressPhase::JFileToCsv:
            return "JFile to CSV";
        case ProgressPhase::CsvToEndNote:
            break;
    }
    return "CSV to EndNote";
}

std::uint64_t sizeOf(std::string_view path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(std::filesystem::path(path), error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

// A line of text as the console shows it (platform/console.h), flushed at once.
void writeLine(std::FILE* to, std::string_view line) {
    writeText(to, std::string(line) + "\n");
    std::fflush(to);
}
}  // namespace

void CliHost::startJob(int files) {
    progress_.startJob(files, now_());
}

void CliHost::endJob() {
    endStep();
    progress_.erase();
}

void CliHost::printError(std::string_view line) {
    progress_.erase();
    writeLine(err_, line);
}

void CliHost::printNote(std::string_view line) {
    if (verbosity_ != Verbosity::Quiet) printError(line);
}

void CliHost::printVerbose(std::string_view prefix, std::string_view text) {
    if (verbosity_ != Verbosity::Verbose) return;
    progress_.erase();
    writeLine(err_, std::string(prefix) + std::string(text));
}

void CliHost::appendLog(std::string_view line) {
    PlainHost::appendLog(line);
    // The blank line that opens each file's group tells nothing here.
    if (line.find_first_not_of(' ') != std::string_view::npos) printVerbose("log: ", line);
}

void CliHost::showMessage(MessageKind kind, std::string_view text) {
    PlainHost::showMessage(kind, text);
    if (stopSignal_ != nullptr && stopSignal_->load() != 0) return;
    lastDetail_ = text;
    // Shown even when quiet: a warning may be all that tells why a file was not converted.
    progress_.erase();
    writeLine(err_, diagnostic(kindOf(kind), text));
}

void CliHost::showMessage(MessageKind kind, std::string_view text, std::string_view detail) {
    // The file and the reason are what a terminal user needs; the window's fixed text would
    // only repeat what the command was.
    std::string whole(text);
    whole += '\n';
    whole += detail;
    PlainHost::showMessage(kind, whole);
    if (stopSignal_ != nullptr && stopSignal_->load() != 0) return;
    // A failure is told by the step that met it and again by the job around it ("Error
    // Converting EndNote file"); on a terminal the file and the reason stand once.
    if (detail == lastDetail_) return;
    lastDetail_ = detail;
    progress_.erase();
    writeLine(err_, diagnostic(kindOf(kind), detail));
}

void CliHost::setStatusText(std::string_view text) {
    PlainHost::setStatusText(text);
    // The jobs clear the panel before each file; a blank line would tell the user nothing.
    if (text.empty()) return;
    if (holdResults_) {
        heldResults_.emplace_back(progress.sourceFile, text);
        return;
    }
    if (verbosity_ == Verbosity::Quiet) return;
    progress_.erase();
    writeLine(out_, text);
}

std::string CliHost::takeResult(std::string_view source) {
    for (auto held = heldResults_.begin(); held != heldResults_.end(); ++held) {
        if (held->first != source) continue;
        std::string text = std::move(held->second);
        heldResults_.erase(held);
        return text;
    }
    return {};
}

// Called for every record and every few kilobytes: the clock only when a line may be drawn.
void CliHost::pumpEvents() {
    PlainHost::pumpEvents();
    if (stopSignal_ != nullptr)
        if (const int signal = stopSignal_->load(); signal != 0) throw Interrupted{signal};
    if (progress_.enabled()) progress_.update(now_());
}

void CliHost::beginBusy() {
    PlainHost::beginBusy();
    progress_.startFile();
}

void CliHost::endBusy() {
    PlainHost::endBusy();
    endStep();
}

void CliHost::startStep(ProgressPhase phase, std::string_view inputFile) {
    endStep();
    step_ = phase;
    stepStart_ = now_();
    progress_.startStep(sizeOf(inputFile));
    progress_.update(stepStart_);
}

void CliHost::endStep() {
    progress_.endStep();
    if (!step_) return;
    const double seconds = std::chrono::duration<double>(now_() - stepStart_).count();
    char line[96];
    std::snprintf(line, sizeof line, "%s took %.3f s", stepName(*step_), seconds);
    step_.reset();
    printVerbose("step: ", line);
}

void CliHost::phaseStarted(ProgressPhase phase, std::string_view sourceFile) {
    PlainHost::phaseStarted(phase, sourceFile);
    startStep(phase, sourceFile);
}

void CliHost::recordReached(long n) {
    PlainHost::recordReached(n);
    progress_.setRecords(n);
    if (progress_.enabled()) progress_.update(now_());
}

// The window shows the converter's report in a dialog; here it is the only place the reason
// for a failed conversion is told, so it is printed even when quiet.
void CliHost::showLog(const std::string& path) {
    PlainHost::showLog(path);
    progress_.erase();
    std::string report = "report " + path + ":\n";
    for (const std::string& line : shownErrorLogs.back()) report += "  " + line + "\n";
    writeText(err_, report);
    std::fflush(err_);
}

void CliHost::converterStarted(ProgressPhase phase) {
    PlainHost::converterStarted(phase);
    // The converter reads the work copy of the file in hand; its size is the size of the source.
    if (step_ != phase) startStep(phase, progress.sourceFile);
}

void CliHost::converterCommand(std::string_view commandLine) {
    printVerbose("converter: ", commandLine);
}

void CliHost::converterRunning(int seconds) {
    PlainHost::converterRunning(seconds);
    progress_.update(now_());
}

void CliHost::progressEnded() {
    PlainHost::progressEnded();
    endStep();
}

}  // namespace rq
