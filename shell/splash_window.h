#pragma once
// The splash window that stands while the program starts, and the About box.

#include <QDialog>
#include <QWidget>

class QLabel;

namespace rq {

// Text colour of the description, version and credit lines on the black ground.
inline constexpr int kCreditRed = 128, kCreditGreen = 64, kCreditBlue = 0;

class SplashWindow : public QWidget {
    Q_OBJECT
  public:
    explicit SplashWindow(QWidget* parent = nullptr);
    // Shows the window and paints it at once.
    void showAndPaint();
};

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
};

// Labels and pictures on the black panels of both windows.
QLabel* creditLabel(QWidget* parent, const QString& text, const QRect& geometry, int pixelSize,
                    bool bold, bool serif);
QLabel* pictureLabel(QWidget* parent, const QString& resource, const QRect& geometry);

}  // namespace rq
