// SPDX-License-Identifier: MIT
#include "shell/placement_memory.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace rq {
namespace {

QString key(const QWidget& window) {
    return QStringLiteral("placement/") + window.objectName();
}

}  // namespace

PlacementMemory::PlacementMemory(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)) {}

QString PlacementMemory::userSettingsPath() {
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Refquill"),
                     QStringLiteral("Refquill"))
        .fileName();
}

void PlacementMemory::watch(QWidget& window) {
    window.installEventFilter(this);
}

bool PlacementMemory::eventFilter(QObject* watched, QEvent* event) {
    if (auto* window = qobject_cast<QWidget*>(watched); window != nullptr && window->isWindow()) {
        if (event->type() == QEvent::Show) restore(*window);
        // A hide of the window itself, not of the program minimised.
        if (event->type() == QEvent::Hide && !window->isMinimized()) save(*window);
    }
    return QObject::eventFilter(watched, event);
}

void PlacementMemory::restore(QWidget& window) const {
    const QVariant saved = QSettings(path_, QSettings::IniFormat).value(key(window));
    if (!saved.canConvert<QPoint>()) return;
    const QRect placed(saved.toPoint(), window.frameGeometry().size());
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().contains(placed)) {
            window.move(placed.topLeft());
            return;
        }
    }
}

void PlacementMemory::save(const QWidget& window) const {
    QSettings settings(path_, QSettings::IniFormat);
    settings.setValue(key(window), window.pos());
}

}  // namespace rq
