// SPDX-License-Identifier: MIT
// Windows: a folder that "Strat.jfp" keeps by its short (8.3) name shows in Settings by the name
// the user knows, and the strategy gets that name back; the Windows style is linked in, while
// the window tests keep Fusion.
#include <windows.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QtTest>

#include "engine/strategy.h"
#include "gui_suites.h"
#include "shell/native_names.h"
#include "shell/prompts.h"
#include "shell/settings_dialog.h"

using namespace rq;
using rq::test::named;

namespace {

QString shortName(const QString& path) {
    const std::wstring wide = QDir::toNativeSeparators(path).toStdWString();
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetShortPathNameW(wide.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? QString::fromWCharArray(buffer, length) : QString();
}

}  // namespace

class NativeNamesTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void theWindowsStyleIsThereAndTheTestsKeepFusion() {
        QVERIFY(
            QStyleFactory::keys().contains(QStringLiteral("windowsvista"), Qt::CaseInsensitive));
        QCOMPARE(QApplication::style()->name(), QStringLiteral("fusion"));
    }

    void settingsShowTheLongFolderName() {
        QTemporaryDir root;
        const QString folder = QDir::toNativeSeparators(
            root.filePath(QString::fromUtf8("\u0141\u00F3d\u017A references of a long name")));
        QVERIFY(QDir().mkpath(folder));
        const QString stored = shortName(folder);
        QVERIFY2(!stored.isEmpty() && stored != folder, qPrintable(stored));
        QCOMPARE(longFolderName(stored), folder);
        // Missing folders and empty rows stay as they are.
        const QString missing = QDir::toNativeSeparators(root.filePath(QStringLiteral("GONE~1")));
        QCOMPARE(longFolderName(missing), missing);
        QCOMPARE(longFolderName(QString()), QString());

        Prompts prompts;
        SettingsDialog dialog(prompts);
        Strategy strategy;
        strategy.endNoteFolder = pathFromQt(stored);
        strategy.palmInstallFolder = pathFromQt(missing);
        QString shown;
        prompts.setNextDialogHandler([&shown](QDialog& settings) {
            shown = named<QLineEdit*>(settings, QStringLiteral("EditENPath"))->text();
            return int(QDialog::Accepted);
        });
        dialog.showSettings(strategy);
        QCOMPARE(shown, folder);
        QCOMPARE(pathToQt(strategy.endNoteFolder), folder);
        QCOMPARE(pathToQt(strategy.palmInstallFolder), missing);
    }
};

RQ_GUI_SUITE(NativeNamesTest);
#include "native_names_test.moc"
