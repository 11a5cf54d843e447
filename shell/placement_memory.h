// SPDX-License-Identifier: MIT
#pragma once
// Where the user left each window: saved when it hides, given back when it shows again, in this
// run or the next. A place that lies on no screen any more (a screen taken away, a smaller
// one) is not given back: the window opens where it would have opened anyway.

#include <QObject>
#include <QString>

class QWidget;

namespace rq {

class PlacementMemory : public QObject {
    Q_OBJECT
  public:
    // The places are kept in the settings file at `path` (the user's own, for the program).
    explicit PlacementMemory(QString path, QObject* parent = nullptr);
    // The user's settings file of the program.
    static QString userSettingsPath();

    // Remembers the window under its object name.
    void watch(QWidget& window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void restore(QWidget& window) const;
    void save(const QWidget& window) const;

    QString path_;
};

}  // namespace rq
