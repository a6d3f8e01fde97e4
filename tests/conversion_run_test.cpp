#include "conversion_run.h"
#include "exceptions.h"

#include "example_options.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tervanil {
namespace {

using testing_support::TempFolder;

std::string fixture(const std::string& name) {
    std::ifstream file(std::string(TERVANIL_FIXTURES_DIR) + "/" + name, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void convert(const TempFolder& folder, const ConversionOptions& options = {}) {
    WorkBuffers buffers;
    RunConversion(folder.root(), ScanSources(folder.root()), options, buffers);
}

TEST(ScanSources, ListsRegularSgfFilesInCaseInsensitiveNameOrder) {
    TempFolder folder;
    for (std::string name : {"b.SGF", "a.sgf", "A.sgf", "_x.Sgf", ".hidden.sgf", ".sgf",
                             "notes.txt", "sgf", "target.txt"})
        folder.write(name, "(;)");
    ASSERT_EQ(::mkdir(folder.path("dir.sgf").c_str(), 0755), 0);
    ASSERT_EQ(::mkfifo(folder.path("fifo.sgf").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("target.txt", folder.path("link.sgf").c_str()), 0);
    ASSERT_EQ(::symlink("gone.txt", folder.path("broken.sgf").c_str()), 0);
    ASSERT_EQ(::symlink("loop.sgf", folder.path("loop.sgf").c_str()), 0);
    EXPECT_EQ(ScanSources(folder.root()),
              (std::vector<std::string>{"_x.Sgf", "A.sgf", "a.sgf", "b.SGF", "link.sgf"}));
}

TEST(ScanSources, MissingFolderListsNothing) {
    TempFolder folder;
    EXPECT_TRUE(ScanSources(folder.root() / "missing").empty());
}

TEST(RunConversion, DefaultPageComesOutToTheByte) {
    TempFolder folder;
    folder.write("game1.sgf", fixture("page/game1.sgf"));
    convert(folder);
    EXPECT_EQ(folder.read("TervanilOB/game1.htm"), fixture("page/game1.orbanel.htm"));
}

TEST(RunConversion, SecondAppletPageComesOutToTheByte) {
    TempFolder folder;
    folder.write("game1.sgf", fixture("page/game1.sgf"));
    convert(folder, testing_support::secondAppletExampleOptions());
    EXPECT_EQ(folder.read("TervanilQM/game1.htm"), fixture("page/game1.quillamy.htm"));
}

TEST(RunConversion, UnreworkedTextIsEmbeddedAsLoaded) {
    TempFolder folder;
    folder.write("GAME.SGF", "not a record\n");
    convert(folder);
    const std::string page = folder.read("TervanilOB/GAME.htm");
    EXPECT_NE(page.find("<TITLE>GAME.SGF</TITLE>\r\n"), std::string::npos);
    EXPECT_NE(page.find("VALUE=\"\r\nnot a record\r\n\r\n\">\r\n"), std::string::npos);
}

TEST(RunConversion, PageValuesAreHtmlEscaped) {
    TempFolder folder;
    folder.write("a&\"b.sgf", "(;C[\"><script>alert(1)</script> &amp;];B[aa])");
    ConversionOptions options;
    options.backgroundColour = "\"><b";
    options.width = "";
    convert(folder, options);
    const std::string page = folder.read("TervanilOB/a&\"b.htm");
    EXPECT_NE(page.find("<TITLE>a&amp;&quot;b.sgf</TITLE>"), std::string::npos);
    EXPECT_NE(page.find("<BODY BGCOLOR=\"#&quot;&gt;&lt;b\">"), std::string::npos);
    EXPECT_NE(page.find("\"WIDTH= HEIGHT=454>"), std::string::npos);
    EXPECT_NE(page.find("C[&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt; &amp;amp;]"),
              std::string::npos);
    EXPECT_EQ(page.find("<script>"), std::string::npos);
}

TEST(RunConversion, LastSourceFirstAndFirstFailureEndsTheRun) {
    TempFolder folder;
    for (std::string name : {"a.sgf", "b.sgf", "c.sgf"})
        folder.write(name, "(;GM[1];B[aa])");
    const std::vector<std::string> sources = ScanSources(folder.root());
    ::unlink(folder.path("b.sgf").c_str());
    WorkBuffers buffers;
    try {
        RunConversion(folder.root(), sources, {}, buffers);
        FAIL() << "no exception";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.message(), "ﾌｧｲﾙ b.sgf は開けません");
    }
    EXPECT_EQ(folder.names("TervanilOB"), std::vector<std::string>{"c.htm"});
}

TEST(RunConversion, OutputFolderThatIsAFileFailsTheFirstSave) {
    TempFolder folder;
    folder.write("a.sgf", "(;GM[1];B[aa])");
    folder.write("TervanilOB", "a file");
    try {
        convert(folder);
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.message(), "ﾌｧｲﾙ ./TervanilOB/a.htm を作成できません");
    }
    EXPECT_EQ(folder.read("TervanilOB"), "a file");
}

TEST(RunConversion, ExistingPagesAreReplacedAndNothingElseIsLeft) {
    TempFolder folder;
    folder.write("a.sgf", "(;GM[1];B[aa])");
    ASSERT_EQ(::mkdir(folder.path("TervanilOB").c_str(), 0755), 0);
    folder.write("TervanilOB/a.htm", std::string(100000, 'x'));
    folder.write("TervanilOB/keep.txt", "kept");
    convert(folder);
    EXPECT_EQ(folder.read("TervanilOB/a.htm").substr(0, 8), "<HTML>\r\n");
    EXPECT_EQ(folder.names("TervanilOB"), (std::vector<std::string>{"a.htm", "keep.txt"}));
}

TEST(WritePage, StartsFromAnEmptyPageBuffer) {
    TempFolder folder;
    folder.write("a.sgf", "(;GM[1];B[aa])");
    ASSERT_EQ(::mkdir(folder.path("out").c_str(), 0755), 0);
    WorkBuffers buffers;
    buffers.page.addLine("left over from a failed save");
    WritePage(folder.root(), "a.sgf", appletTag({}), folder.root() / "out", {}, buffers);
    EXPECT_EQ(folder.read("out/a.htm").substr(0, 8), "<HTML>\r\n");
    EXPECT_TRUE(buffers.page.empty());
}

TEST(RunConversion, EveryFileIsConvertedWhateverTheirNumberOrNameLength) {
    TempFolder folder;
    const std::string longName = std::string(251, 'g') + ".sgf";
    folder.write(longName, "(;GM[1];B[aa])");
    for (int i = 0; i < 510; ++i)
        folder.write("g" + std::to_string(i) + ".sgf", "(;GM[1];B[aa])");
    convert(folder);
    EXPECT_EQ(folder.names("TervanilOB").size(), 511u);
    EXPECT_TRUE(folder.exists("TervanilOB/" + std::string(251, 'g') + ".htm"));
}

} // namespace
} // namespace tervanil
