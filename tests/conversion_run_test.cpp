#include "conversion_run.h"
#include "exceptions.h"

#include "example_options.h"
#include "expect_throw.h"
#include "file_size_limit.h"
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
    EXPECT_THROW_MSG(RunConversion(folder.root(), sources, {}, buffers), EFOpenError,
                     "ﾌｧｲﾙ b.sgf は開けません");
    EXPECT_EQ(folder.names("TervanilOB"), std::vector<std::string>{"c.htm"});
}

TEST(RunConversion, OutputFolderThatIsAFileFailsTheFirstSave) {
    TempFolder folder;
    folder.write("a.sgf", "(;GM[1];B[aa])");
    folder.write("TervanilOB", "a file");
    EXPECT_THROW_MSG(convert(folder), EFCreateError, "ﾌｧｲﾙ ./TervanilOB/a.htm を作成できません");
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

namespace tervanil {
namespace {

std::string numbered(int i) {
    return (i < 10 ? "g0" : "g") + std::to_string(i);
}

// Pages are prepared ahead of their commits: those prepared after the failing
// source must not stay, nor any temporary file.
TEST(RunConversion, FailureInALongRunLeavesOnlyThePagesBeforeIt) {
    TempFolder folder;
    for (int i = 0; i < 30; ++i)
        folder.write(numbered(i) + ".sgf", "(;GM[1];B[aa])");
    const std::vector<std::string> sources = ScanSources(folder.root());
    ::unlink(folder.path("g10.sgf").c_str());
    WorkBuffers buffers;
    EXPECT_THROW_MSG(RunConversion(folder.root(), sources, {}, buffers), EFOpenError,
                     "ﾌｧｲﾙ g10.sgf は開けません");
    std::vector<std::string> expected;
    for (int i = 11; i < 30; ++i)
        expected.push_back(numbered(i) + ".htm");
    EXPECT_EQ(folder.names("TervanilOB"), expected);
}

TEST(RunConversion, PageThatCannotBePutInPlaceEndsTheRunThere) {
    TempFolder folder;
    for (std::string name : {"a.sgf", "b.sgf", "c.sgf", "d.sgf", "e.sgf"})
        folder.write(name, "(;GM[1];B[aa])");
    ASSERT_EQ(::mkdir(folder.path("TervanilOB").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(folder.path("TervanilOB/c.htm").c_str(), 0755), 0);
    folder.write("TervanilOB/c.htm/kept", "x");
    EXPECT_THROW_MSG(convert(folder), EFCreateError, "ﾌｧｲﾙ ./TervanilOB/c.htm を作成できません");
    EXPECT_EQ(folder.names("TervanilOB"), (std::vector<std::string>{"c.htm", "d.htm", "e.htm"}));
    EXPECT_EQ(folder.read("TervanilOB/c.htm/kept"), "x");
}

// A large record's page is written by a second thread: its failure still ends
// the run with the page's error, and the old page stays whole.
TEST(RunConversion, FailedWriteOfALargePageKeepsTheOldPage) {
    TempFolder folder;
    std::string record = "(;GM[1]";
    while (record.size() < 6 * 1024 * 1024)
        record += ";B[aa];W[bb]\r\n";
    folder.write("big.sgf", record + ")");
    ASSERT_EQ(::mkdir(folder.path("TervanilOB").c_str(), 0755), 0);
    folder.write("TervanilOB/big.htm", "the page as it was");
    {
        testing_support::FileSizeLimit limit(1024 * 1024);
        EXPECT_THROW_MSG(convert(folder), EWriteError, "ｽﾄﾘｰﾑへの書き込みｴﾗｰ");
    }
    EXPECT_EQ(folder.read("TervanilOB/big.htm"), "the page as it was");
    EXPECT_EQ(folder.names("TervanilOB"), std::vector<std::string>{"big.htm"});
}

class ReportRecorder : public RunObserver {
  public:
    void pageWritten(const PageReport& report) override { reports.push_back(report); }
    std::vector<PageReport> reports;
};

TEST(RunConversion, ObserverHearsOfEachPageInTheRunsOrder) {
    TempFolder folder;
    folder.write("a.sgf", "(;GM[1];B[aa])");
    folder.write("b.sgf", "no record here");
    folder.write("c.sgf", "(;CA[ Shift_JIS ]GM[1];B[aa])");
    folder.write("d.sgf", std::string("(;GM[1];B[aa]\0(;", 16));
    ReportRecorder recorder;
    WorkBuffers buffers;
    RunConversion(folder.root(), ScanSources(folder.root()), {}, buffers, &recorder);
    ASSERT_EQ(recorder.reports.size(), 4u);
    struct Expected {
        std::string source, page;
        bool embeddedAsLoaded, cutAtNul;
        std::string charset;
        bool readInNamed;
        CodePage readIn;
    };
    const Expected expected[] = {
        {"d.sgf", "d.htm", false, true, "", false, CodePage::SingleByte},
        {"c.sgf", "c.htm", false, false, "Shift_JIS", true, CodePage::ShiftJis},
        {"b.sgf", "b.htm", true, false, "", false, CodePage::SingleByte},
        {"a.sgf", "a.htm", false, false, "", false, CodePage::SingleByte},
    };
    for (size_t i = 0; i < 4; ++i) {
        const PageReport& got = recorder.reports[i];
        const Expected& want = expected[i];
        SCOPED_TRACE(want.source);
        EXPECT_EQ(got.sourceName, want.source);
        EXPECT_EQ(got.pageName, want.page);
        EXPECT_EQ(got.embeddedAsLoaded, want.embeddedAsLoaded);
        EXPECT_EQ(got.cutAtNul, want.cutAtNul);
        EXPECT_EQ(got.namedCharset, want.charset);
        EXPECT_EQ(got.readInNamedCodePage, want.readInNamed);
        EXPECT_EQ(got.readIn, want.readIn);
        EXPECT_FALSE(got.card.has_value());
    }
}

// Add-ons that show in the page what they saw of the record.
class SeeingAddOns : public PageAddOns {
  public:
    explicit SeeingAddOns(bool headNeedsRecord) : m_headNeedsRecord(headNeedsRecord) {}
    bool headNeedsRecord() const override { return m_headNeedsRecord; }
    void recordStarts(CodePage readIn, std::string_view) override {
        m_seen.clear();
        m_readIn = readIn;
    }
    void recordBytes(std::string_view bytes) override { m_seen.append(bytes); }
    void recordEnds() override { m_ended = true; }
    std::string headLines() override {
        return std::string("<META seen=") + std::to_string(m_seen.size()) +
               (m_readIn == CodePage::ShiftJis ? " sjis" : " single") + ">\r\n";
    }
    std::string blockBeforeAppletEnd() override {
        return std::string("<P>") + (m_ended ? "ended " : "") + m_seen + "</P>\r\n";
    }

  private:
    bool m_headNeedsRecord;
    CodePage m_readIn = CodePage::SingleByte;
    std::string m_seen;
    bool m_ended = false;
};

TEST(RunConversion, AddOnsGetTheirLinesAndSeeTheRecordBeforeEscaping) {
    for (const bool headNeedsRecord : {false, true}) {
        SCOPED_TRACE(headNeedsRecord);
        TempFolder folder;
        folder.write("a.sgf", "(;CA[Shift_JIS]C[a&b];B[aa])");
        WorkBuffers buffers;
        RunConversion(folder.root(), ScanSources(folder.root()), {}, buffers, nullptr,
                      [headNeedsRecord](const std::string& sourceName) {
                          EXPECT_EQ(sourceName, "a.sgf");
                          return std::make_unique<SeeingAddOns>(headNeedsRecord);
                      });
        const std::string record = "(;\r\nGO[0]CA[Shift_JIS]C[a&b];B[aa])\r\n";
        const std::string seen = headNeedsRecord ? std::to_string(record.size()) : "0";
        EXPECT_EQ(folder.read("TervanilOB/a.htm"),
                  "<HTML>\r\n<HEAD>\r\n<META seen=" + seen +
                      " sjis>\r\n<TITLE>a.sgf</TITLE>\r\n</HEAD>\r\n"
                      "<BODY BGCOLOR=\"#f8e0e0\">\r\n" +
                      appletTag({}) + "\r\n<PARAM NAME=\"moves\" VALUE=\"\r\n" +
                      "(;\r\nGO[0]CA[Shift_JIS]C[a&amp;b];B[aa])\r\n\r\n\">\r\n<P>ended " + record +
                      "</P>\r\n</APPLET>\r\n</BODY>\r\n</HTML>\r\n");
    }
}

} // namespace
} // namespace tervanil
