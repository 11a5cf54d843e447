// SPDX-License-Identifier: MIT
#include "app/cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <memory>
#include <numeric>

#include "platform/console.h"
#include "platform/data_folder.h"

namespace rq {

namespace {

int width(std::string_view text) {
    return static_cast<int>(text.size());
}

constexpr const char* kExitStatusHelp =
    "exit status: 0 without error messages, 1 after one or when a file was not\n"
    "converted, 2 for wrong usage, 128 + N after signal N (130 for Ctrl-C)\n";

constexpr std::string_view kHelpCommand = "help";

// Where an option's description starts; its further lines (split at "\n") start there too.
constexpr std::size_t kDescriptionColumn = 21;
// Where a command's summary starts in the list of commands.
constexpr std::size_t kSummaryColumn = 15;

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

const CommandInfo* findCommand(CommandTable commands, std::string_view name) {
    for (const CommandInfo& c : commands)
        if (c.name == name) return &c;
    return nullptr;
}

std::string commandUsage(const CommandInfo& c, std::string_view lead) {
    std::string line(lead);
    line.append(kProgram).append(" [OPTIONS] ").append(c.name).append(" ").append(c.synopsis);
    return line + "\n";
}

std::string generalUsage(std::string_view lead) {
    return std::string(lead).append(kProgram).append(" [OPTIONS] COMMAND ARGS...\n");
}

// `text`, then blanks up to `column` (at least one).
std::string paddedTo(std::string text, std::size_t column) {
    text.resize(std::max(text.size() + 1, column), ' ');
    return text;
}

// "  -q, --quiet        print only errors and warnings": the option's names and value, then
// its description.
std::string optionHelp(const CLI::Option& option) {
    std::string names;
    for (const std::string& name : option.get_snames())
        names.append(names.empty() ? "" : ", ").append("-").append(name);
    for (const std::string& name : option.get_lnames())
        names.append(names.empty() ? "" : ", ").append("--").append(name);
    // CLI11 adds what a check allows after a colon; the description says that in words.
    const std::string value = option.get_type_name();
    if (option.get_type_size() > 0) names.append(" ").append(value.substr(0, value.find(':')));
    std::string text = paddedTo("  " + names, kDescriptionColumn);
    for (const char c : option.get_description()) {
        text += c;
        if (c == '\n') text.append(kDescriptionColumn, ' ');
    }
    return text + "\n";
}

// The options of `app` that have a description, each after `before`.
std::string optionsHelp(const CLI::App& app, std::string_view before) {
    std::string text;
    for (const CLI::Option* option : app.get_options())
        if (!option->get_description().empty()) text.append(before).append(optionHelp(*option));
    return text;
}

// The help of the program and of each command, as the program's CLI11 formatter: usages from
// the command table, summaries, options and their descriptions from what CLI11 holds.
class HelpFormatter final : public CLI::FormatterBase {
  public:
    explicit HelpFormatter(CommandTable commands) : commands_(commands) {}

    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode) const override {
        const CLI::App* program = app->get_parent() != nullptr ? app->get_parent() : app;
        std::string text;
        if (const CommandInfo* command = findCommand(commands_, app->get_name())) {
            text = commandUsage(*command, "usage: ") + "\n" + app->get_description() + "\n";
            text += optionsHelp(*app, "\n");
        } else {
            text = generalUsage("usage: ");
            for (const CommandInfo& c : commands_) text += commandUsage(c, "       ");
            text.append("       ").append(kProgram).append(" help [COMMAND]\n");
            text.append("       ").append(kProgram).append(" --help | --version\n");
            text += "\ncommands:\n";
            for (const CLI::App* command : app->get_subcommands({}))
                if (!command->get_description().empty())
                    text += paddedTo("  " + command->get_name(), kSummaryColumn) +
                            command->get_description() + "\n";
        }
        text += "\noptions:\n" + optionsHelp(*program, "");
        text += paddedTo("  --", kDescriptionColumn) +
                "end of the options: what follows are file names\n";
        return text + "\n" + kExitStatusHelp;
    }

