// tervanil-cli as a user runs it: exit code, stdout and stderr of each case.

#include "process.h"
#include "temp_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using testing_support::ProcessResult;
using testing_support::TempFolder;

ProcessResult cli(const TempFolder& folder, std::vector<std::string> arguments = {}) {
    return testing_support::runProcess(TERVANIL_CLI_PATH, std::move(arguments), folder.root());
}

const std::string record = "(;GM[1]SZ[9];B[aa];W[bb])";

TEST(Cli, ConvertsTheFolderAndReports) {
    TempFolder folder;
    folder.write("one.sgf", record);
    folder.write("two.SGF", record);
    const ProcessResult run = cli(folder);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "SGF Count = 2\nTervanil OK\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.names("TervanilOB"), (std::vector<std::string>{"one.htm", "two.htm"}));
}

TEST(Cli, NothingToConvertCreatesNoFolder) {
    TempFolder folder;
    const ProcessResult run = cli(folder);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "SGF Count = 0\n");
    EXPECT_FALSE(folder.exists("TervanilOB"));
}

TEST(Cli, QuietPrintsNothing) {
    TempFolder folder;
    folder.write("one.sgf", record);
    const ProcessResult run = cli(folder, {"--quiet"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(folder.exists("TervanilOB/one.htm"));
}

TEST(Cli, ConvertsAnotherFolderWithDashC) {
    TempFolder folder, elsewhere;
    folder.write("one.sgf", record);
    const ProcessResult run = testing_support::runProcess(
        TERVANIL_CLI_PATH, {"-C", folder.root().native()}, elsewhere.root());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(folder.exists("TervanilOB/one.htm"));
    EXPECT_TRUE(elsewhere.names().empty());
}

struct ProfileCase {
    std::vector<std::string> arguments;
    std::string folder;
    std::string tag;
};

class CliProfile : public testing::TestWithParam<ProfileCase> {};

TEST_P(CliProfile, AppletTagFollowsAppletAndLanguage) {
    TempFolder folder;
    folder.write("one.sgf", record);
    ASSERT_EQ(cli(folder, GetParam().arguments).exitCode, 0);
    EXPECT_NE(folder.read(GetParam().folder + "/one.htm").find("\r\n" + GetParam().tag + "\r\n"),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliProfile,
    testing::Values(
        ProfileCase{
            {},
            "TervanilOB",
            "<APPLET CODEBASE=\"Orbanel\" CODE=\"Orbanel.Orbanel.class\"WIDTH=575 HEIGHT=454>"},
        ProfileCase{
            {"--applet", "quillamy"},
            "TervanilQM",
            "<APPLET CODEBASE=\"Dunmeris\" CODE=\"Quillamy.Quillamy.class\"WIDTH=399 HEIGHT=492>"},
        ProfileCase{{"--applet", "quillamy", "--language", "japanese"},
                    "TervanilQM",
                    "<APPLET CODEBASE=\"Dunmeris\" CODE=\"Quillamy.QuillamyJpn.class\"WIDTH=399 "
                    "HEIGHT=545>"},
        ProfileCase{
            {"--width", "", "--height", "50%", "--codebase", "viewers/x"},
            "TervanilOB",
            "<APPLET CODEBASE=\"viewers/x\" CODE=\"Orbanel.Orbanel.class\"WIDTH= HEIGHT=50%>"}));

TEST(Cli, RecordOptionsReachTheRootNode) {
    TempFolder folder;
    folder.write("one.sgf", record);
    const ProcessResult run =
        cli(folder, {"--applet", "quillamy", "--no-freeclick", "--askstyle", "--next", "white",
                     "--no-number", "--advancemoves", "--startupmoves", "4", "--startupnumber", "2",
                     "--startupmessage", "Black to play", "--bgcolor", "ffffff"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string page = folder.read("TervanilQM/one.htm");
    EXPECT_NE(
        page.find("(;\r\nGO[3]\r\nCL[2]\r\nQS[1]\r\nNE[W]\r\nAS[4,2]\r\nC[Black to play]GM[1]"),
        std::string::npos);
    EXPECT_NE(page.find("<BODY BGCOLOR=\"#ffffff\">"), std::string::npos);
}

TEST(Cli, FailedRunReportsTheMessageAndKeepsEarlierPages) {
    TempFolder folder;
    folder.write("a.sgf", record);
    folder.write("b.sgf", record);
    ASSERT_EQ(::mkdir(folder.path("TervanilOB").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir(folder.path("TervanilOB/a.htm").c_str(), 0755), 0);
    const ProcessResult run = cli(folder);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "SGF Count = 2\n");
    EXPECT_EQ(run.err, "ﾌｧｲﾙ ./TervanilOB/a.htm を作成できません.\n"
                       "tervanil-cli: ./TervanilOB/a.htm: Is a directory\n");
    EXPECT_EQ(folder.names("TervanilOB"), (std::vector<std::string>{"a.htm", "b.htm"}));
}

// A usage error is one line naming the problem and a pointer to the help.
TEST(Cli, UsageErrorsExitWithTwo) {
    TempFolder folder;
    folder.write("one.sgf", record);
    struct Case {
        std::vector<std::string> arguments;
        std::string named; // what the first line must name
    };
    for (const Case& c : std::vector<Case>{{{"--bogus"}, "--bogus"},
                                           {{"--applet", "other"}, "other"},
                                           {{"--applet", "1"}, "--applet"},
                                           {{"--applet="}, "--applet"},
                                           {{"--next", "red"}, "--next"},
                                           {{"--next", "1"}, "--next"},
                                           {{"--codepage", "0"}, "--codepage"},
                                           {{"--language", "french"}, "--language"},
                                           {{"--fallback", "both"}, "--fallback"},
                                           {{"--width"}, "--width"},
                                           {{"-C", "/no/such/folder"}, "/no/such/folder"},
                                           {{"-C", "one.sgf"}, "Not a directory"},
                                           {{"extra"}, "extra"}}) {
        SCOPED_TRACE(c.arguments[0]);
        const ProcessResult run = cli(folder, c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        const size_t lineEnd = run.err.find('\n');
        ASSERT_NE(lineEnd, std::string::npos);
        EXPECT_TRUE(run.err.starts_with("tervanil-cli: ")) << run.err;
        EXPECT_NE(run.err.substr(0, lineEnd).find(c.named), std::string::npos) << run.err;
        EXPECT_EQ(run.err.substr(lineEnd + 1), "Run with --help for more information.\n");
    }
    EXPECT_FALSE(folder.exists("TervanilOB"));
}

// The page of one.sgf after a run with `arguments`, or a failure.
std::string pageWith(const std::vector<std::string>& arguments,
                     const std::string& output = "TervanilOB") {
    TempFolder folder;
    folder.write("one.sgf", record);
    const ProcessResult run = cli(folder, arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return folder.exists(output + "/one.htm") ? folder.read(output + "/one.htm") : "";
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Empty values, choices in any case, the last of a repeated option.
TEST(Cli, OptionConventions) {
    EXPECT_TRUE(has(pageWith({"--bgcolor="}), "<BODY BGCOLOR=\"#\">"));
    EXPECT_TRUE(has(pageWith({"--bgcolor", ""}), "<BODY BGCOLOR=\"#\">"));
    EXPECT_TRUE(has(pageWith({"--width=", "--height=", "--codebase="}),
                    "<APPLET CODEBASE=\"\" CODE=\"Orbanel.Orbanel.class\"WIDTH= HEIGHT=>"));
    // An empty value does not take the next argument as its own.
    EXPECT_TRUE(has(pageWith({"--startupmessage=", "--bgcolor=abc"}), "(;\r\nGO[0]GM[1]"));
    EXPECT_TRUE(has(pageWith({"--startupmoves=", "--startupnumber=2"}), "AS[,2]"));
    EXPECT_TRUE(has(pageWith({"--bgcolor", "--x"}), "BGCOLOR=\"#--x\""));
    EXPECT_TRUE(has(pageWith({"--applet", "QUILLAMY", "--language", "Japanese"}, "TervanilQM"),
                    "Quillamy.QuillamyJpn.class"));
    EXPECT_TRUE(
        has(pageWith({"--applet", "quillamy", "--applet", "orbanel"}), "Orbanel.Orbanel.class"));
    EXPECT_TRUE(has(pageWith({"--bgcolor", "111111", "--bgcolor=222222"}), "\"#222222\""));
    EXPECT_TRUE(has(pageWith({"--no-number", "--number"}), "GO[0]"));
    EXPECT_TRUE(has(pageWith({"--number", "--no-number"}), "GO[2]"));
    EXPECT_TRUE(
        has(pageWith({"--applet", "quillamy", "--next", "WHITE", "--next", "white"}, "TervanilQM"),
            "NE[W]"));
    EXPECT_TRUE(has(pageWith({"--fallback", "Viewer", "--codepage", "SHIFT-JIS"}), "GO[0]"));
}

TEST(Cli, HelpShowsTheRealDefaultsInPlainWords) {
    TempFolder folder;
    const ProcessResult run = cli(folder, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    for (const char* line :
         {"--applet orbanel|quillamy", "--startupmessage TEXT", "--codepage shift-jis|single-byte",
          "--fallback none|diagram|viewer", "-C DIR", "--index", "--verbose", "--version"})
        EXPECT_TRUE(has(run.out, line)) << line;
    const auto lineOf = [&](const std::string& option) {
        const size_t at = run.out.find("\n  " + option);
        return at == std::string::npos ? std::string()
                                       : run.out.substr(at + 1, run.out.find('\n', at + 1) - at);
    };
    EXPECT_TRUE(has(lineOf("--clickable, --no-clickable"), "(default: on)"));
    EXPECT_TRUE(has(lineOf("--number, --no-number"), "(default: on)"));
    EXPECT_TRUE(has(lineOf("--askstyle, --no-askstyle"), "(default: off)"));
    EXPECT_TRUE(has(lineOf("--bgcolor"), "(default: f8e0e0)"));
    EXPECT_TRUE(has(lineOf("--applet"), "(default: orbanel)"));
    for (const char* notation : {"{", "ENUM", "TEXT:", "[Option", "REQUIRED", "=f8e0e0"})
        EXPECT_FALSE(has(run.out, notation)) << notation;
}

const std::string kuro = "\xe9\xbb\x92";    // 黒 in UTF-8
const std::string snowman = "\xe2\x98\x83"; // a character no Shift-JIS has

// Typed in UTF-8 (the test locale), the startup message goes in each record's
// own character set; what cannot go is "?", said once.
TEST(Cli, TypedTextGoesInTheRecordsCharacterSet) {
    TempFolder folder;
    folder.write("a.sgf", "(;CA[Shift_JIS];B[aa])");
    folder.write("b.sgf", "(;CA[SJIS]GM[1];B[aa])");
    folder.write("c.sgf", "(;CA[UTF-8];B[aa])");
    folder.write("d.sgf", record);
    const ProcessResult run =
        cli(folder, {"--startupmessage", kuro + snowman + "]", "--startupmoves", kuro});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(has(folder.read("TervanilOB/a.htm"), "AS[\x8d\x95,1]\r\nC[\x8d\x95?\\]]CA["));
    EXPECT_TRUE(has(folder.read("TervanilOB/b.htm"), "C[\x8d\x95?\\]]CA["));
    EXPECT_TRUE(has(folder.read("TervanilOB/c.htm"), "C[" + kuro + snowman + "\\]]CA["));
    EXPECT_TRUE(has(folder.read("TervanilOB/d.htm"), "C[" + kuro + snowman + "\\]]GM["));
    EXPECT_EQ(run.err, "tervanil-cli: --startupmessage: characters that CP932 cannot hold go in "
                       "as \"?\" (b.sgf)\n");
}

TEST(Cli, InvalidBytesOfATypedTextGoInAsQuestionMarks) {
    TempFolder folder;
    folder.write("a.sgf", record);
    folder.write("b.sgf", "(;CA[Shift_JIS];B[aa])");
    const ProcessResult run = cli(folder, {"--startupmessage", "a\xff\x82"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(has(folder.read("TervanilOB/a.htm"), "C[a??]GM["));
    EXPECT_TRUE(has(folder.read("TervanilOB/b.htm"), "C[a??]CA["));
    EXPECT_EQ(run.err, "tervanil-cli: --startupmessage: bytes not valid in the system's "
                       "character set (UTF-8) go in as \"?\"\n");
}

TEST(Cli, VerboseNamesEachPageAndWarnsOfOddRecords) {
    TempFolder folder;
    folder.write("a.sgf", record);
    folder.write("b.sgf", "no game tree here");
    folder.write("c.sgf", "(;CA[Shift_JIS]C[\x8d\x95];B[aa])");
    folder.write("d.sgf", "(;CA[utf-8];B[aa])");
    folder.write("e.sgf", std::string("(;GM[1];B[aa]\0;W[bb])", 21));
    const ProcessResult run = cli(folder, {"--verbose"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "SGF Count = 5\n"
                       "e.sgf -> ./TervanilOB/e.htm\n"
                       "d.sgf -> ./TervanilOB/d.htm\n"
                       "c.sgf -> ./TervanilOB/c.htm\n"
                       "b.sgf -> ./TervanilOB/b.htm\n"
                       "a.sgf -> ./TervanilOB/a.htm\n"
                       "Tervanil OK\n");
    EXPECT_EQ(run.err, "tervanil-cli: warning: e.sgf: cut at a NUL byte\n"
                       "tervanil-cli: warning: c.sgf: read in Shift_JIS as its CA names, not in "
                       "the system's UTF-8\n"
                       "tervanil-cli: warning: b.sgf: no game tree found; embedded as loaded\n");
    EXPECT_EQ(cli(folder).err, "");
}

TEST(Cli, IndexListsThePagesInUtf8) {
    TempFolder folder;
    folder.write("b.sgf", "(;CA[Shift_JIS]PB[\x8d\x95]PW[<w>]RE[B+R]DT[2001]EV[Cup];B[aa])");
    folder.write("a & b.sgf", record);
    const ProcessResult run = cli(folder, {"--index", "--applet", "quillamy"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(folder.names("TervanilQM"),
              (std::vector<std::string>{"a & b.htm", "b.htm", "index.htm"}));
    const std::string index = folder.read("TervanilQM/index.htm");
    EXPECT_TRUE(has(index, "<TR><TD><A HREF=\"a%20%26%20b.htm\">a &amp; b.sgf</A></TD><TD></TD>"
                           "<TD></TD><TD></TD><TD></TD><TD></TD><TD>2</TD></TR>\r\n"
                           "<TR><TD><A HREF=\"b.htm\">b.sgf</A></TD><TD>" +
                               kuro +
                               "</TD><TD>&lt;w&gt;</TD><TD>B+R</TD><TD>2001</TD><TD>Cup</TD>"
                               "<TD>1</TD></TR>\r\n</TABLE>"))
        << index;
    // A record named like the index gives up its page, and is told so.
    TempFolder named;
    named.write("index.sgf", record);
    const ProcessResult both = cli(named, {"--index"});
    EXPECT_EQ(both.exitCode, 0);
    EXPECT_EQ(both.err,
              "tervanil-cli: --index: index.htm takes the place of the page of index.sgf\n");
    EXPECT_TRUE(named.read("TervanilOB/index.htm").starts_with("<!DOCTYPE html>"));
    // Asked for only.
    TempFolder plain;
    plain.write("a.sgf", record);
    EXPECT_EQ(cli(plain).exitCode, 0);
    EXPECT_EQ(plain.names("TervanilOB"), std::vector<std::string>{"a.htm"});
}

} // namespace
