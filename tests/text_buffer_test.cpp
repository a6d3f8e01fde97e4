#include "exceptions.h"
#include "text_buffer.h"

#include "expect_throw.h"
#include "file_size_limit.h"
#include "temp_folder.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tervanil {
namespace {

using testing_support::TempFolder;

struct LoadCase {
    const char* name;
    std::string bytes;
    CodePage codePage;
    std::string loaded;
};

class LoadNormalisesLineBreaks : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadNormalisesLineBreaks, FromFile) {
    TempFolder folder;
    folder.write("record.sgf", GetParam().bytes);
    TextBuffer buffer;
    buffer.loadFromFile(folder.path("record.sgf"), "record.sgf", GetParam().codePage);
    EXPECT_EQ(buffer.text(), GetParam().loaded);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadNormalisesLineBreaks,
    testing::Values(LoadCase{"LoneLfAndCr", "X\nY\r", CodePage::SingleByte, "X\r\nY\r\n"},
                    LoadCase{"CrBeforeCrLf", "X\r\r\n", CodePage::SingleByte, "X\r\n\r\n"},
                    LoadCase{"CrLfStays", "X\r\nY", CodePage::SingleByte, "X\r\nY"},
                    LoadCase{"LfCr", "X\n\rY", CodePage::SingleByte, "X\r\n\r\nY"},
                    LoadCase{"EndsAtNul", std::string("X\0Y\n", 4), CodePage::SingleByte, "X"},
                    LoadCase{"Empty", "", CodePage::SingleByte, ""},
                    LoadCase{"LeadByteTakesLf", "\x81\nA\n", CodePage::ShiftJis, "\x81\nA\r\n"},
                    LoadCase{"NoLeadBytesInSingleByte", "\x81\nA", CodePage::SingleByte,
                             "\x81\r\nA"},
                    LoadCase{"LeadByteAtEnd", "A\x81", CodePage::ShiftJis, "A\x81"}),
    [](const auto& info) { return info.param.name; });

TEST(TextBuffer, AddLineEndsEachLineWithCrLf) {
    TextBuffer buffer;
    buffer.addLine("A");
    buffer.addLine("B");
    EXPECT_EQ(buffer.text(), "A\r\nB\r\n");
}

TEST(TextBuffer, AddingTextEndingWithCrLfLeavesEmptyLine) {
    TextBuffer buffer;
    buffer.addLine(std::string("A\r\n"));
    buffer.addLine("B");
    EXPECT_EQ(buffer.text(), "A\r\n\r\nB\r\n");
}

TEST(TextBuffer, AddingAfterTextWithoutFinalBreakStartsNewLine) {
    TextBuffer buffer;
    buffer.loadFromBytes("X", CodePage::SingleByte);
    buffer.addLine("A");
    EXPECT_EQ(buffer.text(), "X\r\nA");
}

TEST(TextBuffer, MissingFileFailsAndKeepsText) {
    TempFolder folder;
    TextBuffer buffer;
    buffer.loadFromBytes("kept", CodePage::SingleByte);
    EXPECT_THROW_MSG(
        buffer.loadFromFile(folder.path("nosuch.sgf"), "nosuch.sgf", CodePage::SingleByte),
        EFOpenError, "ﾌｧｲﾙ nosuch.sgf は開けません");
    EXPECT_EQ(buffer.text(), "kept");
}

TEST(TextBuffer, DirectoryAndFifoAreNotReadable) {
    TempFolder folder;
    ASSERT_EQ(::mkdir(folder.path("dir.sgf").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(folder.path("fifo.sgf").c_str(), 0644), 0);
    TextBuffer buffer;
    // A FIFO without a writer would block a plain open: it must fail at once.
    EXPECT_THROW(buffer.loadFromFile(folder.path("dir.sgf"), "dir.sgf", CodePage::SingleByte),
                 EFOpenError);
    EXPECT_THROW(buffer.loadFromFile(folder.path("fifo.sgf"), "fifo.sgf", CodePage::SingleByte),
                 EFOpenError);
}

TEST(TextBuffer, SaveWritesExactBytesAndReplaces) {
    TempFolder folder;
    folder.write("page.htm", "an older and much longer page");
    TextBuffer buffer;
    buffer.addLine("<HTML>");
    buffer.saveToFile(folder.path("page.htm"), "page.htm");
    EXPECT_EQ(folder.read("page.htm"), "<HTML>\r\n");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"page.htm"});
}

TEST(TextBuffer, SaveIntoMissingFolderFailsToCreate) {
    TempFolder folder;
    TextBuffer buffer;
    EXPECT_THROW_MSG(buffer.saveToFile(folder.path("missing/page.htm"), "./missing/page.htm"),
                     EFCreateError, "ﾌｧｲﾙ ./missing/page.htm を作成できません");
}

TEST(TextBuffer, SaveOfLongestLegalNameWorks) {
    TempFolder folder;
    const std::string name = std::string(251, 'n') + ".htm";
    TextBuffer buffer;
    buffer.addLine("x");
    buffer.saveToFile(folder.path(name), name);
    EXPECT_EQ(folder.read(name), "x\r\n");
}

TEST(TextBuffer, FailedWriteKeepsExistingPageAndLeavesNoTemporaryFile) {
    TempFolder folder;
    folder.write("page.htm", "the page as it was");
    TextBuffer buffer;
    buffer.addLine(std::string(64 * 1024, 'x'));
    {
        testing_support::FileSizeLimit limit(4096);
        EXPECT_THROW_MSG(buffer.saveToFile(folder.path("page.htm"), "page.htm"), EWriteError,
                         "ｽﾄﾘｰﾑへの書き込みｴﾗｰ");
    }
    EXPECT_EQ(folder.read("page.htm"), "the page as it was");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"page.htm"});
}

} // namespace
} // namespace tervanil
