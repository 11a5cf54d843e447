#include "shell/progress_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "engine/path.h"

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

namespace {

QFont movingFont() {
    QFont f;
    f.setPixelSize(18);
    f.setBold(true);
    f.setItalic(true);
    return f;
}

// One panel per phase, only one of them visible at a time: "Moving", the picture of the format
// read, "to", the picture of the format written.
struct PhasePicture {
    ProgressPhase phase;
    const char* panelName;
    const char* fromPicture;
    const char* toPicture;
};
constexpr PhasePicture kPhasePictures[] = {
    {ProgressPhase::EndNoteToCsv, "Panel5", ":/icons/endnote.png", ":/icons/csv.png"},
    {ProgressPhase::CsvToJFile, "Panel1", ":/icons/csv.png", ":/icons/jfile.png"},
    {ProgressPhase::JFileToCsv, "Panel2", ":/icons/jfile.png", ":/icons/csv.png"},
    {ProgressPhase::CsvToEndNote, "Panel4", ":/icons/csv.png", ":/icons/endnote.png"},
};

QLabel* picture(QWidget* parent, const char* resource, int left) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap(QString::fromLatin1(resource)));
    label->setGeometry(left, 2, 56, 60);
    return label;
}

}  // namespace

ProgressDialog::ProgressDialog(const QFont& measureFont, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      measureFont_(measureFont) {
    setObjectName(QStringLiteral("progDlg"));
    setWindowTitle(QStringLiteral("Conversion in Progress"));
    setFixedSize(308, 169);
    setModal(false);

    auto* label9 = new QLabel(QStringLiteral("Source File"), this);
    label9->setObjectName(QStringLiteral("Label9"));
    label9->setGeometry(8, 6, 80, 16);
    labelFName_ = new QLabel(this);
    labelFName_->setObjectName(QStringLiteral("LabelFName"));
    labelFName_->setGeometry(96, 6, 200, 16);
    labelFName_->setFont(measureFont_);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("Bevel1"));
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setGeometry(8, 26, 292, 72);
    for (const PhasePicture& row : kPhasePictures) {
        QFrame* panel = makePhasePanel(row.panelName, row.fromPicture, row.toPicture);
        panel->setParent(frame);
        panel->setGeometry(4, 4, 284, 64);
        phasePanels_.emplace_back(row.phase, panel);
    }

    labelPrefix_ = new QLabel(this);
    labelPrefix_->setObjectName(QStringLiteral("LabelPrefix"));
    labelPrefix_->setGeometry(8, 106, 200, 16);
    labelRec_ = new QLabel(this);
    labelRec_->setObjectName(QStringLiteral("LabelRec"));
    labelRec_->setGeometry(212, 106, 88, 16);

    panelBar_ = new QFrame(this);
    panelBar_->setObjectName(QStringLiteral("PanelBar"));
    panelBar_->setGeometry(8, 130, 292, 32);
    progBarJF_ = new QProgressBar(panelBar_);
    progBarJF_->setObjectName(QStringLiteral("ProgBarJF"));
    progBarJF_->setRange(1, 100);
    progBarJF_->setValue(1);
    progBarJF_->setTextVisible(false);
    progBarJF_->setGeometry(4, 6, 284, 20);

    showPhase(ProgressPhase::EndNoteToCsv);
}

QFrame* ProgressDialog::makePhasePanel(const char* name, const char* fromPicture,
                                       const char* toPicture) {
    auto* panel = new QFrame(this);
    panel->setObjectName(QString::fromLatin1(name));
    auto* moving = new QLabel(QStringLiteral("Moving"), panel);
    moving->setFont(movingFont());
    moving->setGeometry(4, 20, 80, 24);
    picture(panel, fromPicture, 86);
    auto* to = new QLabel(QStringLiteral("to"), panel);
    to->setFont(movingFont());
    to->setGeometry(150, 20, 30, 24);
    picture(panel, toPicture, 184);
    return panel;
}

void ProgressDialog::showPhase(ProgressPhase phase) {
    phase_ = phase;
    for (const auto& [panelPhase, panel] : phasePanels_) panel->setVisible(panelPhase == phase);
}

void ProgressDialog::setPrefixLine(const QString& text) {
    labelPrefix_->setText(text);
}

void ProgressDialog::showRecordLabel(bool shown) {
    labelRec_->setVisible(shown);
}

void ProgressDialog::setRecordNumber(long n) {
    labelRec_->setText(QString::number(n));
}

void ProgressDialog::setSourceFile(const QString& path) {
    const QFontMetrics metrics(measureFont_);
    const int width = labelFName_->width();
    labelFName_->setText(shortenPath(
        path, [&](const QString& text) { return metrics.horizontalAdvance(text) <= width; }));
}

void ProgressDialog::showBar(bool shown) {
    panelBar_->setVisible(shown);
}

void ProgressDialog::stepProgress(int n) {
    // A full bar stays full: the position is never reset.
    if (progBarJF_->value() < progBarJF_->maximum()) {
        progBarJF_->setValue(std::clamp(n + 2, progBarJF_->minimum(), progBarJF_->maximum()));
    }
    QCoreApplication::processEvents();
}

void ProgressDialog::showProgress() {
    show();
}

void ProgressDialog::hideProgress() {
    hide();
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void ProgressDialog::reject() {}  // Escape does not close it either

ConverterErrorDialog::ConverterErrorDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("ConvErrorDialog"));
    setWindowTitle(QStringLiteral("Error Report"));
    setFixedSize(313, 242);

    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("Bevel1"));
    frame->setGeometry(8, 8, 297, 185);
    auto* text = new QLabel(
        QStringLiteral("The external Convertor reported an error. The logfile \"jconvpro.err\" "
                       "contained the following information"),
        frame);
    text->setObjectName(QStringLiteral("Label1"));
    text->setWordWrap(true);
    text->setGeometry(8, 8, 281, 44);
    memo1_ = new QPlainTextEdit(frame);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    memo1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo1_->setGeometry(8, 56, 281, 121);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setGeometry(72, 204, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    cancel->setGeometry(166, 204, 75, 25);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool ConverterErrorDialog::showLog(const QString& path) {
    memo1_->clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    QStringList lines;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
        lines << QString::fromLatin1(line);
    }
    memo1_->setPlainText(lines.join(QLatin1Char('\n')));
    return true;
}

}  // namespace rq
