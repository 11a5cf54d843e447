// SPDX-License-Identifier: MIT
// The program itself, started twice: the second instance ends at once, with exit code 0 and no
// window, while the first goes on.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class InstanceTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Answered before any window: no display is needed, and no lock is taken.
    void helpAndVersionNeedNoDisplay() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        for (const char* option : {"--help", "--version"}) {
            QProcess program;
            program.setProcessEnvironment(environment);
            program.start(QStringLiteral(RQ_BIN_DIR "/refquill" RQ_EXE_SUFFIX),
                          {QString::fromLatin1(option)});
            QVERIFY(program.waitForFinished(10000));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(program.exitCode(), 0);
            const QByteArray out = program.readAllStandardOutput();
            QVERIFY2(out.startsWith(option[2] == 'h' ? "Usage: refquill" : "refquill " RQ_VERSION),
                     out.constData());
        }
    }

    void secondInstanceEndsAtOnce() {
        QTemporaryDir programFolder;
        QTemporaryDir runtimeFolder;
        const QString program = programFolder.filePath(QStringLiteral("refquill"));
        QVERIFY(QFile::copy(QStringLiteral(RQ_BIN_DIR "/refquill" RQ_EXE_SUFFIX), program));
        QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The lock lives in the runtime folder: a folder of the test's own.
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder.path());
        // Wine passes no QT_ variable on: the platform is an argument too.
        const QStringList offscreen{QStringLiteral("-platform"), QStringLiteral("offscreen")};

        QProcess first;
        first.setProcessEnvironment(environment);
        first.setWorkingDirectory(programFolder.path());
        first.start(program, offscreen);
        QVERIFY(first.waitForStarted());
        // The first instance is up once it has written its strategy file.
        const QString strategy = programFolder.filePath(QStringLiteral("Strat.jfp"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(strategy), 20000);

        QProcess second;
        second.setProcessEnvironment(environment);
        second.setWorkingDirectory(programFolder.path());
        QElapsedTimer clock;
        clock.start();
        second.start(program, offscreen);
        QVERIFY(second.waitForFinished(10000));
        // No start-up pause of one to two seconds: it never got as far as a window.
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        first.kill();
        QVERIFY(first.waitForFinished(10000));

        // The lock dies with its holder: the next start is the first again.
        QFile::remove(strategy);
        QProcess third;
        third.setProcessEnvironment(environment);
        third.start(program, offscreen);
        QVERIFY(third.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(strategy), 20000);
        QCOMPARE(third.state(), QProcess::Running);
        third.kill();
        QVERIFY(third.waitForFinished(10000));
    }
};

QTEST_MAIN(InstanceTest)
#include "instance_test.moc"
