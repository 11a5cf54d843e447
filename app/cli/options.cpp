// SPDX-License-Identifier: MIT
#include "app/cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <numeric>

#include "platform/console.h"
#include "platform/data_folder.h"

namespace rq {

namespace {

int width(std::string_view text) {
    return static_cast<int>(text.size());
}

// The options every command takes, before or after the command's name. %s: the per-user data
// folder as the platform names it.
constexpr const char* kOptionsHelp =
    "  --home DIR         keep Strat.jfp, Log.txt, RQWork and Import and Export in DIR\n"
    "                     (default: $REFQUILL_HOME, else beside this program when you\n"
    "                     may write there, else %s)\n"
    "  -q, --quiet        print only errors and warnings\n"
    "  -v, --verbose      also print the converter's command line, the work paths and\n"
    "                     the time each step took\n"
    "  --no-wait          end at once with status 1 when another conversion holds the\n"
    "                     folder, instead of waiting for it\n"
    "  --timeout SECONDS  stop a converter that runs longer (default: no limit)\n"
    "  --format FORMAT    what from-jfile writes: endnote (the default), ris, bibtex\n"
    "                     or csl-json\n"
    "  -h, --help         print this help; after a command, that command's help\n"
    "  --version          print the version\n"
    "  --                 end of the options: what follows are file names\n";

constexpr const char* kExitStatusHelp =
    "exit status: 0 without error messages, 1 after one or when a file was not\n"
    "converted, 2 for wrong usage, 128 + N after signal N (130 for Ctrl-C)\n";

constexpr std::string_view kHelpCommand = "help";

// What each option's value is, for "OPTION needs ...".
struct ValueName {
    std::string_view option;
    std::string_view value;
};
constexpr ValueName kValueNames[] = {
    {"--home", "a folder"},
    {"--timeout", "a number of seconds"},
    {"-o", "a file name"},
    {"--out-dir", "a folder"},
};

Invocation usageError(std::string problem, const CommandInfo* command = nullptr) {
    Invocation invocation;
    invocation.action = Invocation::Action::UsageError;
    invocation.problem = std::move(problem);
    invocation.command = command;
    return invocation;
}

const CommandInfo* findCommand(std::string_view name) {
    for (const CommandInfo& c : kCommands)
        if (c.name == name) return &c;
    return nullptr;
}

std::vector<std::string_view> commandNames() {
    std::vector<std::string_view> names{kHelpCommand};
    for (const CommandInfo& c : kCommands) names.push_back(c.name);
    return names;
}

std::string withSuggestion(std::string text, std::string_view word,
                           const std::vector<std::string_view>& known) {
    const std::string closest = closestWord(word, known);
    if (!closest.empty()) text += "; did you mean '" + closest + "'?";
    return text;
}

std::string unknownCommand(std::string_view word) {
    return withSuggestion("unknown command '" + std::string(word) + "'", word, commandNames());
}

// CLI11's messages start with the option they are about: "--timeout: Value 0 not in range".
std::string optionOf(const CLI::Error& error) {
    const std::string text = error.what();
    const std::size_t colon = text.find(':');
    return colon == std::string::npos ? std::string() : text.substr(0, colon);
}

// CLI11's message in the program's own words.
std::string reworded(const CLI::ParseError& error, const std::vector<std::string>& extras,
                     const std::vector<std::string_view>& optionNames, bool commandGiven) {
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && !extras.empty()) {
        const std::string& word = extras.front();
        if (!word.empty() && word.front() == '-')
            return withSuggestion("unknown option '" + word + "'", word, optionNames);
        return commandGiven ? "unexpected argument '" + word + "'" : unknownCommand(word);
    }
    const std::string option = optionOf(error);
    if (dynamic_cast<const CLI::ExcludesError*>(&error) != nullptr)
        return "--quiet and --verbose cannot be used together";
    if (option == "--timeout")
        return "--timeout takes a whole number of seconds from 1 to 1000000000";
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        if (std::string_view(error.what()).find("At Most") != std::string_view::npos)
            return option + " may be given only once";
        for (const ValueName& v : kValueNames)
            if (v.option == option) return option + " needs " + std::string(v.value);
    }
    return error.what();
}

void printSeeHelp(std::FILE* to, const CommandInfo* command) {
    if (command == nullptr) {
        std::fprintf(to, "See '%.*s help' for the commands and options.\n", width(kProgram),
                     kProgram.data());
    } else {
        std::fprintf(to, "See '%.*s help %.*s'.\n", width(kProgram), kProgram.data(),
                     width(command->name), command->name.data());
    }
}

void printCommandUsage(std::FILE* to, const CommandInfo& c, const char* lead) {
    std::fprintf(to, "%s%.*s [OPTIONS] %.*s %.*s\n", lead, width(kProgram), kProgram.data(),
                 width(c.name), c.name.data(), width(c.synopsis), c.synopsis.data());
}

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage: %.*s [OPTIONS] COMMAND ARGS...\n", width(kProgram), kProgram.data());
    for (const CommandInfo& c : kCommands) printCommandUsage(to, c, "       ");
    std::fprintf(to, "       %.*s help [COMMAND]\n", width(kProgram), kProgram.data());
    std::fprintf(to, "       %.*s --help | --version\n", width(kProgram), kProgram.data());
}

void printOptions(std::FILE* to) {
    std::fprintf(to, "\noptions:\n");
    std::fprintf(to, kOptionsHelp, kPerUserDataFolderHelp);
    std::fprintf(to, "\n%s", kExitStatusHelp);
}

}  // namespace

