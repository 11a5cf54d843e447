// SPDX-License-Identifier: MIT
#pragma once
// The desktop program's command line: --help and --version are answered before any window
// (and without a display); the other arguments are files to convert at once.

#include <QString>
#include <QStringList>

namespace rq {

struct DesktopArguments {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QStringList files;
    QString error;  // for Error: what was wrong
};

// `arguments` as the program got them, its own path first. Toolkit options such as
// "-platform offscreen" count as unknown: parse again after the toolkit has taken its own.
DesktopArguments parseDesktopArguments(const QStringList& arguments);

// What --help and --version print.
QString desktopHelpText();
QString desktopVersionText();

// Answers --help, --version and a wrong option on standard output or error. Returns the exit
// code when the program is to end here, or -1 when it is to start. `afterToolkit` says the
// toolkit has already removed its own options, so unknown options are errors.
int answerCommandLine(const DesktopArguments& parsed, bool afterToolkit);

}  // namespace rq
