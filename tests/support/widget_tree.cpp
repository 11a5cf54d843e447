// SPDX-License-Identifier: MIT
#include "support/widget_tree.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QWidget>
#include <algorithm>

namespace rq::test {
namespace {

bool inLayout(const QLayout& layout, const QWidget& widget) {
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (item->widget() == &widget) return true;
        if (item->layout() != nullptr && inLayout(*item->layout(), widget)) return true;
    }
    return false;
}

QString quoted(QString text) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The caption as the user reads it: a mnemonic's marker is not shown ("&&" shows one "&"), and
// the mnemonics have tests of their own.
QString withoutMnemonic(const QString& text) {
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

QString shownText(const QWidget& widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return withoutMnemonic(button->text());
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        return label->buddy() != nullptr ? withoutMnemonic(label->text()) : label->text();
    }
    if (const auto* entry = qobject_cast<const QLineEdit*>(&widget)) return entry->text();
    if (const auto* group = qobject_cast<const QGroupBox*>(&widget))
        return withoutMnemonic(group->title());
    if (widget.isWindow()) return widget.windowTitle();
    return {};
}

void describe(const QWidget& widget, const QWidget& root, int depth, QStringList& lines) {
    const QString name = widget.objectName();
    const bool listed = !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
    if (name.startsWith(QLatin1String("qt_"))) return;
    if (listed) {
        // A window's place on the screen is the window manager's: only its size is the layout's.
        const QRect r = widget.geometry();
        QString line = QString(depth * 2, QLatin1Char(' ')) +
                       QLatin1String(widget.metaObject()->className()) + QLatin1Char(' ') + name +
                       (&widget == &root ? QStringLiteral(" %1x%2").arg(r.width()).arg(r.height())
                                         : QStringLiteral(" %1,%2 %3x%4")
                                               .arg(r.x())
                                               .arg(r.y())
                                               .arg(r.width())
                                               .arg(r.height()));
        if (const QString text = shownText(widget); !text.isEmpty())
            line += QLatin1Char(' ') + quoted(text);
        if (widget.font().bold()) line += QLatin1String(" bold");
        if (widget.isHidden() && &widget != &root) line += QLatin1String(" hidden");
        if (!widget.toolTip().isEmpty()) line += QLatin1String(" tip=") + quoted(widget.toolTip());
        lines << line;
        if (qobject_cast<const QMenuBar*>(&widget) != nullptr ||
            qobject_cast<const QMenu*>(&widget) != nullptr) {
            for (const QAction* action : widget.actions()) {
                lines << QString((depth + 1) * 2, QLatin1Char(' ')) + QLatin1String("entry ") +
                             action->objectName() + QLatin1Char(' ') + quoted(action->text());
            }
        }
    }
    for (const QObject* child : widget.children()) {
        // Other windows (dialogs, menus) have trees of their own.
        const auto* inner = qobject_cast<const QWidget*>(child);
        if (inner != nullptr && !inner->isWindow())
            describe(*inner, root, depth + (listed ? 1 : 0), lines);
    }
}

}  // namespace

QStringList clippedTexts(const QWidget& root) {
    QStringList clipped;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        if (widget->window() != &root || !widget->isVisibleTo(&root)) continue;
        const QString text = shownText(*widget);
        if (text.isEmpty() || widget->isWindow()) continue;
        if (const auto* label = qobject_cast<const QLabel*>(widget); label && label->wordWrap())
            continue;
        if (qobject_cast<const QLineEdit*>(widget) != nullptr) continue;  // entries scroll
        // A layout sizes its widgets from their own size hints, which hold their texts.
        const QWidget* parent = widget->parentWidget();
        if (parent != nullptr && parent->layout() != nullptr &&
            inLayout(*parent->layout(), *widget))
            continue;
        const QFontMetrics metrics(widget->font());
        int room = widget->contentsRect().width();
        const QStyle* style = widget->style();
        if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget)) {
            room -= style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) +
                    style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget);
        } else if (qobject_cast<const QPushButton*>(widget)) {
            room -= 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, widget);
        } else if (qobject_cast<const QGroupBox*>(widget)) {
            room -= 2 * metrics.averageCharWidth();
        }
        // The inked height: a type may fill its label to the top of its capitals.
        int widest = 0;
        int tall = 0;
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            widest = std::max(widest, metrics.horizontalAdvance(line));
            tall += metrics.tightBoundingRect(line).height();
        }
        if (widest > room || tall > widget->height()) {
            clipped << QStringLiteral("%1: %2 (%3x%4 in %5x%6)")
                           .arg(widget->objectName(), text)
                           .arg(widest)
                           .arg(tall)
                           .arg(room)
                           .arg(widget->height());
        }
    }
    return clipped;
}

QString widgetTree(const QWidget& root) {
    QStringList lines;
    describe(root, root, 0, lines);
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString widgetTreeDifference(const QWidget& root, const QString& name) {
    const QString path =
        QStringLiteral(RQ_TEST_DATA_DIR "/shell/") + name + QStringLiteral(".tree");
    const QString tree = widgetTree(root);
    QFile file(path);
    if (qEnvironmentVariableIntValue("RQ_UPDATE_GOLDENS") == 1) {
        if (!file.open(QIODevice::WriteOnly) || file.write(tree.toUtf8()) < 0) {
            return QStringLiteral("cannot write ") + path;
        }
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) return QStringLiteral("cannot read ") + path;
    const QStringList want = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    const QStringList got = tree.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::max(want.size(), got.size()); ++i) {
        const QString w = want.value(i, QStringLiteral("(end)"));
        const QString g = got.value(i, QStringLiteral("(end)"));
        if (w != g) {
            return QStringLiteral("%1.tree line %2:\n  golden: %3\n  window: %4")
                .arg(name)
                .arg(i + 1)
                .arg(w, g);
        }
    }
    return {};
}

}  // namespace rq::test
