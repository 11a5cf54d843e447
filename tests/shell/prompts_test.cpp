// SPDX-License-Identifier: MIT
// What every dialog shares through Prompts: where it opens, and the file dialog's filter labels.
#include <QComboBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

#include "gui_suites.h"
#include "shell/about_box.h"
#include "shell/converter_error_dialog.h"
#include "shell/progress_dialog.h"
#include "shell/prompts.h"
#include "shell/settings_dialog.h"

using namespace rq;
using rq::test::named;

namespace {

QPoint centredPosition(const QWidget& window) {
    return QGuiApplication::primaryScreen()->availableGeometry().center() - window.rect().center();
}

}  // namespace

class PromptsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void dialogsOpenCentredAtEveryUse() {
        Prompts prompts;
        QWidget owner;
        SettingsDialog settings(prompts, &owner);
        AboutBox about(&owner);
        ConverterErrorDialog report(&owner);
        for (QDialog* dialog : std::initializer_list<QDialog*>{&settings, &about, &report}) {
            QList<QPoint> opened;
            for (int use = 0; use < 3; ++use) {
                prompts.setNextDialogHandler([&](QDialog& shown) {
                    shown.show();
                    opened << shown.pos();
                    // Where the window system leaves it must not count next time.
                    shown.hide();
                    shown.move(shown.pos() + QPoint(0, 20));
                    return int(QDialog::Rejected);
                });
                prompts.exec(*dialog);
            }
            const QPoint centre = centredPosition(*dialog);
            QCOMPARE(opened, (QList<QPoint>{centre, centre, centre}));
        }
    }

    void progressOpensCentredEachTime() {
        ProgressDialog progress{QFont()};
        progress.showProgress();
        QCOMPARE(progress.pos(), centredPosition(progress));
        progress.hideProgress();
        progress.move(progress.pos() + QPoint(0, 20));
        progress.showProgress();
        QCOMPARE(progress.pos(), centredPosition(progress));
        // While it stays on the screen, a further show leaves it where the user put it.
        progress.move(QPoint(10, 10));
        progress.showProgress();
        QCOMPARE(progress.pos(), QPoint(10, 10));
    }

    void filterLabelsAreShownOnceAsWritten_data() {
        QTest::addColumn<QString>("pairs");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("exports") << "Endnote Export files(REVuz)|*.txt"
                                 << QStringList{"Endnote Export files(REVuz)"};
        QTest::newRow("databases") << "Refquill PDB  File (RQ-*.PDB)|RQ-*.PDB|All PDB files|*.pdb"
                                   << QStringList{"Refquill PDB  File (RQ-*.PDB)", "All PDB files"};
    }

    void filterLabelsAreShownOnceAsWritten() {
        QFETCH(QString, pairs);
        QFETCH(QStringList, labels);
        const auto dialog = makeOpenFilesDialog(nullptr, QDir::tempPath(), qtFileFilter(pairs));
        auto* types = named<QComboBox*>(*dialog, QStringLiteral("fileTypeCombo"));
        QStringList shown;
        for (int i = 0; i < types->count(); ++i) shown << types->itemText(i);
        QCOMPARE(shown, labels);
        QCOMPARE(types->currentIndex(), 0);
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
    }

    void aChosenFilterStillFiltersByItsPattern() {
        QTemporaryDir folder;
        for (const char* name : {"RQ-a.PDB", "b.pdb", "c.txt"}) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const auto dialog = makeOpenFilesDialog(
            nullptr, folder.path(),
            qtFileFilter(
                QStringLiteral("Refquill PDB  File (RQ-*.PDB)|RQ-*.PDB|All PDB files|*.pdb")));
        auto* types = named<QComboBox*>(*dialog, QStringLiteral("fileTypeCombo"));
        types->setCurrentIndex(1);
        QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("All PDB files"));
        QCOMPARE(dialog->nameFilters().value(1), QStringLiteral("All PDB files (*.pdb)"));
    }
};

RQ_GUI_SUITE(PromptsTest);
#include "prompts_test.moc"
