// SPDX-License-Identifier: MIT
#include "engine/conversion_info.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "formats_fixture.h"

namespace rq::test {
namespace {

class ConversionInfoTest : public FormatsTest {
  protected:
    std::string write() {
        EXPECT_TRUE(writeConversionInfo(settings.strategy, ctx.host, output, path("out.IFO")));
        EXPECT_FALSE(output.isOpen());
        return readFile(path("out.IFO"));
    }

    // The part of the file after the end marker: the popup sections.
    static std::string sections(const std::string& file) {
        const std::size_t at = file.find("456E644A46696C654461746100");
        return at == std::string::npos ? std::string("(no marker)") : file.substr(at + 26);
    }
};

TEST_F(ConversionInfoTest, FactoryDefaultsMatchTheGoldenFile) {
    loadFactoryDefaults();
    EXPECT_EQ(write(), readFile(goldenPath("factory-default.IFO")));
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(ConversionInfoTest, LettersFollowThePositionsAmongSelectedFields) {
    loadFactoryDefaults();
    settings.strategy.slots[1].selected = false;
    const std::string file = write();
    EXPECT_EQ(file.substr(0, file.find("\r\n")), "1 64 1 1 1 64 64 1 1 1 1 1 1 1 ");
    EXPECT_NE(file.find("\r\n0 0 0 0 0 0 0 0 0 0 0 0 0 0 \r\n0 0 0 0 0 0 0 0 0 0 0 0 0 0 \r\n"),
              std::string::npos);
    std::string expected = "\r\npopupb";
    for (int year = 1980; year <= 2010; ++year) expected += "\r\n" + std::to_string(year);
    expected += "\r\npopupf";
    for (const std::string& w : defaultPopupWords(7)) expected += "\r\n" + w;
    expected += "\r\npopupg";
    for (const std::string& w : defaultPopupWords(8)) expected += "\r\n" + w;
    EXPECT_EQ(sections(file), expected);
}

TEST_F(ConversionInfoTest, LockOffChangesOnlyLineFive) {
    loadFactoryDefaults();
    settings.strategy.lockFlags = 0;
    std::string expected = readFile(goldenPath("factory-default.IFO"));
    const std::size_t at = expected.find("\r\n110\r\n1\r\n8\r\n");
    ASSERT_NE(at, std::string::npos);
    expected[at + 10] = '0';
    EXPECT_EQ(write(), expected);
}

TEST_F(ConversionInfoTest, WordListsAreCappedAtNinetyNineAndEmptyListsKeepTheirLine) {
    Strategy& s = settings.strategy;
    s.dataWidth = 110;
    s.firstColumn = 1;
    s.lockFlags = 8;
    for (int n : {2, 4, 5, 6}) s.slots[n].selected = true;
    s.slots[2].fieldType = NormalPopup;
    for (int i = 1; i <= 100; ++i) s.slots[2].popupWords.push_back("w" + std::to_string(i));
    s.slots[4].fieldType = MultiplePopup;
    s.slots[5].fieldType = NormalPopup;
    s.slots[5].popupWords = {"", "two words", ""};
    s.slots[6].fieldType = 12;  // an unknown code is written as it is and gets no section
    s.slots[6].popupWords = {"never written"};
    s.slots[6].columnWidth = 160;
    s.slots[3].fieldType = NormalPopup;  // not selected: no section
    s.slots[3].popupWords = {"not selected"};

    std::string expected =
        "64 81 64 12 \r\n0 0 0 160 \r\n110\r\n1\r\n8\r\n0 0 0 0 \r\n0 0 0 0 \r\n";
    expected += "456E644A46696C654461746100\r\npopupa";
    for (int i = 1; i <= 99; ++i) expected += "\r\nw" + std::to_string(i);
    expected += "\r\npopupb\r\npopupc\r\n\r\ntwo words\r\n";
    EXPECT_EQ(write(), expected);
}

TEST_F(ConversionInfoTest, NoFieldSelectedLeavesFiveLines) {
    settings.strategy.dataWidth = 110;
    settings.strategy.firstColumn = 1;
    settings.strategy.lockFlags = 8;
    EXPECT_FALSE(writeConversionInfo(settings.strategy, ctx.host, output, path("out.IFO")));
    EXPECT_EQ(readFile(path("out.IFO")), "\r\n\r\n110\r\n1\r\n8\r\n");
    EXPECT_EQ(
        host.messages,
        (std::vector<PlainHost::Message>{
            {MessageKind::Error, "No fields selected \nPlease select a field and try again "}}));
    EXPECT_FALSE(output.isOpen());
}

TEST_F(ConversionInfoTest, FileThatCannotBeCreated) {
    loadFactoryDefaults();
    EXPECT_FALSE(
        writeConversionInfo(settings.strategy, ctx.host, output, path("missing folder/out.IFO")));
    EXPECT_EQ(
        host.messages,
        (std::vector<PlainHost::Message>{{MessageKind::Error, "Failure creating .IFO file \n" +
                                                                  path("missing folder/out.IFO") +
                                                                  ": No such file or directory"}}));
    EXPECT_FALSE(std::filesystem::exists(path("missing folder")));
    EXPECT_FALSE(output.isOpen());
}

TEST_F(ConversionInfoTest, WriteErrorIsReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    loadFactoryDefaults();
    EXPECT_FALSE(writeConversionInfo(settings.strategy, ctx.host, output, "/dev/full"));
    EXPECT_EQ(
        host.messages,
        (std::vector<PlainHost::Message>{
            {MessageKind::Error, "Failure writing .IFO file /dev/full: No space left on device"}}));
    EXPECT_FALSE(output.isOpen());
}

}  // namespace
}  // namespace rq::test
