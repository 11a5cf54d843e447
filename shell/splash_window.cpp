#include "shell/splash_window.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "shell/placement.h"

namespace rq {
namespace {

void paintBlack(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, QColor(kCreditRed, kCreditGreen, kCreditBlue));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFrame* blackPanel(QWidget* parent, const QRect& geometry) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::NoFrame);  // no bevel
    panel->setGeometry(geometry);
    paintBlack(panel);
    return panel;
}

const QString kDescription = QStringLiteral("An EndNote/JFile conversion utility");

}  // namespace

QLabel* creditLabel(QWidget* parent, const QString& text, const QRect& geometry, int pixelSize,
                    bool bold, bool serif) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    if (serif) font.setFamily(QStringLiteral("Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(kCreditRed, kCreditGreen, kCreditBlue));
    label->setPalette(palette);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

QLabel* pictureLabel(QWidget* parent, const QString& resource, const QRect& geometry) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap(resource));
    label->setScaledContents(true);
    label->setGeometry(geometry);
    return label;
}

SplashWindow::SplashWindow(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FormRQSplash"));
    setFixedSize(398, 262);
    centreOnScreen(*this);
    paintBlack(this);
    QFrame* panel = blackPanel(this, rect());

    auto* product = pictureLabel(panel, QStringLiteral(":/icons/product.png"), {8, 4, 146, 106});
    product->setObjectName(QStringLiteral("Image1"));
    auto* second = pictureLabel(panel, QStringLiteral(":/icons/second.png"), {152, 8, 243, 108});
    second->setObjectName(QStringLiteral("Image2"));
    creditLabel(panel, kDescription, {40, 124, 316, 21}, 16, false, true)
        ->setObjectName(QStringLiteral("Label1"));
    creditLabel(panel, QStringLiteral("Refquill for Windows"), {76, 156, 256, 18}, 16, true, true)
        ->setObjectName(QStringLiteral("Label2"));
    creditLabel(panel, QStringLiteral("for EndNote and JFile users"), {64, 192, 283, 29}, 16, true,
                false)
        ->setObjectName(QStringLiteral("Label3"));
    pictureLabel(panel, QStringLiteral(":/icons/refquill.png"), {180, 224, 65, 33})
        ->setObjectName(QStringLiteral("Image3"));
}

void SplashWindow::showAndPaint() {
    show();
    // Painted now: no events are handled while the main window is being built.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    repaint();
}

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Refquill for Windows"));
    setFixedSize(405, 350);
    paintBlack(this);
    QFrame* panel = blackPanel(this, {0, 0, 401, 249});

    pictureLabel(panel, QStringLiteral(":/icons/product.png"), {0, 8, 146, 106})
        ->setObjectName(QStringLiteral("ProgramIcon"));
    pictureLabel(panel, QStringLiteral(":/icons/second.png"), {152, 12, 243, 108})
        ->setObjectName(QStringLiteral("Image1"));
    creditLabel(panel, QStringLiteral("Version " RQ_VERSION), {136, 116, 115, 16}, 15, true, false)
        ->setObjectName(QStringLiteral("Version"));
    auto* description = creditLabel(panel, kDescription, {80, 140, 260, 16}, 13, true, false);
    description->setObjectName(QStringLiteral("Comments"));
    description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const char* credits[4] = {"Made by the Refquill team", "https://example.org/refquill",
                              "Written for EndNote and JFile users", "refquill@example.org"};
    for (int i = 0; i < 4; ++i) {
        creditLabel(panel, QString::fromLatin1(credits[i]), {88, 160 + 20 * i, 300, 18}, 13, false,
                    false)
            ->setObjectName(QStringLiteral("Credit%1").arg(i + 1));
    }
    pictureLabel(panel, QStringLiteral(":/icons/refquill.png"), {16, 168, 65, 33})
        ->setObjectName(QStringLiteral("Image2"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("BtnOK"));
    ok->setGeometry(163, 316, 75, 29);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace rq