std::string closestWord(std::string_view word, const std::vector<std::string_view>& known) {
    // Edit distance, with a swap of two neighbours as one edit; a unique prefix also counts.
    auto distance = [](std::string_view a, std::string_view b) {
        std::vector<std::vector<std::size_t>> d(a.size() + 1,
                                                std::vector<std::size_t>(b.size() + 1));
        for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
        std::iota(d[0].begin(), d[0].end(), std::size_t{0});
        for (std::size_t i = 1; i <= a.size(); ++i) {
            for (std::size_t j = 1; j <= b.size(); ++j) {
                d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                    d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
                if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                    d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
        return d[a.size()][b.size()];
    };
    std::string best;
    std::size_t bestDistance = std::max<std::size_t>(1, word.size() / 3) + 1;
    std::size_t prefixes = 0;
    std::string_view prefixOf;
    for (std::string_view candidate : known) {
        if (word.size() >= 2 && candidate.substr(0, word.size()) == word) {
            ++prefixes;
            prefixOf = candidate;
        }
        const std::size_t d = distance(word, candidate);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    if (best.empty() && prefixes == 1) best = prefixOf;
    return best;
}

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
    app.add_option("--format", result.format)->type_name("FORMAT");
    app.add_option("--timeout", result.timeoutSeconds)
        ->type_name("SECONDS")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1'000'000'000}));
    std::vector<std::string_view> optionNames = {"--help",    "--version", "--home",   "--quiet",
                                                 "--verbose", "--no-wait", "--timeout"};

    std::vector<std::string> helpTopics;
    CLI::App* helpCommand = app.add_subcommand(std::string(kHelpCommand), "");
    helpCommand->add_option("command", helpTopics);

    struct Parsed {
        CLI::App* app = nullptr;
        const CommandInfo* info = nullptr;
        bool help = false;
        std::vector<std::string> positional;
        std::string output;
        std::string outDir;
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
        if (!info.outDirHelp.empty()) p.app->add_option("--out-dir", p.outDir)->type_name("DIR");
        p.app->add_option("files", p.positional);
    }

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const CommandInfo* named = nullptr;
        for (const Parsed& p : parsed)
            if (p.app->parsed()) named = p.info;
        return usageError(reworded(error, app.remaining(), optionNames, named != nullptr), named);
    }

    const Parsed* chosen = nullptr;
    for (const Parsed& p : parsed)
        if (p.app->parsed()) chosen = &p;
    if (version && !help) {
        result.action = Invocation::Action::Version;
        return result;
    }
    if (helpCommand->parsed()) {
        if (helpTopics.size() > 1) return usageError("help takes one command");
        if (helpTopics.empty()) {
            result.action = Invocation::Action::Help;
            return result;
        }
        result.command = findCommand(helpTopics.front());
        if (result.command == nullptr) return usageError(unknownCommand(helpTopics.front()));
        result.action = Invocation::Action::CommandHelp;
        return result;
    }
    if (help && (chosen == nullptr || !chosen->help)) {
        result.action = Invocation::Action::Help;
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
    if (given < info.positionalCount)
        return usageError(name + " needs " + (info.positionalCount == 1 ? "a file" : "files"),
                          &info);
    if (given > info.positionalCount && !info.moreAllowed)
        return usageError(
            info.positionalCount == 0
                ? name + " takes no file; '" + chosen->positional.back() + "' is one too many"
                : name + " takes one file; '" + chosen->positional.back() + "' is one too many",
            &info);
    if (!info.outputName.empty() && chosen->output.empty())
        return usageError(name + " needs -o " + std::string(info.outputName), &info);
    if (app.count("--home") > 0 && result.home.empty()) return usageError("--home needs a folder");
    if (!info.outDirHelp.empty() && chosen->app->count("--out-dir") > 0 && chosen->outDir.empty())
        return usageError("--out-dir needs a folder", &info);
    if (app.count("--format") > 0 && name != "from-jfile")
        return usageError("--format is for from-jfile", &info);

    result.action = Invocation::Action::Run;
    result.positional = chosen->positional;
    result.output = chosen->output;
    result.outDir = chosen->outDir;
    return result;
}

std::string diagnostic(std::string_view kind, std::string_view text) {
    std::string line(kProgram);
    line.append(": ").append(kind).append(": ").append(text);
    return line;
}

void printUsageError(std::FILE* to, const Invocation& invocation) {
    // The problem may quote a file name: the console shows it as written.
    writeText(to, diagnostic("error", invocation.problem) + "\n");
    if (invocation.command != nullptr)
        printCommandUsage(to, *invocation.command, "usage: ");
    else
        std::fprintf(to, "usage: %.*s [OPTIONS] COMMAND ARGS...\n", width(kProgram),
                     kProgram.data());
    printSeeHelp(to, invocation.command);
}

void printHelp(std::FILE* to) {
    printUsage(to);
    std::fprintf(to, "\ncommands:\n");
    for (const CommandInfo& c : kCommands) {
        std::fprintf(to, "  %-12.*s %.*s\n", width(c.name), c.name.data(), width(c.summary),
                     c.summary.data());
    }
    printOptions(to);
}

void printCommandHelp(std::FILE* to, const CommandInfo& c) {
    printCommandUsage(to, c, "usage: ");
    std::fprintf(to, "\n%.*s\n", width(c.summary), c.summary.data());
    if (!c.outputName.empty()) {
        std::fprintf(to, "\n  -o %-15.*s %.*s\n", width(c.outputName), c.outputName.data(),
                     width(c.outputHelp), c.outputHelp.data());
    }
    if (!c.outDirHelp.empty()) {
        std::fprintf(to, "\n  --out-dir DIR      write into DIR instead of %.*s\n",
                     width(c.outDirHelp), c.outDirHelp.data());
        std::fprintf(to, "                     of Strat.jfp, which stays as it is\n");
    }
    printOptions(to);
}

}  // namespace rq
