// The game card of a record, what a run reports of each page, and the index
// page built from those reports.

#include "conversion_run.h"
#include "game_reader.h"
#include "run_index.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace tervanil {

// For the comparisons of the tests, found beside GameCard.
bool operator==(const GameCard& a, const GameCard& b) {
    return a.event == b.event && a.black == b.black && a.blackRank == b.blackRank &&
           a.white == b.white && a.whiteRank == b.whiteRank && a.result == b.result &&
           a.date == b.date && a.komi == b.komi && a.handicap == b.handicap &&
           a.rootComment == b.rootComment && a.moves == b.moves;
}

std::ostream& operator<<(std::ostream& out, const GameCard& c) {
    return out << "{event=" << c.event << " black=" << c.black << " " << c.blackRank
               << " white=" << c.white << " " << c.whiteRank << " result=" << c.result
               << " date=" << c.date << " komi=" << c.komi << " handicap=" << c.handicap
               << " comment=" << c.rootComment << " moves=" << c.moves << "}";
}

namespace {

using testing_support::TempFolder;

struct CardCase {
    const char* what;
    std::string record;
    GameCard card;
};

void PrintTo(const CardCase& c, std::ostream* out) {
    *out << c.what;
}

GameCard card(std::string black, std::string white, size_t moves) {
    GameCard card;
    card.black = std::move(black);
    card.white = std::move(white);
    card.moves = moves;
    return card;
}

class CardReading : public testing::TestWithParam<CardCase> {};

TEST_P(CardReading, ReadsTheRootAndCountsTheMainLine) {
    GameReader reader(CodePage::SingleByte);
    reader.feed(GetParam().record);
    reader.finish();
    EXPECT_EQ(reader.card(), GetParam().card);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CardReading,
    testing::Values(
        CardCase{"every field, passes counted",
                 "(;GM[1]EV[Castle game]PB[Shusaku]BR[4d]PW[Gennan]WR[8d]RE[B+2]"
                 "DT[1846-09-11]KM[0]HA[2]C[A famous game]\r\n;B[pd];W[dp]\r\n;B[];W[tt])",
                 [] {
                     GameCard c = card("Shusaku", "Gennan", 4);
                     c.event = "Castle game";
                     c.blackRank = "4d";
                     c.whiteRank = "8d";
                     c.result = "B+2";
                     c.date = "1846-09-11";
                     c.komi = "0";
                     c.handicap = "2";
                     c.rootComment = "A famous game";
                     return c;
                 }()},
        CardCase{"game name stands in for the event", "(;GN[Friendly]PB[b];B[aa])",
                 [] {
                     GameCard c = card("b", "", 1);
                     c.event = "Friendly";
                     return c;
                 }()},
        CardCase{"escapes resolved, escaped line break dropped",
                 "(;PB[a\\]b\\\\c]PW[x\\\r\ny];B[aa])", card("a]b\\c", "xy", 1)},
        CardCase{"main line follows the first variation",
                 "(;PB[b];B[aa](;W[bb];B[cc](;W[dd])(;W[ee];B[ff]))(;W[gg];B[hh];W[ii]))",
                 card("b", "", 4)},
        CardCase{"properties of later nodes are not the root's",
                 "(;PB[first];PB[second]PW[w];B[aa])", card("first", "", 1)},
        CardCase{"first of a list of values", "(;PB[x][y]AB[aa][bb]PW[w])", card("x", "w", 0)},
        CardCase{"long identifiers of old records", "(;PlayerBlack[old]PlayerWhite[new];B[aa])",
                 card("old", "new", 1)},
        CardCase{"text before the tree", "PB[not this] (;PB[this];W[aa])", card("this", "", 1)},
        CardCase{"no game tree", "no record here", GameCard()}),
    [](const auto& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            if (std::isalnum(static_cast<unsigned char>(*c)))
                name += *c;
        return name;
    });

PageReport reportOf(std::string source, std::string charset, CodePage readIn,
                    std::optional<GameCard> card) {
    PageReport report;
    report.sourceName = source;
    report.pageName = pageName(source);
    report.namedCharset = std::move(charset);
    report.readIn = readIn;
    report.card = std::move(card);
    return report;
}

std::string row(const std::string& link, const std::string& text,
                const std::vector<std::string>& cells) {
    std::string out = "<TR><TD><A HREF=\"" + link + "\">" + text + "</A></TD>";
    for (const std::string& cell : cells)
        out += "<TD>" + cell + "</TD>";
    return out + "</TR>\r\n";
}

TEST(IndexPage, RowsInUtf8EscapedAndLinked) {
    GameCard shiftJis = card("\x8d\x95", "<w> & \"co\"", 120); // 黒
    shiftJis.blackRank = "9d";
    shiftJis.result = "B+R";
    shiftJis.date = "2001";
    shiftJis.event = "\x83\x5C"; // ソ, whose second byte is "\"
    GameCard latin1 = card("caf\xe9", "", 0);
    GameCard badUtf8 = card("a\xff", "b", 1);
    const std::vector<PageReport> pages{
        reportOf("a&b c.sgf", "Shift_JIS", CodePage::ShiftJis, shiftJis),
        reportOf("x.sgf", "ISO-8859-1", CodePage::SingleByte, latin1),
        reportOf("y.sgf", "UTF-8", CodePage::SingleByte, badUtf8),
        reportOf("z.sgf", "", CodePage::SingleByte, std::nullopt),
    };
    const std::string page = indexPage(pages);
    EXPECT_TRUE(
        page.starts_with("<!DOCTYPE html>\r\n<HTML>\r\n<HEAD>\r\n<META charset=\"UTF-8\">"));
    EXPECT_TRUE(page.ends_with("</TABLE>\r\n</BODY>\r\n</HTML>\r\n"));
    const std::string rows = row("a%26b%20c.htm", "a&amp;b c.sgf",
                                 {"\xe9\xbb\x92 9d", "&lt;w&gt; &amp; &quot;co&quot;", "B+R",
                                  "2001", "\xe3\x82\xbd", "120"}) +
                             row("x.htm", "x.sgf", {"caf\xc3\xa9", "", "", "", "", "0"}) +
                             row("y.htm", "y.sgf", {"a?", "b", "", "", "", "1"}) +
                             row("z.htm", "z.sgf", {"", "", "", "", "", ""});
    EXPECT_NE(page.find("</TR>\r\n" + rows + "</TABLE>"), std::string::npos) << page;
}

struct Recorder : RunObserver {
    void pageWritten(const PageReport& report) override { reports.push_back(report); }
    std::vector<PageReport> reports;
};

TEST(RunReports, EachPageOnceInPlaceWithCardsWhenAsked) {
    TempFolder folder;
    // Read byte by byte the second byte "\" of the black player's name would
    // escape the "]"; the record names Shift-JIS and is read in it.
    folder.write("a.sgf", "(;CA[Shift_JIS]PB[\x83\x5C]PW[w];B[aa];W[bb])");
    folder.write("b.sgf", std::string("no game tree\0(;B[aa])", 21));
    const std::vector<std::string> sources = ScanSources(folder.root());
    WorkBuffers buffers;

    Recorder withCards;
    RunConversion(folder.root(), sources, {}, buffers, &withCards,
                  pageAddOns(folder.root(), {}, true));
    ASSERT_EQ(withCards.reports.size(), 2u);
    const PageReport& b = withCards.reports[0]; // the last source goes first
    const PageReport& a = withCards.reports[1];
    EXPECT_EQ(b.sourceName, "b.sgf");
    EXPECT_EQ(b.pageName, "b.htm");
    EXPECT_TRUE(b.embeddedAsLoaded);
    EXPECT_TRUE(b.cutAtNul);
    EXPECT_EQ(a.sourceName, "a.sgf");
    EXPECT_FALSE(a.embeddedAsLoaded);
    EXPECT_FALSE(a.cutAtNul);
    EXPECT_TRUE(a.readInNamedCodePage);
    EXPECT_EQ(a.namedCharset, "Shift_JIS");
    EXPECT_EQ(a.readIn, CodePage::ShiftJis);
    ASSERT_TRUE(a.card.has_value());
    EXPECT_EQ(a.card->black, "\x83\x5C");
    EXPECT_EQ(a.card->white, "w");
    EXPECT_EQ(a.card->moves, 2u);

    Recorder withoutCards;
    RunConversion(folder.root(), sources, {}, buffers, &withoutCards);
    ASSERT_EQ(withoutCards.reports.size(), 2u);
    EXPECT_FALSE(withoutCards.reports[1].card.has_value());

    writeIndexPage(folder.root() / "TervanilOB", withCards.reports);
    EXPECT_EQ(folder.read("TervanilOB/index.htm"), indexPage(withCards.reports));
    EXPECT_EQ(folder.names("TervanilOB"),
              (std::vector<std::string>{"a.htm", "b.htm", "index.htm"}));
}

} // namespace
} // namespace tervanil
