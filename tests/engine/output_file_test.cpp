// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>

#include "engine/output_file.h"
#include "support/fake_system.h"
#include "support/files.h"

namespace rq {
namespace {

namespace fs = std::filesystem;

using test::readFile;

class OutputFileTest : public ::testing::Test {
  protected:
    test::TempFolder temp{"rq-output-file"};
    fs::path folder = temp.path();
};

// Pieces of every size, many buffers' worth, must arrive in order and whole.
TEST_F(OutputFileTest, EveryByteArrivesInOrderAcrossManyBuffers) {
    std::mt19937 random(7);
    std::string expected;
    OutputFile out;
    const std::string path = (folder / "out.bin").string();
    ASSERT_TRUE(out.open(path));
    while (expected.size() < 40 * OutputFile::kBufferSize) {
        const std::size_t kind = random() % 4;
        if (kind == 0) {
            const char c = static_cast<char>(random());
            out.put(c);
            expected += c;
        } else {
            // Small pieces, pieces larger than a buffer, and everything between.
            const std::size_t size =
                kind == 3 ? random() % (3 * OutputFile::kBufferSize) : random() % 300;
            std::string piece(size, '\0');
            for (char& c : piece) c = static_cast<char>(random());
            out.write(piece);
            expected += piece;
        }
    }
    out.writeLine("end");
    expected += "end\r\n";
    EXPECT_FALSE(out.failed());
    EXPECT_TRUE(out.close());
    EXPECT_FALSE(out.isOpen());
    EXPECT_EQ(readFile(path), expected);
}

TEST_F(OutputFileTest, ReopenedSlotWritesTheNextFileFromScratch) {
    OutputFile out;
    const std::string first = (folder / "first.txt").string();
    const std::string second = (folder / "second.txt").string();
    ASSERT_TRUE(out.open(first));
    out.write(std::string(OutputFile::kBufferSize + 5, 'a'));
    ASSERT_TRUE(out.close());
    ASSERT_TRUE(out.open(second));
    out.write("b");
    ASSERT_TRUE(out.close());
    ASSERT_TRUE(out.open(second));
    out.write(std::string(OutputFile::kBufferSize * 3, 'c'));
    {
        // Leaves by the guard, as a writer that ends by an exception: nothing of it counts.
        OutputFileGuard guard(out);
    }
    EXPECT_FALSE(out.isOpen());
    EXPECT_EQ(readFile(first), std::string(OutputFile::kBufferSize + 5, 'a'));
    EXPECT_EQ(readFile(second), "b");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
    EXPECT_FALSE(out.close());  // nothing open
}

TEST_F(OutputFileTest, FileInMissingFolderCannotBeCreated) {
    OutputFile out;
    EXPECT_FALSE(out.open((folder / "missing" / "x.txt").string()));
    EXPECT_FALSE(out.isOpen());
}

TEST_F(OutputFileTest, FullDiskIsReportedNotSwallowed) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    OutputFile out;
    ASSERT_TRUE(out.open("/dev/full"));
    // Small output stays in the buffer until the close, which must still see the failure.
    out.write("tiny");
    EXPECT_FALSE(out.close());

    ASSERT_TRUE(out.open("/dev/full"));
    out.write(std::string(8 * OutputFile::kBufferSize, 'x'));
    EXPECT_FALSE(out.close());
    EXPECT_TRUE(out.failed());
}

}  // namespace
}  // namespace rq

namespace rq {
namespace {

// A writer that lost its file: every write and flush comes back at once, and nothing counts.
TEST_F(OutputFileTest, WritingWithNoOpenFileIsAnErrorNotAWait) {
    OutputFile out;
    out.write(std::string(OutputFile::kBufferSize * 8, 'x'));
    for (std::size_t i = 0; i < OutputFile::kBufferSize * 2; ++i) out.put('y');
    EXPECT_TRUE(out.failed());
    EXPECT_FALSE(out.close());
    // The slot works again for the next file.
    const std::string path = (folder / "next.txt").string();
    ASSERT_TRUE(out.open(path));
    out.write("fresh");
    EXPECT_TRUE(out.close());
    EXPECT_EQ(test::readFile(path), "fresh");
}

// A failure at any step leaves the earlier file whole and no temporary file; the reason is the
// system's.
TEST_F(OutputFileTest, FailureAtAnyStepKeepsTheEarlierFile) {
    using Step = test::FileFault::Step;
    const struct {
        Step step;
        int writeNumber;
        std::size_t size;
    } cases[] = {
        {Step::Create, 1, 10},
        {Step::Write, 1, 10},                                // the one write at the close
        {Step::Write, 3, 8 * OutputFile::kBufferSize},       // a full buffer, while writing
        {Step::Commit, 1, 3 * OutputFile::kBufferSize + 7},  // the flush or the rename
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.step));
        test::FakeSystem system;
        system.fileFault = {c.step, "target", c.writeNumber};
        OutputFile out(&system);
        const std::string path = (folder / "target.txt").string();
        test::writeFile(path, "EARLIER GOOD FILE");
        if (c.step == Step::Create) {
            EXPECT_FALSE(out.open(path));
            EXPECT_FALSE(out.isOpen());
        } else {
            ASSERT_TRUE(out.open(path));
            out.write(std::string(c.size, 'n'));
            EXPECT_FALSE(out.close());
        }
        EXPECT_EQ(out.failureReason(), "No space left on device");
        EXPECT_EQ(test::readFile(path), "EARLIER GOOD FILE");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    }
}

}  // namespace
}  // namespace rq
