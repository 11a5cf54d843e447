// SPDX-License-Identifier: MIT
#include "shell/log_window.h"

#include <QPushButton>
#include <QTextBlock>
#include <QTextDocumentFragment>

#include "shell/prompts.h"
#include "ui_log_window.h"

namespace rq {

LogWindow::LogWindow(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::LogWindow>()) {
    ui_->setupUi(this);
    connect(ui_->CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
}

LogWindow::~LogWindow() = default;

void LogWindow::showLines(const std::vector<std::string>& lines) {
    QStringList texts;
    int lastGroup = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        texts << textToQt(lines[i]);
        if (lines[i] == " ") lastGroup = int(i);
    }
    ui_->LogText->setPlainText(texts.join(QLatin1Char('\n')));
    QTextCursor cursor = ui_->LogText->textCursor();
    cursor.movePosition(QTextCursor::End);
    if (lastGroup >= 0) {
        const QTextBlock first = ui_->LogText->document()->findBlockByNumber(lastGroup);
        cursor.setPosition(first.position(), QTextCursor::MoveAnchor);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    ui_->LogText->setTextCursor(cursor);
    ui_->LogText->ensureCursorVisible();
    ui_->CloseBtn->setFocus(Qt::OtherFocusReason);
}

QString LogWindow::selectedText() const {
    // The document's paragraph separators as plain line breaks.
    return ui_->LogText->textCursor().selection().toPlainText();
}

}  // namespace rq
