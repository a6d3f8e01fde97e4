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
    EXPECT_EQ(run.err, "ﾌｧｲﾙ ./TervanilOB/a.htm を作成できません.\n");
    EXPECT_EQ(folder.names("TervanilOB"), (std::vector<std::string>{"a.htm", "b.htm"}));
}

TEST(Cli, UsageErrorsExitWithTwo) {
    TempFolder folder;
    folder.write("one.sgf", record);
    for (std::vector<std::string> arguments : {std::vector<std::string>{"--bogus"},
                                               {"--applet", "other"},
                                               {"--next", "red"},
                                               {"-C", "/no/such/folder"},
                                               {"extra"}}) {
        const ProcessResult run = cli(folder, arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments[0];
        EXPECT_NE(run.err.find("Usage"), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(folder.exists("TervanilOB"));
}

TEST(Cli, HelpListsTheOptions) {
    TempFolder folder;
    const ProcessResult run = cli(folder, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option :
         {"--applet", "--startupmessage", "--no-clickable", "--codepage", "-C"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

} // namespace
