#pragma once
// What the conversion engine needs from its host: the run log, the status bar, message boxes,
// the event pump, the busy cursor, the file choice, the progress display and the error report.
// The desktop program supplies them with windows; PlainHost supplies them headless.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rq {

enum class MessageKind { Plain, Error, Information };

enum class ProgressPhase { EndNoteToCsv, CsvToJFile, JFileToCsv, CsvToEndNote };

// The main window's two file-open dialogs.
enum class FileDialog { EndNoteExports, JFileDatabases };

// The standard conversion message for a text that should be a whole number and is not.
std::string notAnIntegerMessage(std::string_view text);

class HostServices {
  public:
    virtual ~HostServices() = default;

    // Log, status and messages.
    virtual void appendLog(std::string_view line) = 0;
    virtual const std::vector<std::string>& logLines() const = 0;
    virtual void setStatusText(std::string_view text) = 0;
    virtual void showMessage(MessageKind kind, std::string_view text) = 0;

    // Lets the user interface process its pending events. Called once per line, per converter
    // poll and per progress step; the per-byte calls of the export reader reach it only through
    // ConversionContext::pumpEventsPerByte, which thins them out.
    virtual void pumpEvents() = 0;
    virtual void beginBusy() = 0;
    virtual void endBusy() = 0;

    // The chosen full paths in the dialog's order, or nothing when the user cancels.
    virtual std::optional<std::vector<std::string>> chooseFiles(FileDialog dialog,
                                                                std::string_view startFolder) = 0;

    // Progress display.
    virtual void showPhase(ProgressPhase phase) = 0;
    virtual void setPrefixLine(std::string_view text) = 0;
    virtual void showRecordLabel(bool shown) = 0;
    virtual void setRecordNumber(long n) = 0;
    virtual void setSourceFile(std::string_view path) = 0;
    virtual void showBar(bool shown) = 0;
    virtual void stepProgress(int n) = 0;
    virtual void setConverterPhase(char directionCode) = 0;
    virtual void showProgress() = 0;
    virtual void hideProgress() = 0;

    // Error report: loads the text file's lines into the error-report dialog and shows it
    // modally; returns when the user has closed it.
    virtual void showLog(const std::string& path) = 0;
};

}  // namespace rq
