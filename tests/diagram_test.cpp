// The diagram block: the SVG of the final position, the game card, the link,
// the head lines; and, over the corpus, hostile records and random bytes, that
// nothing of a record reaches the block unescaped.

#include "diagram.h"

#include "block_check.h"
#include "corpus.h"
#include "game_reading.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace tervanil {
namespace {

namespace fs = std::filesystem;
using testing_support::readInChunks;

std::size_t occurrences(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(Diagram, DrawsStonesGridAndLastMoveAtTheirPoints) {
    const std::string svg = diagramSvg(readInChunks("(;SZ[9]AB[aa]AW[ib];B[ee])"));
    EXPECT_TRUE(svg.starts_with("<svg class=\"tervanil-diagram\" viewBox=\"0 0 204 200\" "
                                "width=\"204\" height=\"200\" "))
        << svg;
    EXPECT_NE(svg.find(" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" "
                       "aria-label=\"Go board 9 by 9, after 1 move, last Black E5\">\r\n"),
              std::string::npos)
        << svg;
    // Points are 20 apart from (30, 14) at the top left.
    EXPECT_NE(svg.find("<g fill=\"#000\"><circle cx=\"30\" cy=\"14\" r=\"9.5\"/>"
                       "<circle cx=\"110\" cy=\"94\" r=\"9.5\"/></g>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<g fill=\"#fff\" stroke=\"#000\"><circle cx=\"190\" cy=\"34\" "
                       "r=\"9.5\"/></g>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("<circle cx=\"110\" cy=\"94\" r=\"5\" fill=\"none\" stroke=\"#fff\""),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("d=\"M30 14H190M30 34H190"), std::string::npos) << svg;
    EXPECT_NE(svg.find("M190 14V174\"/>"), std::string::npos) << svg;
    EXPECT_TRUE(svg.ends_with("</g>\r\n</svg>\r\n"));
}

TEST(Diagram, LabelsRowsFromTheBottomAndColumnsWithoutI) {
    const std::string svg = diagramSvg(readInChunks("(;SZ[19])"));
    EXPECT_NE(svg.find("<text x=\"13\" y=\"18\">19</text>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("<text x=\"13\" y=\"378\">1</text>"), std::string::npos) << svg;
    EXPECT_NE(svg.find("<text x=\"190\" y=\"394\">J</text>"), std::string::npos) << svg;
    EXPECT_EQ(svg.find(">I</text>"), std::string::npos);
    EXPECT_NE(svg.find(">T</text>"), std::string::npos);
}

TEST(Diagram, ColumnLabelsStayDistinctOnEveryWidth) {
    EXPECT_EQ(columnLabel(0, 19), "A");
    EXPECT_EQ(columnLabel(8, 19), "J");
    EXPECT_EQ(columnLabel(24, 25), "Z");
    EXPECT_EQ(columnLabel(24, 26), "Z");
    EXPECT_EQ(columnLabel(25, 26), "AA");
    EXPECT_EQ(columnLabel(49, 52), "AZ");
    EXPECT_EQ(columnLabel(51, 52), "BB");
    for (int width = 1; width <= GoBoard::maxSize; ++width) {
        std::set<std::string> labels;
        for (int x = 0; x < width; ++x)
            labels.insert(columnLabel(x, width));
        EXPECT_EQ(labels.size(), static_cast<std::size_t>(width)) << width;
    }
}

TEST(Diagram, StarPointsOnlyOnTheUsualBoards) {
    const std::pair<const char*, std::size_t> cases[] = {{"19", 9}, {"13", 5},    {"9", 5},
                                                         {"10", 0}, {"19:13", 0}, {"7", 0}};
    for (const auto& [size, stars] : cases)
        EXPECT_EQ(
            occurrences(diagramSvg(readInChunks(std::string("(;SZ[") + size + "])")), "r=\"3\""),
            stars)
            << size;
    // The 19 board's centre and the 9 board's corners.
    EXPECT_NE(diagramSvg(readInChunks("(;SZ[19])")).find("cx=\"210\" cy=\"194\" r=\"3\""),
              std::string::npos);
    EXPECT_NE(diagramSvg(readInChunks("(;SZ[9])")).find("cx=\"70\" cy=\"54\" r=\"3\""),
              std::string::npos);
}

TEST(Diagram, SizesItsViewToTheBoard) {
    const std::pair<const char*, const char*> cases[] = {
        {"(;SZ[19])", "viewBox=\"0 0 404 400\" width=\"400\" height=\"396\""},
        {"(;SZ[19:5])", "viewBox=\"0 0 404 120\" width=\"400\" height=\"118\""},
        {"(;SZ[52:3])", "viewBox=\"0 0 1064 80\" width=\"638\" height=\"47\""},
        {"(;SZ[1])", "viewBox=\"0 0 44 40\" width=\"44\" height=\"40\""}};
    for (const auto& [record, view] : cases)
        EXPECT_NE(diagramSvg(readInChunks(record)).find(view), std::string::npos) << record;
}

TEST(Diagram, MarksNoLastMoveAfterAPassOrASuicide) {
    for (const char* record : {"(;SZ[9];B[aa];W[])", "(;SZ[3]AW[ba][ab];B[aa])", "(;SZ[3])"}) {
        const std::string svg = diagramSvg(readInChunks(record));
        EXPECT_EQ(svg.find("r=\"5\""), std::string::npos) << record;
    }
    EXPECT_NE(diagramSvg(readInChunks("(;SZ[9];B[aa];W[])")).find("last White pass"),
              std::string::npos);
}

TEST(Card, EscapesEveryTextAndKeepsCommentLines) {
    GameCard card;
    card.event = "Cup <1> & \"2\"";
    card.black = "O'Neil";
    card.blackRank = "3d";
    card.whiteRank = "<9p>";
    card.result = "B+R";
    card.komi = "6.5";
    card.rootComment = "line <one>\nline two\n";
    card.moves = 211;
    EXPECT_EQ(cardHtml(card), "<DL CLASS=\"tervanil-card\">\r\n"
                              "<DT>Event</DT><DD>Cup &lt;1&gt; &amp; &quot;2&quot;</DD>\r\n"
                              "<DT>Black</DT><DD>O&#39;Neil (3d)</DD>\r\n"
                              "<DT>White</DT><DD>(&lt;9p&gt;)</DD>\r\n"
                              "<DT>Result</DT><DD>B+R</DD>\r\n"
                              "<DT>Komi</DT><DD>6.5</DD>\r\n"
                              "<DT>Moves</DT><DD>211</DD>\r\n"
                              "<DT>Comment</DT><DD>line &lt;one&gt;<BR>\r\nline two<BR>\r\n"
                              "</DD>\r\n"
                              "</DL>\r\n");
}

TEST(Block, HoldsDiagramCardAndLink) {
    const GameReader reader = readInChunks("(;SZ[3]PB[Kuwabara]DT[1951];B[bb])");
    const std::string block = fallbackBlock(reader, "game 1.sgf", Fallback::Diagram);
    EXPECT_EQ(block, "<DIV CLASS=\"tervanil-fallback\">\r\n" + diagramSvg(reader) +
                         "<DL CLASS=\"tervanil-card\">\r\n"
                         "<DT>Black</DT><DD>Kuwabara</DD>\r\n"
                         "<DT>Date</DT><DD>1951</DD>\r\n"
                         "<DT>Moves</DT><DD>1</DD>\r\n"
                         "</DL>\r\n"
                         "<P CLASS=\"tervanil-source\"><A HREF=\"../game%201.sgf\">game 1.sgf</A>"
                         "</P>\r\n"
                         "</DIV>\r\n");
    EXPECT_EQ(fallbackBlock(reader, "game 1.sgf", Fallback::Viewer),
              block + "<SCRIPT SRC=\"tervanil-viewer.js\"></SCRIPT>\r\n");
    EXPECT_EQ(fallbackBlock(reader, "game 1.sgf", Fallback::None), "");
}

TEST(Block, NoticeInPlaceOfABoardItCannotDraw) {
    const GameReader reader = readInChunks("(;SZ[60]PW[Honinbo];B[aa])");
    EXPECT_EQ(fallbackBlock(reader, "big.sgf", Fallback::Diagram),
              "<DIV CLASS=\"tervanil-fallback\">\r\n"
              "<P CLASS=\"tervanil-notice\">No diagram: The board size is not one this diagram "
              "can draw (1 to 52 points a side).</P>\r\n"
              "<DL CLASS=\"tervanil-card\">\r\n"
              "<DT>White</DT><DD>Honinbo</DD>\r\n"
              "<DT>Moves</DT><DD>1</DD>\r\n"
              "</DL>\r\n"
              "<P CLASS=\"tervanil-source\"><A HREF=\"../big.sgf\">big.sgf</A></P>\r\n"
              "</DIV>\r\n");
}

TEST(Link, PercentEncodesAllButUnreservedBytes) {
    const std::pair<std::string, std::string> cases[] = {
        {"game-1_a.b~c.sgf", "game-1_a.b~c.sgf"},
        {"a b&c?d#e%f.sgf", "a%20b%26c%3Fd%23e%25f.sgf"},
        {"\"<'>\".sgf", "%22%3C%27%3E%22.sgf"},
        {"\xE7\x9F\xB3.sgf", "%E7%9F%B3.sgf"},
        {"\x8A\xFB.sgf", "%8A%FB.sgf"}};
    for (const auto& [name, encoded] : cases)
        EXPECT_EQ(percentEncoded(name), encoded);
}

TEST(Utf8, ValidatesInAnyChunks) {
    const std::pair<std::string, bool> cases[] = {
        {"plain ASCII", true},       {"\xE7\x9F\xB3 \xC3\xA9 \xF0\x9F\x98\x80", true},
        {"\xEF\xBB\xBF(;)", true},   {"\xC3", false}, // left open at the end
        {"\xC0\x80", false},                          // overlong
        {"\xE0\x80\xAF", false},                      // overlong
        {"\xED\xA0\x80", false},                      // surrogate
        {"\xF4\x90\x80\x80", false},                  // past U+10FFFF
        {"\x93\xFA\x96\x7B", false},                  // Shift-JIS
        {"a\xE7\x9F", false},                         // cut inside a character
        {"\xE7\x9F\xB3\x9F", false},                  // a continuation byte alone
    };
    for (const auto& [bytes, valid] : cases) {
        Utf8Validator whole;
        whole.feed(bytes);
        EXPECT_EQ(whole.valid(), valid) << bytes;
        Utf8Validator byByte;
        for (char c : bytes)
            byByte.feed(std::string_view(&c, 1));
        EXPECT_EQ(byByte.valid(), valid) << bytes;
    }
}

TEST(Head, CharsetFromCodePageNameOrBytes) {
    const std::string viewport =
        "<META name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
    const std::string sjis = "<META charset=\"Shift_JIS\">\r\n";
    const std::string utf8 = "<META charset=\"UTF-8\">\r\n";
    EXPECT_EQ(fallbackHeadLines(CodePage::ShiftJis, false, false), sjis + viewport);
    EXPECT_EQ(fallbackHeadLines(CodePage::ShiftJis, false, true), sjis + viewport);
    EXPECT_EQ(fallbackHeadLines(CodePage::SingleByte, true, false), utf8 + viewport);
    EXPECT_EQ(fallbackHeadLines(CodePage::SingleByte, false, true), utf8 + viewport);
    EXPECT_EQ(fallbackHeadLines(CodePage::SingleByte, false, false), viewport);
}

// The block check of the tests' support, as a test assertion.
::testing::AssertionResult blockIsWellFormed(std::string_view block) {
    const std::string fault = testing_support::blockFault(block);
    if (fault.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << fault;
}

TEST(Block, TheCheckCatchesWhatItLooksFor) {
    for (std::string_view bad : {"<DIV>a<script></DIV>\r\n", "<P>a & b</P>\r\n", "<P>\"</P>\r\n",
                                 "<A HREF=\"x\" onclick=\"y\">\r\n", "<A HREF=\"a<b\">\r\n",
                                 "<P>a\nb</P>\r\n", "<P>a>b</P>\r\n"})
        EXPECT_FALSE(blockIsWellFormed(bad)) << bad;
    EXPECT_TRUE(blockIsWellFormed("<P CLASS=\"x\">a &amp; b<BR>\r\n</P>\r\n"));
}

const char* const hostileRecords[] = {
    "(;GN[<script>alert(1)</script>]EV[\"><img src=x onerror=alert(1)>]PB['&amp;]"
    "BR[</DD></DL>]PW[a\\]b<]WR[\r\n<\\\r\n>]RE[&#0;]DT[<!--]KM[\">]HA[']"
    "C[</DD><SCRIPT>x</SCRIPT>\r\n\"quoted\" & 'single'\\]>]SZ[9];B[ee])",
    "(;SZ[19\"><script>]PB[<b>])",
    "(;SZ[9]AB[<a>]PB[x])",
    "(;SZ[3];B[aa];W[<>])",
    "<HTML>(;C[<]PB[>]",
    "(;PB[\x83]<script>]C[\x95\\]\"<>])",
    "(;C[\xE7\x9F\xB3<\xE7\x9F])",
    "(;PB[\x81\r\nx]C[\x81\n\x81\r])", // line breaks as Shift-JIS trail bytes
};

void expectSafeBlocks(std::string_view record, std::string_view name, std::size_t chunk) {
    for (CodePage codePage : {CodePage::SingleByte, CodePage::ShiftJis}) {
        const GameReader reader = readInChunks(record, chunk, codePage);
        for (Fallback fallback : {Fallback::Diagram, Fallback::Viewer})
            ASSERT_TRUE(blockIsWellFormed(fallbackBlock(reader, name, fallback)))
                << "record: " << record << "\nname: " << name;
    }
}

TEST(Block, NothingOfAHostileRecordOrNameGoesOutUnescaped) {
    for (const char* record : hostileRecords)
        for (const char* name :
             {"game.sgf", "a\"b<c>&'d e.sgf", "\x82\xA0<>.sgf", "line\nbreak\r\n.sgf"})
            expectSafeBlocks(record, name, 1);
    // What the record says does show, escaped.
    const std::string block =
        fallbackBlock(readInChunks(hostileRecords[0]), "game.sgf", Fallback::Diagram);
    EXPECT_NE(block.find("<DD>&quot;&gt;&lt;img src=x onerror=alert(1)&gt;</DD>"),
              std::string::npos)
        << block;
    EXPECT_NE(block.find("<DD>&lt;/DD&gt;&lt;SCRIPT&gt;x&lt;/SCRIPT&gt;<BR>\r\n&quot;quoted&quot; "
                         "&amp; &#39;single&#39;]&gt;</DD>"),
              std::string::npos)
        << block;
}

TEST(Block, NothingOfRandomRecordsGoesOutUnescaped) {
    static constexpr std::string_view pieces[] = {
        "(;", "(",  ")",  ";", "[",  "]",  "\\",   "B",  "W",    "AB",   "AW",
        "AE", "SZ", "PB", "C", "GN", "aa", "ss",   "tt", "a",    ":",    "9",
        "19", "<",  ">",  "&", "\"", "'",  "\r\n", "\n", "\x81", "\x5D", "\xE7\x9F\xB3",
        " ",  "x"};
    std::mt19937 random(8);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::uniform_int_distribution<std::size_t> length(0, 80);
    for (int round = 0; round < 3000; ++round) {
        std::string record = "(;SZ[9]";
        for (std::size_t n = length(random); n > 0; --n)
            record += pieces[piece(random)];
        expectSafeBlocks(record, "r.sgf", 1 + round % 5);
    }
}

TEST(Block, EveryCorpusRecordGivesAWellFormedBlock) {
    SKIP_WITHOUT_CORPUS();
    const std::vector<fs::path> records = testing_support::corpusRecords();
    for (const fs::path& path : records)
        expectSafeBlocks(testing_support::fileContents(path), path.filename().string(), 0);
    EXPECT_GT(records.size(), 400u) << "the shared corpus is incomplete: " << TERVANIL_CORPUS_DIR;
}

} // namespace
} // namespace tervanil
