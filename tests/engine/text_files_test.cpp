// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "base/files.h"
#include "base/text.h"
#include "formats_fixture.h"

namespace rq::test {
namespace {

TEST(Text, BlanksAndAsciiCaseFolding) {
    EXPECT_FALSE(isBlank('\0'));
    EXPECT_TRUE(isBlank('\x01'));
    EXPECT_TRUE(isBlank(' '));
    EXPECT_FALSE(isBlank('!'));
    EXPECT_FALSE(isBlank('\xA0'));  // a no-break space of the code page is data
    struct Case {
        std::string_view a, b;
        bool equal;
    };
    const Case cases[] = {{"Author", "aUTHOR", true},
                          {"Author", "Autho", false},
                          {"\xC9t\xE9", "\xE9t\xE9", false},  // only ASCII letters fold
                          {"[Z]", "[z]", true},
                          {"@", "`", false}};
    for (const Case& c : cases) EXPECT_EQ(equalsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a;
}

class Files : public FormatsTest {};

TEST_F(Files, WholeFileReadTellsMissingFromFailed) {
    writeFile(path("a.bin"), std::string("x\0\r\n\xFF", 5));
    std::string contents = "kept";
    EXPECT_EQ(rq::readWholeFile(path("missing"), contents), ReadResult::Missing);
    EXPECT_EQ(contents, "kept");
    EXPECT_EQ(rq::readWholeFile(folder, contents), ReadResult::Failed);  // a folder cannot be read
    EXPECT_EQ(contents, "kept");
    EXPECT_EQ(rq::readWholeFile(path("a.bin"), contents), ReadResult::Read);
    EXPECT_EQ(contents, std::string("x\0\r\n\xFF", 5));
    const UniqueFile none = openFile(path("missing"), "rb");
    EXPECT_EQ(none, nullptr);
}

}  // namespace
}  // namespace rq::test
