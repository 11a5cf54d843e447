// SPDX-License-Identifier: MIT
// The settings dialog's folder browser: two-line title above the tree, a plain caption, and
// opened at the folder the row already names.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include "gui_suites.h"
#include "shell/folder_browser.h"
#include "shell/prompts.h"
#include "shell/settings_dialog.h"

using namespace rq;
using rq::test::named;

namespace {

const QString kInstallTitle =
    QStringLiteral("Palm Install Folder\n(Usually c:\\palm\\yourname\\Install)");

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void browserOpensAtTheFolderAlreadySet_data() {
        QTest::addColumn<QString>("start");  // below the temporary folder; "-" for none
        QTest::addColumn<QString>("selected");
        QTest::newRow("existing") << "a/b"
                                  << "a/b";
        QTest::newRow("with a trailing separator") << "a/b/"
                                                   << "a/b";
        QTest::newRow("missing") << "a/missing"
                                 << "";
        QTest::newRow("a file") << "a/file.txt"
                                << "";
        QTest::newRow("empty") << "-"
                               << "";
    }

    void browserOpensAtTheFolderAlreadySet() {
        QFETCH(QString, start);
        QFETCH(QString, selected);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("a/b")));
        QFile file(root.filePath(QStringLiteral("a/file.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QString startPath = start == QLatin1String("-")
                                      ? QString()
                                      : QDir::toNativeSeparators(root.path() + '/' + start);
        FolderBrowser browser(kInstallTitle, startPath);
        const QString expected =
            selected.isEmpty()
                ? QString()
                : QDir::toNativeSeparators(QDir(root.path()).absoluteFilePath(selected));
        QCOMPARE(browser.selectedFolder(), expected);
        // OK answers only with a folder.
        QCOMPARE(named<QPushButton*>(browser, QStringLiteral("OKBtn"))->isEnabled(),
                 !selected.isEmpty());
    }

    void browseButtonsOpenAtTheirRowsText() {
        Prompts prompts;
        SettingsDialog dialog(prompts);
        Strategy strategy;
        strategy.endNoteFolder = "/en";
        strategy.palmInstallFolder = "/install";
        strategy.palmBackupFolder = "";
        prompts.setNextFolder(std::nullopt);
        prompts.setNextFolder(std::nullopt);
        prompts.setNextFolder(std::nullopt);
        prompts.setNextDialogHandler([&](QDialog& shown) {
            named<QLineEdit*>(shown, QStringLiteral("EditENPath"))
                ->setText(QStringLiteral("/typed"));
            for (const char* button :
                 {"ButtonBrEN", "ButtonBrPalmInstall", "ButtonBrowseIncPalm"}) {
                named<QPushButton*>(shown, QString::fromLatin1(button))->click();
            }
            shown.reject();
            return shown.result();
        });
        dialog.showSettings(strategy);
        QCOMPARE(prompts.folderStarts(), (QStringList{"/typed", "/install", ""}));
    }
};

RQ_GUI_SUITE(SettingsDialogTest);
#include "settings_dialog_test.moc"
