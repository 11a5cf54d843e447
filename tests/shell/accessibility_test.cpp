// SPDX-License-Identifier: MIT
// The windows for everyone: what a screen reader says of each control, the keyboard alone, and
// a dark palette.
#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "gui_suites.h"
#include "shell/field_properties_dialog.h"
#include "shell/folder_browser.h"
#include "shell/progress_dialog.h"
#include "shell/settings_dialog.h"
#include "shell/splash_window.h"
#include "shell_test_support.h"

using namespace rq;
using rq::test::named;
using rq::test::WindowFixture;

namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(QAccessible::Name) : QString();
}

std::vector<QWidget*> everyWindow(MainWindow& window) {
    std::vector<QWidget*> windows{&window};
    for (QDialog* dialog : window.findChildren<QDialog*>(QString(), Qt::FindDirectChildrenOnly))
        windows.push_back(dialog);
    return windows;
}

// The controls the keyboard can reach: the ones a screen reader must be able to name.
QList<QWidget*> focusable(QWidget& window) {
    QList<QWidget*> found;
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (!child->isWindow() && child->window() == &window &&
            (child->focusPolicy() & Qt::TabFocus) && !child->objectName().startsWith("qt_") &&
            !child->objectName().isEmpty())
            found << child;
    }
    return found;
}

// WCAG's relative luminance and contrast ratio.
double luminance(const QColor& c) {
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Whether the widget or one of its parents paints a ground of its own.
bool paintedGround(const QWidget& widget) {
    for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
        if (w->autoFillBackground()) return true;
    }
    return false;
}

// The colour a widget's text stands on: the nearest ground painted on purpose, else the window's.
QColor groundOf(const QWidget& widget) {
    for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
        if (w->autoFillBackground() || w->isWindow())
            return w->palette().color(w->backgroundRole());
    }
    return widget.palette().color(QPalette::Window);
}

