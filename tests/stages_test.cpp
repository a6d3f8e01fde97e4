// Each stage on its own, fed whole and one byte at a time: a rule that holds
// only when a chunk happens to end elsewhere is a fault.

#include "load_stages.h"
#include "move_stages.h"
#include "page.h"

#include <gtest/gtest.h>

#include <functional>

namespace tervanil {
namespace {

using MakeStage = std::function<std::unique_ptr<ByteSink>(ByteSink& next)>;

// The stage's output for `input` fed whole and in chunks of one byte; both
// must agree.
std::string through(const MakeStage& make, std::string_view input) {
    StringSink whole, single;
    {
        const std::unique_ptr<ByteSink> stage = make(whole);
        stage->feed(input);
        stage->finish();
    }
    {
        const std::unique_ptr<ByteSink> stage = make(single);
        for (char c : input)
            stage->feed(std::string_view(&c, 1));
        stage->finish();
    }
    EXPECT_EQ(single.text(), whole.text()) << "fed byte by byte";
    return whole.text();
}

struct StageCase {
    const char* name;
    std::string input;
    std::string output;
};

void PrintTo(const StageCase& stageCase, std::ostream* out) {
    *out << stageCase.name;
}

const auto caseName = [](const auto& info) { return std::string(info.param.name); };

class Normaliser : public testing::TestWithParam<StageCase> {};
TEST_P(Normaliser, KeepsCrLfAndMakesLoneBreaksCrLf) {
    const auto make = [](ByteSink& next) {
        return std::make_unique<LineBreakNormaliser>(CodePage::ShiftJis, next);
    };
    EXPECT_EQ(through(make, GetParam().input), GetParam().output);
}
INSTANTIATE_TEST_SUITE_P(Cases, Normaliser,
                         testing::Values(StageCase{"CrLfStays", "a\r\nb", "a\r\nb"},
                                         StageCase{"LoneLf", "a\nb", "a\r\nb"},
                                         StageCase{"LoneCrAtEnd", "a\r", "a\r\n"},
                                         StageCase{"CrCrLf", "a\r\r\nb", "a\r\n\r\nb"},
                                         StageCase{"LfCr", "\n\r", "\r\n\r\n"},
                                         // The lead byte takes the LF along.
                                         StageCase{"LeadByteTakesLf", "\x81\nA\n", "\x81\nA\r\n"},
                                         StageCase{"LeadByteTakesCr", "\x81\r\n", "\x81\r\r\n"},
                                         StageCase{"LeadByteAtEnd", "A\x81", "A\x81"}),
                         caseName);

TEST(NulCut, EndsTheStreamAtTheFirstNul) {
    const auto make = [](ByteSink& next) { return std::make_unique<NulCut>(next); };
    EXPECT_EQ(through(make, std::string("ab\0cd\0e", 7)), "ab");
    EXPECT_EQ(through(make, "no nul"), "no nul");
    StringSink out;
    NulCut cut(out);
    cut.feed("ab");
    EXPECT_FALSE(cut.cut());
    cut.feed(std::string_view("c\0d", 3));
    EXPECT_TRUE(cut.cut());
}

class Dropper : public testing::TestWithParam<StageCase> {};
TEST_P(Dropper, DropsLineBreaksOutsideValuesOnly) {
    const auto make = [](ByteSink& next) {
        return std::make_unique<LineBreakDropper>(CodePage::ShiftJis, next);
    };
    EXPECT_EQ(through(make, GetParam().input), GetParam().output);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, Dropper,
    testing::Values(StageCase{"CrLfAndLoneLf", ";B[aa]\r\n;W[bb]\n)", ";B[aa];W[bb])"},
                    StageCase{"LoneCrStays", ";B[aa]\r;W[bb]", ";B[aa]\r;W[bb]"},
                    StageCase{"CrAtTheEndStays", ";B[aa]\r", ";B[aa]\r"},
                    StageCase{"InsideAValue", ";C[a\r\nb]\r\n", ";C[a\r\nb]"},
                    StageCase{"AfterAnEscapedBracket", ";C[a\\]\r\n]\r\n", ";C[a\\]\r\n]"},
                    // A trail byte LF belongs to its character.
                    StageCase{"TrailByte", ";\x81\n\r\n", ";\x81\n"}),
    caseName);

class ReflowStage : public testing::TestWithParam<StageCase> {};
TEST_P(ReflowStage, BreaksAfterEveryTenthNode) {
    const auto make = [](ByteSink& next) {
        return std::make_unique<Reflow>(CodePage::SingleByte, next);
    };
    EXPECT_EQ(through(make, GetParam().input), GetParam().output);
}
const std::string nine = ";B[aa];W[bb];B[cc];W[dd];B[ee];W[ff];B[gg];W[hh];B[ii]";
INSTANTIATE_TEST_SUITE_P(
    Cases, ReflowStage,
    testing::Values(
        StageCase{"TenthIsLast", nine + ";W[jj])", nine + ";W[jj])"},
        StageCase{"EleventhStartsALine", nine + ";W[jj];B[kk])", nine + ";W[jj]\r\n;B[kk])"},
        // The tenth's spot waits for the comment's end; the node behind it
        // has the break two bytes on, so its sixth byte is the ")" at +4.
        StageCase{"PendingBreakNearer", nine + ";C[xy];)", nine + ";C[xy]\r\n;)"},
        StageCase{"BreakAtTheEnd", nine + ";C[x]", nine + ";C[x]\r\n"},
        StageCase{"NoBreakInsideAnOpenValue", nine + ";C[open", nine + ";C[open"},
        // The tenth is the first ";" of three; the two behind it are not
        // examined, the second being the ";" of B[aa]. So W[jj] is only the
        // ninth node after the break, and B[kk] ends the scan.
        StageCase{"NotExaminedAfterABreak",
                  nine + ";;;B[aa];W[bb];B[cc];W[dd];B[ee];W[ff];B[gg];W[hh];B[ii];W[jj];B[kk])",
                  nine + ";;;B[aa]\r\n;W[bb];B[cc];W[dd];B[ee];W[ff];B[gg];W[hh];B[ii];W[jj];"
                         "B[kk])"}),
    caseName);

TEST(HtmlEscaperStage, EscapesTheFourBytesAcrossChunks) {
    const auto make = [](ByteSink& next) { return std::make_unique<HtmlEscaper>(next); };
    EXPECT_EQ(through(make, "a&b\"c<d>e"), "a&amp;b&quot;c&lt;d&gt;e");
}

} // namespace
} // namespace tervanil
