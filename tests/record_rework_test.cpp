#include "record_rework.h"

#include "example_options.h"
#include "sgf_reference.h"

#include <gtest/gtest.h>

namespace tervanil {
namespace {

const std::string exampleRecord = "(;GM[1]FF[3]SZ[9]\r\n"
                                  "GN[Example]\r\n"
                                  ";B[ee];W[gc];B[cg];W[cc]\r\n"
                                  ";B[gg];W[eg];B[ge];W[ec]\r\n"
                                  ";B[dd];W[fd];B[ff];W[dg])\r\n";

std::string reworked(const std::string& record, const ConversionOptions& options = {}) {
    TextBuffer buffer;
    buffer.loadFromBytes(record, options.codePage);
    ReworkRecord(buffer, options);
    return buffer.text();
}

// `count` six-byte move nodes, alternating colours.
std::string moves(int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += i % 2 == 0 ? ";B[aa]" : ";W[bb]";
    return text;
}

TEST(ReworkRecord, DefaultOptionsExample) {
    EXPECT_EQ(reworked(exampleRecord),
              "(;\r\n"
              "GO[0]GM[1]FF[3]SZ[9]\r\n"
              "GN[Example]\r\n"
              ";B[ee];W[gc];B[cg];W[cc];B[gg];W[eg];B[ge];W[ec];B[dd];W[fd]\r\n"
              ";B[ff];W[dg])\r\n");
}

TEST(ReworkRecord, SecondAppletExample) {
    EXPECT_EQ(reworked(exampleRecord, testing_support::secondAppletExampleOptions()),
              "(;\r\nGO[3]\r\nCL[2]\r\nQS[1]\r\nNE[W]\r\nAS[4,1]\r\n"
              "C[Black to play]GM[1]FF[3]SZ[9]\r\n"
              "GN[Example]\r\n"
              ";B[ee];W[gc];B[cg];W[cc];B[gg];W[eg];B[ge];W[ec];B[dd];W[fd]\r\n"
              ";B[ff];W[dg])\r\n");
}

TEST(ReworkRecord, LeavesTextWithoutRootNodeUntouched) {
    for (std::string text : {"no record here", "(;", "prose (;GM[1]SZ[9])", "( GM[1];B[aa])"}) {
        TextBuffer buffer;
        buffer.loadFromBytes(text, CodePage::SingleByte);
        EXPECT_FALSE(ReworkRecord(buffer, {})) << text;
        EXPECT_EQ(buffer.text(), text);
    }
}

TEST(ReworkRecord, OpeningMayHaveBlanksBeforeItsSemicolon) {
    EXPECT_EQ(reworked("( \r\n ;GM[1];B[aa])"), "( \r\n ;\r\nGO[0]GM[1];B[aa])\r\n");
}

TEST(ReworkRecord, TextBeforeTheRecordStays) {
    EXPECT_EQ(reworked("Game of 1 May\r\n(;GM[1];B[aa])"),
              "Game of 1 May\r\n(;\r\nGO[0]GM[1];B[aa])\r\n");
}

TEST(ReworkRecord, SemicolonInRootCommentDoesNotEndRootNode) {
    EXPECT_EQ(reworked("(;C[first; second\r\nline]GM[1]\r\n;B[aa])"),
              "(;\r\nGO[0]C[first; second\r\nline]GM[1]\r\n;B[aa])\r\n");
}

TEST(ReworkRecord, TagsAreFoundOnlyOutsideValues) {
    EXPECT_EQ(reworked("(;C[GO[1] or AS[2] in words];B[aa])", {}),
              "(;\r\nGO[0]C[GO[1] or AS[2] in words];B[aa])\r\n");
    EXPECT_EQ(reworked("(;GO[2]C[x];B[aa])", {}), "(;GO[2]C[x];B[aa])\r\n");
}

TEST(ReworkRecord, PropertiesAlreadyPresentAreNotAddedAgain) {
    ConversionOptions options;
    options.applet = Applet::Quillamy;
    options.askstyle = true;
    options.nextWhite = true;
    options.startupNumber = "5";
    options.startupMessage = "hi";
    EXPECT_EQ(reworked("(;GO[1]CL[2]QS[1]NE[B]AS[0,1]C[own];B[aa])", options),
              "(;\r\nC[hi]GO[1]CL[2]QS[1]NE[B]AS[0,1]C[own];B[aa])\r\n");
}

TEST(ReworkRecord, LineBreaksInsideValuesStay) {
    EXPECT_EQ(reworked("(;GM[1]\r\n;B[aa]C[line one\r\nline two]\r\n;W[bb]\r\n)"),
              "(;\r\nGO[0]GM[1]\r\n;B[aa]C[line one\r\nline two];W[bb])\r\n");
}

struct ReflowCase {
    const char* name;
    std::string moves;
    std::string reflowed;
};

class Reflow : public testing::TestWithParam<ReflowCase> {};

TEST_P(Reflow, BreaksAfterEveryTenthNode) {
    const std::string header = "(;\r\nGO[0]GM[1]";
    EXPECT_EQ(reworked("(;GM[1]" + GetParam().moves), header + GetParam().reflowed + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Reflow,
    testing::Values(
        ReflowCase{"TenNodesStayOnOneLine", moves(10) + ")", moves(10) + ")"},
        ReflowCase{"EleventhNodeStartsALine", moves(11) + ")",
                   moves(10) + "\r\n" + moves(11).substr(60) + ")"},
        ReflowCase{"TwentyOneNodes", moves(21) + ")",
                   moves(10) + "\r\n" + moves(10) + "\r\n" + moves(21).substr(120) + ")"},
        ReflowCase{"LineBreaksOfTheMovePartGo", ";B[aa]\r\n;W[bb]\r\n)", ";B[aa];W[bb])"},
        // A short last node is counted: its break falls behind the ")".
        ReflowCase{"PassAsTenthNode", moves(9) + ";B[])", moves(9) + ";B[])\r\n"},
        // The earliest spot lies inside the comment: the break waits for its end.
        ReflowCase{"BreakNeverInsideValue", moves(9) + ";C[hello];B[aa])",
                   moves(9) + ";C[hello]\r\n;B[aa])"},
        // Nor between the letters of a property or before its value.
        ReflowCase{"BreakNeverAfterLetter", moves(9) + ";FOOBAR[x];B[aa])",
                   moves(9) + ";FOOBAR[x]\r\n;B[aa])"},
        ReflowCase{"SemicolonInValueIsNoNode", ";B[aa]C[a;b;c]" + moves(9) + ")",
                   ";B[aa]C[a;b;c]" + moves(9) + ")"},
        ReflowCase{"EscapedBracketKeepsValueOpen", ";C[x\\];y;z]" + moves(10) + ")",
                   ";C[x\\];y;z]" + moves(9) + "\r\n;W[bb])"},
        // A ")" inside a value does not end the scan.
        ReflowCase{"ParenInValueIsNoEnd", ";C[abc)]" + moves(10) + ")",
                   ";C[abc)]" + moves(9) + "\r\n;W[bb])"},
        // Only the first variation is laid out; the text behind it is joined.
        ReflowCase{"VariationsEndTheScan", moves(3) + "(" + moves(2) + ")\r\n(" + moves(12) + "))",
                   moves(3) + "(" + moves(2) + ")(" + moves(12) + "))"}),
    [](const auto& info) { return info.param.name; });

TEST(ReworkRecord, TypedValuesAreEscaped) {
    ConversionOptions options;
    options.startupMessage = "a]b\\c";
    options.startupMoves = "1]";
    EXPECT_EQ(reworked("(;GM[1];B[aa])", options),
              "(;\r\nGO[0]\r\nAS[1\\],1]\r\nC[a\\]b\\\\c]GM[1];B[aa])\r\n");
}

TEST(ReworkRecord, DoubleByteCharactersOfTypedValuesStayWhole) {
    ConversionOptions options;
    options.codePage = CodePage::ShiftJis;
    options.typedTextCharset = "Shift_JIS";
    options.startupMessage = "\x83\x5C]"; // a character whose second byte is "\"
    EXPECT_EQ(rootAdditions({}, options, "CP932"), "\r\nGO[0]\r\nC[\x83\x5C\\]]");
}

TEST(ReworkRecord, RecordNamingShiftJisIsReadInIt) {
    // The second byte of this character is "\": read byte by byte it would
    // escape the "]" and the comment would never end.
    const std::string record = "(;CA[Shift_JIS]C[\x83\x5C];B[aa]\r\n;W[bb])";
    EXPECT_EQ(reworked(record), "(;\r\nGO[0]CA[Shift_JIS]C[\x83\x5C];B[aa];W[bb])\r\n");
    ConversionOptions shiftJis;
    shiftJis.codePage = CodePage::ShiftJis;
    EXPECT_EQ(reworked("(;C[\x83\x5C];B[aa])", shiftJis), "(;\r\nGO[0]C[\x83\x5C];B[aa])\r\n");
}

struct AdditionsCase {
    const char* name;
    ConversionOptions options;
    std::string additions;
};

ConversionOptions quillamy(void (*change)(ConversionOptions&)) {
    ConversionOptions options;
    options.applet = Applet::Quillamy;
    change(options);
    return options;
}

class Additions : public testing::TestWithParam<AdditionsCase> {};

TEST_P(Additions, FollowTheOptions) {
    EXPECT_EQ(rootAdditions({}, GetParam().options), GetParam().additions);
}

INSTANTIATE_TEST_SUITE_P(Cases, Additions,
                         testing::Values(AdditionsCase{"Defaults", {}, "\r\nGO[0]"},
                                         AdditionsCase{"NumberAndAdvance", quillamy([](auto& o) {
                                                           o.advancemoves = true;
                                                       }),
                                                       "\r\nGO[1]\r\nCL[1]"},
                                         AdditionsCase{"NoNumber",
                                                       quillamy([](auto& o) { o.number = false; }),
                                                       "\r\nGO[2]\r\nCL[1]"},
                                         AdditionsCase{"NotClickable", quillamy([](auto& o) {
                                                           o.clickable = false;
                                                           o.askstyle = true;
                                                           o.nextWhite = true;
                                                       }),
                                                       "\r\nGO[0]"},
                                         AdditionsCase{"FirstAppletIgnoresInteraction",
                                                       [] {
                                                           ConversionOptions o;
                                                           o.askstyle = true;
                                                           o.nextWhite = true;
                                                           return o;
                                                       }(),
                                                       "\r\nGO[0]"},
                                         // The comparison is with the text as typed.
                                         AdditionsCase{"StartupNumberWithBlank",
                                                       [] {
                                                           ConversionOptions o;
                                                           o.startupNumber = " 1";
                                                           return o;
                                                       }(),
                                                       "\r\nGO[0]\r\nAS[0, 1]"},
                                         AdditionsCase{"EmptyStartupMoves",
                                                       [] {
                                                           ConversionOptions o;
                                                           o.startupMoves = "";
                                                           return o;
                                                       }(),
                                                       "\r\nGO[0]\r\nAS[,1]"}),
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace tervanil