QPalette darkPalette() {
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    return dark;
}

}  // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void everyFocusableControlHasAName() {
        WindowFixture f;
        MainWindow& window = f.open();
        FolderBrowser browser(QStringLiteral("Title"), QString());
        std::vector<QWidget*> windows = everyWindow(window);
        windows.push_back(&browser);
        for (QWidget* shown : windows) {
            shown->show();
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            QStringList names;
            for (QWidget* control : focusable(*shown)) {
                const QString name = accessibleName(control);
                QVERIFY2(!name.trimmed().isEmpty(), qPrintable(control->objectName()));
                names << name;
            }
            // No two controls of a window go by the same name.
            QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
            shown->hide();
        }
        auto* author = f.child<QLineEdit*>("EDfn2");
        QCOMPARE(accessibleName(author), QStringLiteral("Maximum length of Author"));
        window.setFieldCaption(2, "Writer");
        QCOMPARE(accessibleName(author), QStringLiteral("Maximum length of Writer"));
        QCOMPARE(accessibleName(named<QLineEdit*>(*window.settingsDialog(), "EditPalmInstallPath")),
                 QStringLiteral("Palm Install"));
        QCOMPARE(accessibleName(named<QPushButton*>(*window.settingsDialog(), "ButtonBrEN")),
                 QStringLiteral("Browse for the EndNote folder"));
        QCOMPARE(accessibleName(named<QLineEdit*>(*window.settingsDialog(), "EditHSId")),
                 QStringLiteral("Palm Hotsync ID"));
        QCOMPARE(accessibleName(named<QLineEdit*>(*window.fieldDialog(), "EditFldSize")),
                 QStringLiteral("JFile column width"));
    }

    void everyButtonHasItsOwnMnemonic() {
        WindowFixture f;
        MainWindow& window = f.open();
        for (QWidget* shown : everyWindow(window)) {
            QStringList keys;
            for (QAbstractButton* button : shown->findChildren<QAbstractButton*>()) {
                // The field boxes are 31 and reached by Tab; every other button has its key.
                if (button->window() != shown || qobject_cast<QCheckBox*>(button) ||
                    button->objectName().isEmpty() || button->objectName().startsWith("qt_"))
                    continue;
                const QKeySequence key = QKeySequence::mnemonic(button->text());
                QVERIFY2(!key.isEmpty(), qPrintable(button->objectName()));
                keys << key.toString();
            }
            QCOMPARE(QSet<QString>(keys.begin(), keys.end()).size(), keys.size());
        }
        QCOMPARE(f.child<QPushButton*>("Btn2JF")->text().remove('&'),
                 QStringLiteral("EndNote to  JFile"));
    }

    void fieldMenuAndPropertiesFromTheKeyboard() {
        WindowFixture f;
        MainWindow& window = f.open();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* box = f.child<QCheckBox*>("CBfn3");
        box->setFocus();
        auto* menu = f.child<QMenu*>("PopupField");
        QTest::keyClick(box, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(menu->isVisible());
        menu->hide();
        // The menu's entry acts on the field it was opened for.
        QString caption;
        f.prompts.setNextDialogHandler([&](QDialog& dialog) {
            caption = dialog.windowTitle();
            return int(QDialog::Rejected);
        });
        menu->actions().first()->trigger();
        QCOMPARE(caption, QStringLiteral(" Set JFile Field attributes for Year"));
        // The window's own entry, from a width entry.
        f.child<QLineEdit*>("EDfn4")->setFocus();
        f.prompts.setNextDialogHandler([&](QDialog& dialog) {
            caption = dialog.windowTitle();
            return int(QDialog::Rejected);
        });
        QTest::keyClick(f.child<QLineEdit*>("EDfn4"), Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(caption, QStringLiteral(" Set JFile Field attributes for Title"));
    }

    void progressCancelIsTheDefaultWithFocus() {
        ProgressDialog progress{QFont()};
        QSignalSpy asked(&progress, &ProgressDialog::cancelRequested);
        progress.showProgress();
        QTest::keyClick(&progress, Qt::Key_Escape);  // nothing to cancel yet
        QCOMPARE(asked.count(), 0);
        progress.showCancel(true);
        auto* cancel = named<QPushButton*>(progress, "CancelBtn");
        QVERIFY(cancel->isDefault());
        QCOMPARE(progress.focusWidget(), static_cast<QWidget*>(cancel));
        QTest::keyClick(&progress, Qt::Key_Return);
        QCOMPARE(asked.count(), 1);
        progress.showCancel(true);
        QTest::keyClick(&progress, Qt::Key_Escape);
        QCOMPARE(asked.count(), 2);
        QVERIFY(progress.isVisible());
        progress.hideProgress();
    }

    void everyTextReadsOnADarkPalette() {
        struct PaletteGuard {
            QPalette before = QApplication::palette();
            ~PaletteGuard() { QApplication::setPalette(before); }
        } guard;
        QApplication::setPalette(darkPalette());
        WindowFixture f;
        MainWindow& window = f.open();
        SplashWindow splash;
        FolderBrowser browser(QStringLiteral("Title"), QString());
        window.showManual();
        std::vector<QWidget*> windows = everyWindow(window);
        windows.insert(windows.end(), {&splash, &browser});
        for (QWidget* shown : windows) {
            for (QWidget* w : shown->findChildren<QWidget*>()) {
                if (w->window() != shown) continue;
                const auto* label = qobject_cast<QLabel*>(w);
                // A picture with see-through parts needs a ground of its own under it.
                if (label != nullptr && !label->pixmap().isNull() &&
                    label->pixmap().hasAlphaChannel()) {
                    QVERIFY2(paintedGround(*w), qPrintable(w->objectName()));
                }
                const bool text = (label != nullptr && !label->text().isEmpty()) ||
                                  qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w);
                if (!text) continue;
                const QColor ink = w->palette().color(w->foregroundRole());
                QVERIFY2(contrast(ink, groundOf(*w)) >= 2.5,
                         qPrintable(shown->objectName() + "/" + w->objectName()));
            }
        }
    }
};

RQ_GUI_SUITE(AccessibilityTest);
#include "accessibility_test.moc"
