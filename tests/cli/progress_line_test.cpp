// SPDX-License-Identifier: MIT
// The progress line of refquill-cli: when it shows, how often it is drawn, how it is erased
// and what it says.
#include "app/cli/progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace rq {
namespace {

using namespace std::chrono_literals;
using Clock = ProgressLine::Clock;

// Everything written to a temporary file, read back.
class Captured {
  public:
    Captured() : file_(std::tmpfile()) {}
    ~Captured() { std::fclose(file_); }
    std::FILE* file() { return file_; }
    std::string text() {
        std::fflush(file_);
        std::string all;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) all += static_cast<char>(c);
        return all;
    }

  private:
    std::FILE* file_;
};

int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

const Clock::time_point t0{};

TEST(ProgressLine, NothingWhenNotATerminal) {
    Captured out;
    ProgressLine line(out.file(), false);
    line.startJob(3, t0);
    line.startFile();
    for (int ms = 0; ms < 3000; ms += 50) line.update(t0 + std::chrono::milliseconds(ms));
    line.erase();
    EXPECT_EQ(out.text(), "");
}

TEST(ProgressLine, ShowsAfterAMomentAndIsErasedOnce) {
    Captured out;
    ProgressLine line(out.file(), true);
    line.startJob(2, t0);
    line.startFile();
    line.setRecords(1);
    line.update(t0 + 499ms);
    EXPECT_EQ(out.text(), "");
    line.update(t0 + 500ms);
    EXPECT_EQ(out.text(), "\rfile 1 of 2, 1 record\x1b[K");
    line.erase();
    line.erase();
    EXPECT_EQ(out.text(), "\rfile 1 of 2, 1 record\x1b[K\r\x1b[K");
}

TEST(ProgressLine, AtMostTenDrawsASecond) {
    Captured out;
    ProgressLine line(out.file(), true);
    line.startJob(1, t0);
    line.startFile();
    for (int ms = 0; ms <= 2500; ++ms) {
        line.setRecords(ms);
        line.update(t0 + std::chrono::milliseconds(ms));
        // Other output in between erases the line; erasing must not make room for more draws.
        if (ms % 7 == 0) line.erase();
    }
    // Shown from 0.5 s to 2.5 s: at most 21 draws.
    const int draws = count(out.text(), "file 1 of 1");
    EXPECT_GE(draws, 19);
    EXPECT_LE(draws, 21);
}

// A console without escape codes: blanks cover what a shorter text leaves, and the erase.
TEST(ProgressLine, WithoutEscapesBlanksCoverTheOldText) {
    Captured out;
    ProgressLine line(out.file(), true, false);
    line.startJob(1, t0);
    line.startFile();
    line.setRecords(100);
    line.update(t0 + 500ms);
    line.setRecords(2);
    line.update(t0 + 600ms);
    line.erase();
    line.erase();
    line.setRecords(1);
    line.update(t0 + 700ms);
    EXPECT_EQ(out.text(),
              "\rfile 1 of 1, 100 records"
              "\rfile 1 of 1, 2 records  "
              "\r" +
                  std::string(22, ' ') +
                  "\r"
                  "\rfile 1 of 1, 1 record");
    EXPECT_EQ(out.text().find('\x1b'), std::string::npos);
}

TEST(ProgressLine, TextCountsFilesRecordsAndTheInputOfEndedSteps) {
    Captured out;
    ProgressLine line(out.file(), true);
    line.startJob(5, t0);
    line.startFile();
    line.startStep(3'000'000);
    line.setRecords(1200);
    EXPECT_EQ(line.text(t0 + 1s), "file 1 of 5, 1200 records");  // nothing has ended yet
    line.startStep(1'000'000);
    EXPECT_EQ(line.text(t0 + 2s), "file 1 of 5, 0 records, 1.5 MB/s");
    line.startFile();
    EXPECT_EQ(line.text(t0 + 4s), "file 2 of 5, 0 records, 1.0 MB/s");
    // A new job starts from nothing.
    line.startJob(1, t0 + 10s);
    line.startFile();
    EXPECT_EQ(line.text(t0 + 11s), "file 1 of 1, 0 records");
}

}  // namespace
}  // namespace rq
