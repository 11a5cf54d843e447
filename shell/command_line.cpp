// SPDX-License-Identifier: MIT
#include "shell/command_line.h"

#include <QCommandLineParser>
#include <cstdio>

namespace rq {

DesktopArguments parseDesktopArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    parser.addOption(help);
    parser.addOption(version);
    DesktopArguments parsed;
    // Unknown options do not stop the parser: --help is answered whatever stands beside it.
    const bool clean = parser.parse(arguments);
    if (parser.isSet(help)) {
        parsed.action = DesktopArguments::Action::Help;
    } else if (parser.isSet(version)) {
        parsed.action = DesktopArguments::Action::Version;
    } else if (!clean) {
        parsed.action = DesktopArguments::Action::Error;
        parsed.error = parser.errorText();
    }
    parsed.files = parser.positionalArguments();
    return parsed;
}

QString desktopHelpText() {
    return QStringLiteral(
        "Usage: refquill [FILE...]\n"
        "Moves references between EndNote and JFile.\n"
        "\n"
        "Without files the window opens. Each FILE is converted at once: a JFile database\n"
        "(.pdb) to an EndNote import file, any other file (an EndNote tab-delimited export)\n"
        "to a JFile database.\n"
        "\n"
        "  -h, --help     Show this help and end.\n"
        "  -v, --version  Show the version and end.\n"
        "\n"
        "refquill-cli does the same conversions without a window; see man refquill.\n");
}

QString desktopVersionText() {
    return QStringLiteral("refquill " RQ_VERSION "\n");
}

int answerCommandLine(const DesktopArguments& parsed, bool afterToolkit) {
    switch (parsed.action) {
        case DesktopArguments::Action::Help:
            std::fputs(desktopHelpText().toLocal8Bit().constData(), stdout);
            return 0;
        case DesktopArguments::Action::Version:
            std::fputs(desktopVersionText().toLocal8Bit().constData(), stdout);
            return 0;
        case DesktopArguments::Action::Error:
            if (!afterToolkit) return -1;
            std::fprintf(stderr, "refquill: %s\nTry 'refquill --help'.\n",
                         parsed.error.toLocal8Bit().constData());
            return 2;
        case DesktopArguments::Action::Run:
            break;
    }
    return -1;
}

}  // namespace rq
