#include "shell/prompts.h"

#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringDecoder>

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
    QFileDialog dialog(parent, QStringLiteral("Open"), startFolder, filter);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles();
}

std::optional<QString> Prompts::chooseFolder(QWidget* parent, const QString& title) {
    folderTitles_.push_back(title);
    if (!nextFolders_.empty()) {
        auto answer = std::move(nextFolders_.front());
        nextFolders_.pop_front();
        return answer;
    }
    // Rooted at the top of the tree with nothing preselected; folders of the file system only.
    const QString folder =
        QFileDialog::getExistingDirectory(parent, title, QString(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

int Prompts::exec(QDialog& dialog) {
    if (!nextDialogs_.empty()) {
        DialogHandler handler = std::move(nextDialogs_.front());
        nextDialogs_.pop_front();
        return handler(dialog);
    }
    return dialog.exec();
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

QString textToQt(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8.decode(QByteArrayView(text.data(), qsizetype(text.size())));
    if (!utf8.hasError()) return decoded;
    return bytesToQt(text);
}

QString bytesToQt(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string bytesFromQt(const QString& text) {
    return text.toLatin1().toStdString();
}

QString pathToQt(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), qsizetype(path.size())));
}

std::string pathFromQt(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace rq