  private:
    CommandTable commands_;
};

std::string withSuggestion(std::string text, std::string_view word,
                           const std::vector<std::string_view>& known) {
    const std::string closest = closestWord(word, known);
    if (!closest.empty()) text += "; did you mean '" + closest + "'?";
    return text;
}

std::string unknownCommand(std::string_view word, CommandTable commands) {
    std::vector<std::string_view> names{kHelpCommand};
    for (const CommandInfo& c : commands) names.push_back(c.name);
    return withSuggestion("unknown command '" + std::string(word) + "'", word, names);
}

// CLI11's messages start with the option they are about: "--timeout: Value 0 not in range".
std::string optionOf(const CLI::Error& error) {
    const std::string text = error.what();
    const std::size_t colon = text.find(':');
    return colon == std::string::npos ? std::string() : text.substr(0, colon);
}

// CLI11's message in the program's own words.
std::string reworded(const CLI::ParseError& error, const CLI::App& app, bool commandGiven,
                     CommandTable commands) {
    const std::vector<std::string> extras = app.remaining();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && !extras.empty()) {
        const std::string& word = extras.front();
        if (!word.empty() && word.front() == '-') {
            // The options every command takes are the ones suggested.
            std::vector<std::string> names;
            for (const CLI::Option* option : app.get_options())
                for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
            return withSuggestion("unknown option '" + word + "'", word,
                                  {names.begin(), names.end()});
        }
        return commandGiven ? "unexpected argument '" + word + "'" : unknownCommand(word, commands);
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

// The options every command takes, in the order the help lists them; a description's lines
// but the last end with "\n".
void addProgramOptions(CLI::App& app, Invocation& result, bool& help, bool& version) {
    app.add_option("--home", result.home,
                   std::string("keep Strat.jfp, Log.txt, RQWork and Import and Export in DIR\n"
                               "(default: $REFQUILL_HOME, else beside this program when you\n"
                               "may write there, else ") +
                       kPerUserDataFolderHelp + ")")
        ->type_name("DIR");
    CLI::Option* quiet = app.add_flag("-q,--quiet", result.quiet, "print only errors and warnings");
    app.add_flag("-v,--verbose", result.verbose,
                 "also print the converter's command line, the work paths and\n"
                 "the time each step took")
        ->excludes(quiet);
    app.add_flag("--no-wait", result.noWait,
                 "end at once with status 1 when another conversion holds the\n"
                 "folder, instead of waiting for it");
    app.add_option("--timeout", result.timeoutSeconds,
                   "stop a converter that runs longer (default: no limit)")
        ->type_name("SECONDS")
        ->check(CLI::Range(std::int64_t{1}, std::int64_t{1'000'000'000}));
    app.add_option("--format", result.format,
                   "what from-jfile writes: endnote (the default), ris, bibtex\n"
                   "or csl-json")
        ->type_name("FORMAT");
    app.add_flag("-h,--help", help, "print this help; after a command, that command's help");
    app.add_flag("--version", version, "print the version");
}

// A command of the table as CLI11 parsed it.
struct ParsedCommand {
    CLI::App* app = nullptr;
    const CommandInfo* info = nullptr;
    bool help = false;
    std::vector<std::string> positional;
    std::string output;
    std::string outDir;
};

// One subcommand per row; CLI11 writes into `parsed`, which must stay where it is.
void addCommands(CLI::App& app, CommandTable commands, std::vector<ParsedCommand>& parsed) {
    parsed.reserve(commands.size());
    for (const CommandInfo& info : commands) {
        ParsedCommand& p = parsed.emplace_back();
        p.app = app.add_subcommand(std::string(info.name), std::string(info.summary));
        p.info = &info;
        p.app->set_help_flag();
        p.app->add_flag("-h,--help", p.help);
        if (!info.outputName.empty())
            p.app->add_option("-o", p.output, std::string(info.outputHelp))
                ->type_name(std::string(info.outputName));
        if (!info.outDirHelp.empty())
            p.app
                ->add_option("--out-dir", p.outDir,
                             "write into DIR instead of " + std::string(info.outDirHelp) +
                                 "\nof Strat.jfp, which stays as it is")
                ->type_name("DIR");
        p.app->add_option("files", p.positional);
    }
}

// The run of `command`, or the usage error when its files or options do not fit it.
Invocation runOf(const ParsedCommand& command, const CLI::App& app, Invocation result) {
    const CommandInfo& info = *command.info;
    const std::string name(info.name);
    const std::size_t given = command.positional.size();
    if (given < info.positionalCount)
        return usageError(name + " needs " + (info.positionalCount == 1 ? "a file" : "files"),
                          &info);
    if (given > info.positionalCount && !info.moreAllowed)
        return usageError(
            info.positionalCount == 0
                ? name + " takes no file; '" + command.positional.back() + "' is one too many"
                : name + " takes one file; '" + command.positional.back() + "' is one too many",
            &info);
    if (!info.outputName.empty() && command.output.empty())
        return usageError(name + " needs -o " + std::string(info.outputName), &info);
    if (app.count("--home") > 0 && result.home.empty()) return usageError("--home needs a folder");
    if (!info.outDirHelp.empty() && command.app->count("--out-dir") > 0 && command.outDir.empty())
        return usageError("--out-dir needs a folder", &info);
    if (app.count("--format") > 0 && !info.takesFormat)
        return usageError("--format is for from-jfile", &info);

    result.action = Invocation::Action::Run;
    result.positional = command.positional;
    result.output = command.output;
    result.outDir = command.outDir;
    return result;
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

Invocation parseCommandLine(const std::vector<std::string>& args, CommandTable commands) {
    Invocation result;
    bool help = false;
    bool version = false;

    CLI::App app{"", std::string(kProgram)};
    app.formatter(std::make_shared<HelpFormatter>(commands));
    // "/x" is a path, not an option, on every system: Windows builds would read it as one.
    app.allow_windows_style_options(false);
    app.set_help_flag();
    app.fallthrough();
    app.require_subcommand(0, 1);
    addProgramOptions(app, result, help, version);
    std::vector<std::string> helpTopics;
    CLI::App* helpCommand = app.add_subcommand(std::string(kHelpCommand), "");
    helpCommand->add_option("command", helpTopics);
    std::vector<ParsedCommand> parsed;
    addCommands(app, commands, parsed);
    const auto helpOf = [&](const CLI::App* about, Invocation::Action action) {
        result.action = action;
        result.help =
            app.get_formatter()->make_help(about, about->get_name(), CLI::AppFormatMode::Normal);
        return result;
    };

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    const ParsedCommand* chosen = nullptr;
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        for (const ParsedCommand& p : parsed)
            if (p.app->parsed()) chosen = &p;
        const CommandInfo* named = chosen != nullptr ? chosen->info : nullptr;
        return usageError(reworded(error, app, named != nullptr, commands), named);
    }

    for (const ParsedCommand& p : parsed)
        if (p.app->parsed()) chosen = &p;
    if (version && !help) {
        result.action = Invocation::Action::Version;
        return result;
    }
    if (helpCommand->parsed()) {
        if (helpTopics.size() > 1) return usageError("help takes one command");
        if (helpTopics.empty()) return helpOf(&app, Invocation::Action::Help);
        for (const ParsedCommand& p : parsed)
            if (p.info->name == helpTopics.front()) chosen = &p;
        if (chosen == nullptr) return usageError(unknownCommand(helpTopics.front(), commands));
        result.command = chosen->info;
        return helpOf(chosen->app, Invocation::Action::CommandHelp);
    }
    if (help && (chosen == nullptr || !chosen->help)) return helpOf(&app, Invocation::Action::Help);
    if (chosen == nullptr) return usageError("no command given");
    result.command = chosen->info;
    if (chosen->help) return helpOf(chosen->app, Invocation::Action::CommandHelp);
    return runOf(*chosen, app, std::move(result));
}

std::string diagnostic(std::string_view kind, std::string_view text) {
    std::string line(kProgram);
    line.append(": ").append(kind).append(": ").append(text);
    return line;
}

void printUsageError(std::FILE* to, const Invocation& invocation) {
    // The problem may quote a file name: the console shows it as written.
    writeText(to, diagnostic("error", invocation.problem) + "\n");
    std::fputs((invocation.command != nullptr ? commandUsage(*invocation.command, "usage: ")
                                              : generalUsage("usage: "))
                   .c_str(),
               to);
    printSeeHelp(to, invocation.command);
}

}  // namespace rq
