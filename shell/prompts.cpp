// SPDX-License-Identifier: MIT
#include "shell/prompts.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringDecoder>

#include "engine/strategy.h"
#include "shell/folder_browser.h"
#include "shell/native_names.h"
#include "shell/placement.h"

namespace rq {

void Prompts::message(QWidget* parent, MessageKind kind, const QString& text) {
    messages_.push_back({kind, text});
    if (autoMessages_) return;
    QMessageBox box(parent);
    switch (kind) {
        case MessageKind::Plain:
            box.setWindowTitle(QStringLiteral("Refquill"));
            break;
        case MessageKind::Error:
            box.setWindowTitle(QStringLiteral("Error"));
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageKind::Information:
            box.setWindowTitle(QStringLiteral("Information"));
            box.setIcon(QMessageBox::Information);
            break;
    }
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

std::optional<QStringList> Prompts::openFiles(QWidget* parent, const QString& startFolder,
                                              const QString& filter) {
    fileRequests_.push_back({startFolder, filter});
    if (!nextFiles_.empty()) {
        auto answer = std::move(nextFiles_.front());
        nextFiles_.pop_front();
        return answer;
    }
    const auto dialog = makeOpenFilesDialog(parent, startFolder, filter);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog->selectedFiles();
}

std::optional<QString> Prompts::chooseFolder(QWidget* parent, const QString& title,
                                             const QString& startFolder) {
    folderTitles_.push_back(title);
    folderStarts_.push_back(startFolder);
    if (!nextFolders_.empty()) {
        auto answer = std::move(nextFolders_.front());
        nextFolders_.pop_front();
        return answer;
    }
    FolderBrowser browser(title, startFolder, parent);
    centreOnScreen(browser);
    if (browser.exec() != QDialog::Accepted || browser.selectedFolder().isEmpty()) {
        return std::nullopt;
    }
    return browser.selectedFolder();
}

bool Prompts::ask(QWidget* parent, const QString& question) {
    questions_.push_back(question);
    if (!nextAnswers_.empty()) {
        const bool yes = nextAnswers_.front();
        nextAnswers_.pop_front();
        return yes;
    }
    if (autoMessages_) return false;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Refquill"), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int Prompts::exec(QDialog& dialog) {
    // Centred at every use: a dialog shown again would otherwise open where the window system
    // last left it, which under some window managers is lower each time.
    centreOnScreen(dialog);
    if (!nextDialogs_.empty()) {
        DialogHandler handler = std::move(nextDialogs_.front());
        nextDialogs_.pop_front();
        return handler(dialog);
    }
    return dialog.exec();
}

std::unique_ptr<QFileDialog> makeOpenFilesDialog(QWidget* parent, const QString& startFolder,
                                                 const QString& filter) {
    auto dialog =
        std::make_unique<QFileDialog>(parent, QStringLiteral("Open"), longFolderName(startFolder));
    // Windows users expect the system's dialog, which shows each filter's label alone once the
    // pattern details are hidden. Elsewhere Qt's own: the desktops' dialogs show a filter's
    // pattern after its label and fold the double space of "Refquill PDB  File".
    dialog->setOption(QFileDialog::DontUseNativeDialog, !useNativeFileDialogs());
    dialog->setOption(QFileDialog::HideNameFilterDetails, useNativeFileDialogs());
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setOption(QFileDialog::ReadOnly, false);
    dialog->setSizeGripEnabled(true);
    const QStringList filters = filter.split(QStringLiteral(";;"));
    dialog->setNameFilters(filters);
    // The list shows each filter's label as written, without its pattern; the dialog still
    // filters by the pattern, found by the item's place in the list.
    if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
        for (int i = 0; i < types->count() && i < filters.size(); ++i) {
            types->setItemText(i, fileFilterLabel(filters[i]));
        }
    }
    return dialog;
}

QString fileFilterLabel(const QString& qtFilter) {
    const qsizetype open = qtFilter.lastIndexOf(QStringLiteral(" ("));
    if (open < 0 || !qtFilter.endsWith(QLatin1Char(')'))) return qtFilter;
    return qtFilter.left(open);
}

QString qtFileFilter(const QString& pairs) {
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

bool checkNumberEntry(Prompts& prompts, QWidget* owner, QLineEdit& entry,
                      const NumberEntryRule& rule) {
    const std::string text = bytesFromQt(entry.text());
    std::int32_t value = 0;
    if (!parseWholeNumber(text, value)) {
        prompts.message(owner, MessageKind::Error, textToQt(notAnIntegerMessage(text)));
        prompts.message(owner, MessageKind::Error, rule.notNumberMessage);
    } else if (value < rule.low || value > rule.high) {
        prompts.message(owner, MessageKind::Error, rule.rangeMessage);
    } else {
        return true;
    }
    entry.setText(rule.resetText);
    entry.setFocus(Qt::OtherFocusReason);
    return false;
}

QString textToQt(std::string_view text) {
    // Stateless: a sequence cut off at the end is an error, not a character held back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError()) return decoded;
    return bytesToQt(text);
}

namespace {
// Windows-1252 is Latin-1 but for 0x80 to 0x9F. The five bytes it leaves undefined map to the
// control characters of the same number, as Windows does, so that every byte comes back.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

QString bytesToQt(std::string_view bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(kWindows1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

std::string bytesFromQt(const QString& text) {
    std::string bytes;
    bytes.reserve(std::size_t(text.size()));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            bytes += static_cast<char>(u);
            continue;
        }
        char byte = '?';  // a character the code page does not have
        for (int i = 0; i < 32; ++i) {
            if (kWindows1252High[i] == u) byte = static_cast<char>(0x80 + i);
        }
        bytes += byte;
    }
    return bytes;
}

// Paths are UTF-8 inside the program on every system (Qt 6 on POSIX uses UTF-8 for file names
// anyway; on Windows its 8-bit names would be the ANSI code page).
QString pathToQt(std::string_view path) {
    return QString::fromUtf8(path.data(), qsizetype(path.size()));
}

std::string pathFromQt(const QString& path) {
    return path.toUtf8().toStdString();
}

}  // namespace rq
