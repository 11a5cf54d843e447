// SPDX-License-Identifier: MIT
#pragma once
// Every message box, file dialog, folder browser and modal dialog of the windows goes through
// one Prompts object, so that tests can answer them in advance and drive whole flows without a
// native dialog. The start-up code creates one and hands it to the main window.

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/host_services.h"

class QDialog;
class QFileDialog;
class QLineEdit;
class QWidget;

namespace rq {

class Prompts {
  public:
    struct ShownMessage {
        MessageKind kind;
        QString text;
    };
    struct FileRequest {
        QString startFolder;
        QString filter;
    };
    using DialogHandler = std::function<int(QDialog&)>;

    // A message box with the one button "OK" and the kind's icon.
    void message(QWidget* parent, MessageKind kind, const QString& text);
    // A file-open dialog in which several files may be chosen; nothing when cancelled.
    std::optional<QStringList> openFiles(QWidget* parent, const QString& startFolder,
                                         const QString& filter);
    // The folder browser under the given title (which may hold a line break), opened at
    // `startFolder` when it exists; nothing when cancelled.
    std::optional<QString> chooseFolder(QWidget* parent, const QString& title,
                                        const QString& startFolder = QString());
    // A question with the buttons Yes and No; true for Yes.
    bool ask(QWidget* parent, const QString& question);
    // Shows a dialog modally and returns its result.
    int exec(QDialog& dialog);

    // Test seam. While messages are answered automatically they are only recorded.
    void answerMessagesAutomatically(bool on) { autoMessages_ = on; }
    void setNextFiles(std::optional<QStringList> files) { nextFiles_.push_back(std::move(files)); }
    void setNextFolder(std::optional<QString> folder) { nextFolders_.push_back(std::move(folder)); }
    // The answer to the next question; without one, questions are asked for real.
    void setNextAnswer(bool yes) { nextAnswers_.push_back(yes); }
    const QStringList& questions() const { return questions_; }
    // The handler plays the user's part on the next modal dialog and returns its result.
    void setNextDialogHandler(DialogHandler handler) { nextDialogs_.push_back(std::move(handler)); }

    const std::vector<ShownMessage>& shownMessages() const { return messages_; }
    void clearShownMessages() { messages_.clear(); }
    const std::vector<FileRequest>& fileRequests() const { return fileRequests_; }
    const QStringList& folderTitles() const { return folderTitles_; }
    const QStringList& folderStarts() const { return folderStarts_; }

  private:
    bool autoMessages_ = false;
    std::deque<std::optional<QStringList>> nextFiles_;
    std::deque<std::optional<QString>> nextFolders_;
    std::deque<DialogHandler> nextDialogs_;
    std::deque<bool> nextAnswers_;
    QStringList questions_;
    std::vector<ShownMessage> messages_;
    std::vector<FileRequest> fileRequests_;
    QStringList folderTitles_;
    QStringList folderStarts_;
};

// What a whole-number entry accepts, and what it says and shows when it rejects a text.
struct NumberEntryRule {
    int low;
    int high;
    QString notNumberMessage;  // shown after the standard conversion message
    QString rangeMessage;
    QString resetText;
};

// The check of a whole-number entry that loses the focus: a text that is no whole number gets
// the standard conversion message and then `notNumberMessage`, a number outside low to high
// `rangeMessage`. A rejected entry is reset and gets the focus back. True when accepted.
bool checkNumberEntry(Prompts& prompts, QWidget* owner, QLineEdit& entry,
                      const NumberEntryRule& rule);

// The file-open dialog of openFiles, built but not shown; `filter` is in Qt's form.
std::unique_ptr<QFileDialog> makeOpenFilesDialog(QWidget* parent, const QString& startFolder,
                                                 const QString& filter);
// What the dialog's list shows for a filter in Qt's form: its description as the engine wrote
// it, without the " (pattern)" that Qt's form adds.
QString fileFilterLabel(const QString& qtFilter);

// "desc|pattern|desc|pattern" as the engine names its filters, in Qt's "desc (pattern);;..."
// form. The first pair stays first, so it is the one chosen when the dialog opens.
QString qtFileFilter(const QString& pairs);

// Engine texts are single-byte; paths on this system are the file system's encoding.
QString textToQt(std::string_view text);  // UTF-8 when valid, else Windows-1252
// Windows-1252, the code page of every file the engine writes: word lists and entries. Every
// byte comes back unchanged; a character the code page lacks becomes "?".
QString bytesToQt(std::string_view bytes);
std::string bytesFromQt(const QString& text);
QString pathToQt(std::string_view path);
std::string pathFromQt(const QString& path);

}  // namespace rq
