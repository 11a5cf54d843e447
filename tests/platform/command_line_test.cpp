// SPDX-License-Identifier: MIT
#include "engine/command_line.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace rq {
namespace {

using Args = std::vector<std::string>;

// The arguments of `line` when it follows a program name.
Args rest(std::string_view line) {
    Args all = splitCommandLine("prog " + std::string(line));
    return Args(all.begin() + 1, all.end());
}

TEST(SplitCommandLine, BlanksSeparateAndRunsCollapse) {
    EXPECT_EQ(splitCommandLine("prog a b"), (Args{"prog", "a", "b"}));
    EXPECT_EQ(splitCommandLine("prog  \t a\t\tb   "), (Args{"prog", "a", "b"}));
    // The converter's second direction: three blanks between two work paths give no argument.
    EXPECT_EQ(rest("2 /w/input.tmp /w/out.tmp   /w/ifo.tmp"),
              (Args{"2", "/w/input.tmp", "/w/out.tmp", "/w/ifo.tmp"}));
    EXPECT_EQ(splitCommandLine("prog"), (Args{"prog"}));
    EXPECT_EQ(splitCommandLine(""), (Args{""}));
}

TEST(SplitCommandLine, QuotesJoinBlanksIntoOneArgument) {
    EXPECT_EQ(rest(R"(1 in out "RQ-My refs" ifo)"), (Args{"1", "in", "out", "RQ-My refs", "ifo"}));
    EXPECT_EQ(rest(R"(a"b c"d)"), (Args{"ab cd"}));
    EXPECT_EQ(rest(R"("unterminated  blanks)"), (Args{"unterminated  blanks"}));
    EXPECT_EQ(rest("\"tab\there\""), (Args{"tab\there"}));
}

TEST(SplitCommandLine, EmptyQuotedArguments) {
    EXPECT_EQ(rest(R"("" x "")"), (Args{"", "x", ""}));
    EXPECT_EQ(rest(R"(a"")"), (Args{"a"}));
    EXPECT_EQ(rest(R"(  ""  )"), (Args{""}));
}

TEST(SplitCommandLine, BackslashRules) {
    // Backslashes not before a quote are literal, however many.
    EXPECT_EQ(rest(R"(C:\dir\file a\\b\\\c)"), (Args{R"(C:\dir\file)", R"(a\\b\\\c)"}));
    // 2n backslashes + quote: n backslashes, and the quote opens or closes.
    EXPECT_EQ(rest(R"(a\\"b c")"), (Args{R"(a\b c)"}));
    EXPECT_EQ(rest(R"("dir\\" next)"), (Args{R"(dir\)", "next"}));
    EXPECT_EQ(rest(R"(\\\\"x y")"), (Args{R"(\\x y)"}));
    // 2n+1 backslashes + quote: n backslashes and a literal quote.
    EXPECT_EQ(rest(R"(a\"b)"), (Args{R"(a"b)"}));
    EXPECT_EQ(rest(R"(a\\\"b c)"), (Args{R"(a\"b)", "c"}));
    EXPECT_EQ(rest(R"("in \"quotes\" here")"), (Args{R"(in "quotes" here)"}));
    // Trailing backslashes at the end of the line stay.
    EXPECT_EQ(rest(R"(end\\)"), (Args{R"(end\\)"}));
}

TEST(SplitCommandLine, DoubledQuoteInsideQuotesIsALiteralQuote) {
    EXPECT_EQ(rest(R"("a""b")"), (Args{R"(a"b)"}));
    EXPECT_EQ(rest(R"("a""b c" d)"), (Args{R"(a"b c)", "d"}));
    EXPECT_EQ(rest(R"("""")"), (Args{R"(")"}));
    // Outside quotes the first quote opens, the second closes: nothing is added.
    EXPECT_EQ(rest(R"(a""b)"), (Args{"ab"}));
}

TEST(SplitCommandLine, ProgramNameKeepsBackslashesAndDropsQuotes) {
    EXPECT_EQ(splitCommandLine(R"("C:\Program Files\RQ\jconvpro.exe" 1 x)"),
              (Args{R"(C:\Program Files\RQ\jconvpro.exe)", "1", "x"}));
    EXPECT_EQ(splitCommandLine(R"(C:\dir\\"a b"\ z)"), (Args{R"(C:\dir\\a b\)", "z"}));
    // An unquoted program path with blanks is cut at the first blank.
    EXPECT_EQ(splitCommandLine("/opt/my prog/jconvpro.exe 1"),
              (Args{"/opt/my", "prog/jconvpro.exe", "1"}));
    EXPECT_EQ(splitCommandLine(" lead"), (Args{"", "lead"}));
}

TEST(QuoteArgument, PlainArgumentsStayAsTheyAre) {
    EXPECT_EQ(quoteArgument("abc"), "abc");
    EXPECT_EQ(quoteArgument(R"(C:\dir\)"), R"(C:\dir\)");
    EXPECT_EQ(quoteArgument(""), R"("")");
    EXPECT_EQ(quoteArgument("a b"), R"("a b")");
    EXPECT_EQ(quoteArgument(R"(dir\ x\)"), R"("dir\ x\\")");
    EXPECT_EQ(quoteArgument(R"(say "hi")"), R"("say \"hi\"")");
    EXPECT_EQ(quoteArgument(R"(a\"b)"), R"("a\\\"b")");
}

TEST(QuoteArgument, NastyArgumentsSplitBackToThemselves) {
    const Args cases = {"",        " ",       "\t",      "\"",         "\\",
                        "\\\\\"",  "a b\\",   "a\\\\ b", "\"\"",       "x\"\" y",
                        "\\\" \\", "end\\\\", "tab\tin", "RQ-My refs", "\xB0\x85 high bytes",
                        "a\nb"};
    for (const std::string& argument : cases) {
        const std::string line = "prog " + quoteArgument(argument);
        EXPECT_EQ(splitCommandLine(line), (Args{"prog", argument})) << line;
    }
}

TEST(QuoteArgument, RandomArgumentListsRoundTrip) {
    // Built from the characters the rules care about, so every combination turns up.
    const std::string alphabet = "ab \t\\\"\\\"x";
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        Args arguments = {"/usr/bin/prog"};
        const int count = static_cast<int>(random() % 5);
        for (int a = 0; a < count; ++a) {
            std::string argument;
            const int length = static_cast<int>(random() % 8);
            for (int c = 0; c < length; ++c) argument += alphabet[random() % alphabet.size()];
            arguments.push_back(argument);
        }
        const std::string line = joinCommandLine(arguments);
        ASSERT_EQ(splitCommandLine(line), arguments) << line;
    }
}

TEST(QuoteProgramName, QuotedOnlyWhenItHoldsABlank) {
    EXPECT_EQ(quoteProgramName("/opt/rq/jconvpro.exe"), "/opt/rq/jconvpro.exe");
    EXPECT_EQ(quoteProgramName(R"(C:\Program Files\RQ\jconvpro.exe)"),
              R"("C:\Program Files\RQ\jconvpro.exe")");
    EXPECT_EQ(quoteProgramName(""), R"("")");
    for (const std::string program : {"/my prog/x", "C:\\a b\\", "\\\\srv\\share x\\p.exe"}) {
        EXPECT_EQ(splitCommandLine(quoteProgramName(program) + " 1"), (Args{program, "1"}));
    }
}

}  // namespace
}  // namespace rq
