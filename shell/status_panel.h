// SPDX-License-Identifier: MIT
#pragma once
// A panel of the status bar that never cuts its text silently: a text too wide for the panel
// ends in "…", and the tooltip always holds the whole text.

#include <QLabel>
#include <QString>

namespace rq {

class StatusPanel : public QLabel {
    Q_OBJECT
  public:
    explicit StatusPanel(QWidget* parent = nullptr);

    void setFullText(const QString& text);
    const QString& fullText() const { return fullText_; }

    // The panel takes the room it is given, whatever its text; it does not widen the window.
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void showFitted();

    QString fullText_;
};

}  // namespace rq
