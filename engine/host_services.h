// SPDX-License-Identifier: MIT
#pragma once
// What the conversion engine tells its host while it works: what happens to the file in hand
// (a phase starts, a record is done, the converter is waited for), log lines, status texts,
// messages, the busy time and the points where the host may process its own events. How any of
// it looks is the host's business: the desktop program shows windows, PlainHost keeps lists.
// File choice is not here: the host asks the user before a job starts and hands the job paths.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rq {

enum class MessageKind { Plain, Error, Information };

// The steps of one file's conversion, each from one format to the next.
enum class ProgressPhase { EndNoteToCsv, CsvToJFile, JFileToCsv, CsvToEndNote };

// The standard conversion message for a text that should be a whole number and is not.
std::string notAnIntegerMessage(std::string_view text);

class HostServices {
  public:
    virtual ~HostServices() = default;

    // A line for the run log; the host keeps the lines for "Log.txt".
    virtual void appendLog(std::string_view line) = 0;
    virtual const std::vector<std::string>& logLines() const = 0;
    // Every line of the run log in order, also those a host keeps out of memory; stops and
    // returns false when `visit` returns false or a kept line cannot be read back.
    virtual bool forEachLogLine(const std::function<bool(std::string_view)>& visit) const {
        for (const std::string& line : logLines()) {
            if (!visit(line)) return false;
        }
        return true;
    }
    // The result of the file in hand, or empty before each file.
    virtual void setStatusText(std::string_view text) = 0;
    // A message the user must see; returns when the user has taken note.
    virtual void showMessage(MessageKind kind, std::string_view text) = 0;
    // A fixed message text and the file and reason it concerns ("PATH: reason"). A window shows
    // the detail on a line of its own below the text; a host that gives one line per message (a
    // terminal) may show the detail alone.
    virtual void showMessage(MessageKind kind, std::string_view text, std::string_view detail) {
        std::string whole(text);
        whole += '\n';
        whole += detail;
        showMessage(kind, whole);
    }

    // The host may process its pending events. Called once per line, per converter poll and per
    // second of the converter; the per-byte calls of the export readers reach it only through
    // a BytePump, which thins them out.
    virtual void pumpEvents() = 0;
    // A file's conversion begins and ends; the two always pair.
    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;

    // A phase of the file in hand starts, in which records of `sourceFile` are counted.
    virtual void phaseStarted(ProgressPhase phase, std::string_view sourceFile) = 0;
    // The phase has reached record n (counted from 1).
    virtual void recordReached(long n) = 0;
    // The converter is next: its time is counted from here.
    virtual void converterQueued() = 0;
    // The converter runs for `phase` and the engine waits for it to end.
    virtual void converterStarted(ProgressPhase phase) = 0;
    // The exact command line the converter is started with; only a host that shows it (the
    // command-line tool when verbose) needs to hear it.
    virtual void converterCommand(std::string_view commandLine) { (void)commandLine; }
    // The converter has run for `seconds` whole seconds; once per new second, the host's
    // pending events are processed afterwards as by pumpEvents.
    virtual void converterRunning(int seconds) = 0;
    // Nothing more happens to the file for now: the progress shown may go.
    virtual void progressEnded() = 0;

    // The converter left an error log at `path`: the host shows its lines and returns when the
    // user has read them.
    virtual void showLog(const std::string& path) = 0;
};

// Thins out a reader's per-byte calls of the host's event pump, which may look at a clock: one
// per kBytesPerPump bytes. Each reader keeps its own for the file in hand.
class BytePump {
  public:
    static constexpr long kBytesPerPump = 4096;

    explicit BytePump(HostServices& host) : host_(host) {}

    // Before every byte the reader takes (or once for a run of `bytes` bytes).
    void advance(long bytes = 1) {
        countdown_ -= bytes;
        if (countdown_ <= 0) {
            countdown_ = kBytesPerPump;
            host_.pumpEvents();
        }
    }

  private:
    HostServices& host_;
    long countdown_ = kBytesPerPump;
};

}  // namespace rq
