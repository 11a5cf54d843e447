// SPDX-License-Identifier: MIT
#include "app/cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "platform/data_folder.h"

namespace rq {

namespace {

int width(std::string_view text) {
    return static_cast<int>(text.size());
}

// The options every command takes, before or after the command's name. The per-user data
// folder between the two parts is the platform's.
constexpr const char* kHomeHelp =
    "  --home DIR         keep Strat.jfp, Log.txt, RQWork and Import and Export in DIR\n"
    "                     (default: $REFQUILL_HOME, else beside this program when you\n"
    "                     may write there, else ";
constexpr const char* kOptionsHelp =
    ")\n"
    "  -q, --quiet        print only errors\n"
    "  -v, --verbose      also print the converter's command line, the work paths and\n"
    "                     the time each step took\n"
    "  --no-wait          end at once with status 1 when another conversion holds the\n"
    "                     folder, instead of waiting for it\n"
    "  --timeout SECONDS  stop a converter that runs longer (default: no limit)\n"
    "  -h, --help         print this help; after a command, that command's help\n"
    "  --version          print the version\n"
    "  --                 end of the options: what follows are file names\n";

constexpr const char* kExitStatusHelp =
    "exit status: 0 without error messages, 1 after one or when a file was not\n"
    "converted, 2 for wrong usage, 130 when interrupted\n";

Invocation usageError(std::string problem) {
    Invocation invocation;
    invocation.action = Invocation::Action::UsageError;
    invocation.problem = std::move(problem);
    return invocation;
}

}  // namespace

Invocation parseCommandLine(const std::vector<std::string>& args) {
    Invocation result;
    bool help = false;
    bool version = false;

    CLI::App app{"", std::string(kProgram)};
    // "/x" is a path, not an option, on every system: Windows builds would read it as one.
    app.allow_windows_style_options(false);
    app.set_help_flag();
    app.fallthrough();
    app.require_subcommand(0, 1);
    app.add_flag("-h,--help", help);
    app.add_flag("--version", version);
    app.add_option("--home", result.home)->type_name("DIR");
    CLI::Option* quiet = app.add_flag("-q,--quiet", result.quiet);
    app.add_flag("-v,--verbose", result.verbose)->excludes(quiet);
    app.add_flag("--no-wait", result.noWait);
    app.add_option("--timeout", result.timeoutSeconds)
        ->type_name("SECONDS")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1'000'000'000}));

    struct Parsed {
        CLI::App* app = nullptr;
        const CommandInfo* info = nullptr;
        bool help = false;
        std::vector<std::string> positional;
        std::string output;
    };
    std::vector<Parsed> parsed;
    parsed.reserve(std::size(kCommands));
    for (const CommandInfo& info : kCommands) {
        Parsed& p = parsed.emplace_back();
        p.app = app.add_subcommand(std::string(info.name), std::string(info.summary));
        p.info = &info;
        p.app->set_help_flag();
        p.app->add_flag("-h,--help", p.help);
        if (!info.outputName.empty())
            p.app->add_option("-o", p.output)->type_name(std::string(info.outputName));
        p.app->add_option("files", p.positional);
    }

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        // Before a command is named, a word that is not an option can only be a command.
        if (app.get_subcommands().empty() && dynamic_cast<const CLI::ExtrasError*>(&error)) {
            const std::vector<std::string> extras = app.remaining();
            if (!extras.empty() && (extras.front().empty() || extras.front().front() != '-'))
                return usageError("unknown command '" + extras.front() + "'");
        }
        return usageError(error.what());
    }

    const Parsed* chosen = nullptr;
    for (const Parsed& p : parsed)
        if (p.app->parsed()) chosen = &p;
    if (help) {
        result.action = Invocation::Action::Help;
        return result;
    }
    if (version) {
        result.action = Invocation::Action::Version;
        return result;
    }
    if (chosen == nullptr) return usageError("no command given");
    result.command = chosen->info;
    if (chosen->help) {
        result.action = Invocation::Action::CommandHelp;
        return result;
    }

    const CommandInfo& info = *chosen->info;
    const std::string name(info.name);
    const std::size_t given = chosen->positional.size();
    if (given != info.positionalCount && !(info.moreAllowed && given > info.positionalCount))
        return usageError(name + " takes " + std::string(info.synopsis));
    if (!info.outputName.empty() && chosen->output.empty()) return usageError(name + " needs -o");
    if (app.count("--home") > 0 && result.home.empty()) return usageError("--home needs a folder");

    result.action = Invocation::Action::Run;
    result.positional = chosen->positional;
    result.output = chosen->output;
    return result;
}

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage: %.*s [OPTIONS] COMMAND ARGS...\n", width(kProgram), kProgram.data());
    for (const CommandInfo& c : kCommands) {
        std::fprintf(to, "       %.*s [OPTIONS] %.*s %.*s\n", width(kProgram), kProgram.data(),
                     width(c.name), c.name.data(), width(c.synopsis), c.synopsis.data());
    }
    std::fprintf(to, "       %.*s COMMAND --help\n", width(kProgram), kProgram.data());
    std::fprintf(to, "       %.*s --help | --version\n", width(kProgram), kProgram.data());
}

void printHelp(std::FILE* to) {
    printUsage(to);
    std::fprintf(to, "\ncommands:\n");
    for (const CommandInfo& c : kCommands) {
        std::fprintf(to, "  %-12.*s %.*s\n", width(c.name), c.name.data(), width(c.summary),
                     c.summary.data());
    }
    std::fprintf(to, "\noptions:\n%s%s%s\n%s", kHomeHelp, kPerUserDataFolderHelp, kOptionsHelp,
                 kExitStatusHelp);
}

void printCommandHelp(std::FILE* to, const CommandInfo& c) {
    std::fprintf(to, "usage: %.*s [OPTIONS] %.*s %.*s\n\n%.*s\n", width(kProgram), kProgram.data(),
                 width(c.name), c.name.data(), width(c.synopsis), c.synopsis.data(),
                 width(c.summary), c.summary.data());
    if (!c.outputName.empty()) {
        std::fprintf(to, "\n  -o %-15.*s %.*s\n", width(c.outputName), c.outputName.data(),
                     width(c.outputHelp), c.outputHelp.data());
    }
    std::fprintf(to, "\noptions:\n%s%s%s\n%s", kHomeHelp, kPerUserDataFolderHelp, kOptionsHelp,
                 kExitStatusHelp);
}

}  // namespace rq
