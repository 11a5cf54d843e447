// SPDX-License-Identifier: MIT
// Runs every suite that joined with RQ_GUI_SUITE; the exit status counts the failed cases.
// A first argument that names a suite runs that suite alone, with QTest's arguments after it:
//   shell_usability_test FieldPropertiesDialogTest tabAndShiftTabMoveTheFocus
#include <QApplication>
#include <QtTest>

#include "gui_suites.h"
#include "shell/startup.h"

namespace rq::test {

std::vector<SuiteFactory>& guiSuites() {
    static std::vector<SuiteFactory> suites;
    return suites;
}

}  // namespace rq::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    rq::initShellResources();
    const QString only =
        argc > 1 && argv[1][0] != '-' ? QString::fromLocal8Bit(argv[1]) : QString();
    QStringList arguments = app.arguments();
    if (!only.isEmpty()) arguments.removeAt(1);
    int failed = 0;
    bool found = only.isEmpty();
    for (const auto& factory : rq::test::guiSuites()) {
        const std::unique_ptr<QObject> suite = factory();
        if (!only.isEmpty() && only != QLatin1String(suite->metaObject()->className())) continue;
        found = true;
        failed += QTest::qExec(suite.get(), arguments);
    }
    if (!found) qFatal("no suite named %s", qPrintable(only));
    return failed;
}
