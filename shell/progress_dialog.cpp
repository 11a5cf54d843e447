// SPDX-License-Identifier: MIT
#include "shell/progress_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "base/path.h"
#include "shell/font_scale.h"
#include "shell/placement.h"
#include "ui_progress_dialog.h"

namespace rq {

QString shortenPath(const QString& path, const std::function<bool(const QString&)>& fits) {
    if (fits(path)) return path;
    const QChar sep = QLatin1Char(kPathSeparator);
    QStringList parts = path.split(sep);
    if (parts.size() < 2) return path;  // a bare name is never cut
    const QString name = parts.takeLast();
    const QString drive = parts.takeFirst();
    const QString dots = QStringLiteral("...");
    while (!parts.isEmpty()) {
        parts.removeFirst();
        QStringList shown{drive, dots};
        shown << parts << name;
        const QString candidate = shown.join(sep);
        if (fits(candidate)) return candidate;
    }
    const QString withoutDrive = dots + sep + name;
    if (fits(withoutDrive)) return withoutDrive;
    return name;
}

ProgressDialog::ProgressDialog(const QFont& measureFont, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      measureFont_(measureFont),
      ui_(std::make_unique<Ui::ProgressDialog>()) {
    ui_->setupUi(this);
    setModal(false);
    ui_->LabelFName->setFont(measureFont_);
    // One panel per phase, only one of them visible at a time: "Moving", the picture of the
    // format read, "to", the picture of the format written.
    phasePanels_ = {{ProgressPhase::EndNoteToCsv, ui_->Panel5},
                    {ProgressPhase::CsvToJFile, ui_->Panel1},
                    {ProgressPhase::JFileToCsv, ui_->Panel2},
                    {ProgressPhase::CsvToEndNote, ui_->Panel4}};
    // "Moving" and "to" in a large bold italic type.
    QFont moving;
    moving.setPixelSize(18);
    moving.setBold(true);
    moving.setItalic(true);
    for (QLabel* label : {ui_->Panel5Moving, ui_->Panel5To, ui_->Panel1Moving, ui_->Panel1To,
                          ui_->Panel2Moving, ui_->Panel2To, ui_->Panel4Moving, ui_->Panel4To}) {
        label->setFont(moving);
    }
    showPhase(ProgressPhase::EndNoteToCsv);
    // The pictures' black captions need a light ground of their own under a dark palette.
    for (QLabel* picture : findChildren<QLabel*>()) {
        if (!picture->objectName().endsWith(QLatin1String("Picture")) &&
            !picture->objectName().endsWith(QLatin1String("From")))
            continue;
        QPalette light = picture->palette();
        light.setColor(QPalette::Window, Qt::white);
        picture->setPalette(light);
        picture->setAutoFillBackground(true);
    }
    connect(ui_->CancelBtn, &QPushButton::clicked, this, [this] {
        ui_->CancelBtn->setEnabled(false);
        Q_EMIT cancelRequested();
    });
    scaleForFont(*this);
}

ProgressDialog::~ProgressDialog() = default;

void ProgressDialog::showPhase(ProgressPhase phase) {
    phase_ = phase;
    for (const auto& [panelPhase, panel] : phasePanels_) panel->setVisible(panelPhase == phase);
}

void ProgressDialog::setPrefixLine(const QString& text) {
    ui_->LabelPrefix->setText(text);
}

void ProgressDialog::showRecordLabel(bool shown) {
    ui_->LabelRec->setVisible(shown);
}

void ProgressDialog::setRecordNumber(long n) {
    ui_->LabelRec->setText(QString::number(n));
}

void ProgressDialog::setSourceFile(const QString& path) {
    sourceFile_ = path;
    const QFontMetrics metrics(measureFont_);
    const int width = ui_->LabelFName->width();
    ui_->LabelFName->setText(shortenPath(
        path, [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; }));
}

void ProgressDialog::showBar(bool shown) {
    ui_->PanelBar->setVisible(shown);
}

void ProgressDialog::stepProgress(int n) {
    // A full bar stays full: the position is never reset.
    if (ui_->ProgBarJF->value() < ui_->ProgBarJF->maximum()) {
        ui_->ProgBarJF->setValue(
            std::clamp(n + 2, ui_->ProgBarJF->minimum(), ui_->ProgBarJF->maximum()));
    }
    QCoreApplication::processEvents();
}

void ProgressDialog::showProgress() {
    if (!isVisible()) centreOnScreen(*this);
    show();
}

void ProgressDialog::hideProgress() {
    showCancel(false);
    hide();
}

void ProgressDialog::showCancel(bool shown) {
    ui_->CancelBtn->setEnabled(true);
    ui_->CancelBtn->setVisible(shown);
    // Enter and Escape press it while it shows.
    ui_->CancelBtn->setDefault(shown);
    if (shown) ui_->CancelBtn->setFocus(Qt::OtherFocusReason);
}

void ProgressDialog::focusCancel() {
    if (!cancelShown()) return;
    activateWindow();
    raise();
    ui_->CancelBtn->setFocus(Qt::OtherFocusReason);
}

bool ProgressDialog::cancelShown() const {
    return ui_->CancelBtn->isVisibleTo(this);
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

// Escape does not close it; while the converter runs it is the Cancel button's key.
void ProgressDialog::reject() {
    if (cancelShown() && ui_->CancelBtn->isEnabled()) ui_->CancelBtn->click();
}

}  // namespace rq
