// SPDX-License-Identifier: MIT
#pragma once
// A window's widgets as text, one line each, compared with a golden file: one comparison checks
// every control's class, object name, geometry, text and tooltip. Set RQ_UPDATE_GOLDENS=1 to
// rewrite the golden files from the windows instead (then review the diff).

#include <QString>
#include <QStringList>

class QWidget;

namespace rq::test {

// The named widgets under `root` (itself included), depth first in creation order; Qt's own
// inner widgets (no name, or "qt_" names) are left out but their named children are not. Menu
// bars and menus list their entries.
QString widgetTree(const QWidget& root);

// The controls under `root` whose caption is wider or taller than the room the control gives
// it, as "name: caption"; empty when every text fits.
QStringList clippedTexts(const QWidget& root);

// Empty when widgetTree(root) equals tests/data/shell/<name>.tree; otherwise says the first line
// that differs. Rewrites the file instead under RQ_UPDATE_GOLDENS=1.
QString widgetTreeDifference(const QWidget& root, const QString& name);

}  // namespace rq::test
