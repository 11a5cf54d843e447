// SPDX-License-Identifier: MIT
#include "shell/log_window.h"

#include <QPushButton>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <deque>

#include "shell/font_scale.h"
#include "shell/prompts.h"
#include "ui_log_window.h"

namespace rq {

LogWindow::LogWindow(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::LogWindow>()) {
    ui_->setupUi(this);
    ui_->LogText->setAccessibleName(QStringLiteral("Run log"));
    connect(ui_->CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    scaleForFont(*this);
}

LogWindow::~LogWindow() = default;

void LogWindow::showLog(const HostServices& host) {
    std::deque<QString> texts;
    std::size_t total = 0;
    std::size_t lastGroupAt = 0;  // line number + 1; 0 for none
    host.forEachLogLine([&](std::string_view line) {
        ++total;
        if (line == " ") lastGroupAt = total;
        texts.push_back(textToQt(line));
        if (texts.size() > kShownLines) texts.pop_front();
        return true;
    });
    const std::size_t left = total - texts.size();
    QString shown;
    if (left > 0) {
        shown = QStringLiteral("(%1 earlier lines are not shown here; Log.txt keeps them all)\n")
                    .arg(left);
    }
    const int heading = left > 0 ? 1 : 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) shown += QLatin1Char('\n');
        shown += texts[i];
    }
    texts.clear();
    // The last group's first block; a group that began before the shown lines starts with them.
    int lastGroup = -1;
    if (lastGroupAt > 0) lastGroup = heading + int(lastGroupAt > left ? lastGroupAt - 1 - left : 0);
    ui_->LogText->setPlainText(shown);
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
