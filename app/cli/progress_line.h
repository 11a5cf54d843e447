// SPDX-License-Identifier: MIT
#pragma once
// The line that tells, on a terminal, how far a long job has come:
//   file 2 of 5, 1200 records, 3.4 MB/s
// It shows only after the job has run for a moment, is redrawn at most ten times a second, and
// is erased before any other output and at the end, so it never mixes with the result lines.
// The throughput counts the input of the steps that have ended.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace rq {

class ProgressLine {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFirstShow{500};
    static constexpr std::chrono::milliseconds kInterval{100};

    // A disabled line (standard error is not a terminal) never writes. Without `escapes` (a
    // console that does not read them) the line is redrawn and erased with blanks after "\r".
    ProgressLine(std::FILE* to, bool enabled, bool escapes = true)
        : to_(to), enabled_(enabled), escapes_(escapes) {}

    void startJob(int files, Clock::time_point now);
    void startFile();
    // A step reads `inputBytes`; the step before it has ended.
    void startStep(std::uint64_t inputBytes);
    void endStep();
    void setRecords(long records) { records_ = records; }

    // Redraws when the line is due.
    void update(Clock::time_point now);
    // Removes the line from the terminal; the next update draws it again.
    void erase();

    std::string text(Clock::time_point now) const;
    bool shown() const { return shown_; }
    bool enabled() const { return enabled_; }

  private:
    void write(const std::string& text);

    std::FILE* to_;
    bool enabled_;
    bool escapes_;
    bool shown_ = false;
    std::size_t drawnLength_ = 0;  // of the text on the screen, for blanks to cover it
    Clock::time_point jobStart_{};
    Clock::time_point lastDraw_{};
    bool drawnOnce_ = false;
    int files_ = 0;
    int file_ = 0;
    long records_ = 0;
    std::uint64_t stepBytes_ = 0;
    std::uint64_t doneBytes_ = 0;
};

}  // namespace rq
