// SPDX-License-Identifier: MIT
#include "app/cli/progress_line.h"

#include "platform/console.h"

namespace rq {

void ProgressLine::startJob(int files, Clock::time_point now) {
    erase();
    jobStart_ = now;
    drawnOnce_ = false;
    files_ = files;
    file_ = 0;
    records_ = 0;
    stepBytes_ = 0;
    doneBytes_ = 0;
}

void ProgressLine::startFile() {
    endStep();
    ++file_;
    records_ = 0;
}

void ProgressLine::startStep(std::uint64_t inputBytes) {
    endStep();
    stepBytes_ = inputBytes;
    records_ = 0;
}

void ProgressLine::endStep() {
    doneBytes_ += stepBytes_;
    stepBytes_ = 0;
}

std::string ProgressLine::text(Clock::time_point now) const {
    std::string line = "file " + std::to_string(file_) + " of " + std::to_string(files_) + ", " +
                       std::to_string(records_) + (records_ == 1 ? " record" : " records");
    const double seconds = std::chrono::duration<double>(now - jobStart_).count();
    if (doneBytes_ > 0 && seconds > 0) {
        char rate[32];
        std::snprintf(rate, sizeof rate, ", %.1f MB/s",
                      static_cast<double>(doneBytes_) / 1e6 / seconds);
        line += rate;
    }
    return line;
}

void ProgressLine::update(Clock::time_point now) {
    if (!enabled_ || now - jobStart_ < kFirstShow) return;
    if (drawnOnce_ && now - lastDraw_ < kInterval) return;
    // Back to the line's start, the new text, the rest of the old one cleared.
    const std::string line = text(now);
    if (escapes_) {
        write("\r" + line + "\x1b[K");
    } else {
        const std::size_t cover = drawnLength_ > line.size() ? drawnLength_ - line.size() : 0;
        write("\r" + line + std::string(cover, ' '));
    }
    drawnLength_ = line.size();
    shown_ = true;
    drawnOnce_ = true;
    lastDraw_ = now;
}

void ProgressLine::erase() {
    if (!shown_) return;
    write(escapes_ ? std::string("\r\x1b[K") : "\r" + std::string(drawnLength_, ' ') + "\r");
    drawnLength_ = 0;
    shown_ = false;
}

void ProgressLine::write(const std::string& text) {
    writeText(to_, text);
    std::fflush(to_);
}

}  // namespace rq
