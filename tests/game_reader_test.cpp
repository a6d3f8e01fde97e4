// The streaming reader: the main line's final position with setup, captures
// and passes; sizes; the root's card texts as displayed; code pages; and the
// same result whatever the chunks the record comes in.

#include "game_reader.h"
#include "record_rework.h"
#include "text_buffer.h"

#include "corpus.h"
#include "game_reading.h"
#include "sgf_reference.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace tervanil {
namespace {

namespace fs = std::filesystem;
using testing_support::boardRows;
using testing_support::readInChunks;

struct PositionCase {
    const char* what;
    const char* record;
    const char* rows; // the final position, or "" when unreadable
    std::size_t moves;
};

std::ostream& operator<<(std::ostream& out, const PositionCase& c) {
    return out << c.what;
}

class Position : public ::testing::TestWithParam<PositionCase> {};

TEST_P(Position, IsTheEndOfTheMainLine) {
    const PositionCase& c = GetParam();
    for (std::size_t chunk : {0, 1, 2, 7}) {
        const GameReader reader = readInChunks(c.record, chunk);
        SCOPED_TRACE(std::string(c.what) + ", chunks of " + std::to_string(chunk));
        if (*c.rows == '\0') {
            EXPECT_FALSE(reader.readable());
        } else {
            EXPECT_TRUE(reader.readable()) << reader.unreadableReason();
            EXPECT_EQ(boardRows(reader.board()), c.rows);
        }
        EXPECT_EQ(reader.card().moves, c.moves);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reader, Position,
    ::testing::Values(
        PositionCase{"moves", "(;SZ[3];B[aa];W[cc];B[bb])", "X../.X./..O", 3},
        PositionCase{"first variation at each branch",
                     "(;SZ[3];B[aa](;W[ba];B[ca](;W[ab])(;W[bb]))(;W[cc]))", ".OX/O../...", 4},
        PositionCase{"variation right at the root", "(;SZ[3](;B[bb])(;B[aa]))", ".../.X./...", 1},
        PositionCase{"first game tree only", "(;SZ[3];B[aa])(;SZ[3];B[cc];W[bb])", "X../.../...",
                     1},
        PositionCase{"prose before the tree, blanks in the opening",
                     "Game (1995) [draft]\r\n( \r\n;SZ[3];B[aa])", "X../.../...", 1},
        PositionCase{"captures", "(;SZ[3];B[ba];W[aa];B[ab])", ".X./X../...", 3},
        PositionCase{"suicide", "(;SZ[3]AW[ba][ab];B[aa])", ".O./O../...", 1},
        PositionCase{"setup in the root, size after it", "(;AB[aa]AW[cc]SZ[3])", "X../.../..O", 0},
        PositionCase{"compressed list and AE", "(;SZ[4]AB[aa:cb]AE[bb:bb];AW[dd])",
                     "XXX./X.X./..../...O", 0},
        PositionCase{"compressed list given from the far corner", "(;SZ[3]AB[cb:aa])",
                     "XXX/XXX/...", 0},
        PositionCase{"setup after moves", "(;SZ[3];B[aa];AE[aa]AW[bb])", ".../.O./...", 1},
        PositionCase{"passes", "(;SZ[3];B[aa];W[];B[tt])", "X../.../...", 3},
        PositionCase{"tt is a point on a board wider than 19", "(;SZ[20:2];B[tb])",
                     "..................../...................X", 1},
        PositionCase{"older long names", "(;SiZe[3];Black[aa];White[bb];AddBlack[cc])",
                     "X../.O./..X", 2},
        PositionCase{"moves in the root, played after its setup", "(;B[ab]SZ[3]AW[aa])",
                     "O../X../...", 1},
        PositionCase{"record cut short inside a value", "(;SZ[3];B[aa];W[bb", "X../.../...", 1},
        PositionCase{"comments with brackets and parentheses",
                     "(;SZ[3]C[(;B[cc\\]) \\\\];B[aa]C[)];W[bb])", "X../.O./...", 2},
        PositionCase{"move off the board", "(;SZ[3];B[aa];W[dd])", "", 2},
        PositionCase{"setup off the board", "(;SZ[3]AB[ad])", "", 0},
        PositionCase{"setup off the board from a later node", "(;SZ[3];AW[aa:dd])", "", 0},
        PositionCase{"point it cannot read", "(;SZ[3];B[a])", "", 1},
        PositionCase{"size too large", "(;SZ[53];B[aa])", "", 1},
        PositionCase{"size zero", "(;SZ[0])", "", 0},
        PositionCase{"size not a number", "(;SZ[19x19])", "", 0},
        PositionCase{"another game", "(;GM[2]SZ[8])", "", 0},
        PositionCase{"no game tree", "just prose (not a record)", "", 0},
        PositionCase{"empty", "", "", 0}));

TEST(Reader, NoSizeMeansNineteen) {
    const GameReader reader = readInChunks("(;B[ss])");
    EXPECT_EQ(reader.board().width(), 19);
    EXPECT_EQ(reader.board().height(), 19);
    EXPECT_EQ(reader.board().at(18, 18), Stone::Black);
}

TEST(Reader, DrawsEverySizeUpToTheLargest) {
    for (const char* size : {"1", "52", "52:3", "2:52", " 13 "}) {
        const GameReader reader = readInChunks(std::string("(;SZ[") + size + "]AB[aa])");
        EXPECT_TRUE(reader.readable()) << size << ": " << reader.unreadableReason();
        EXPECT_EQ(reader.board().at(0, 0), Stone::Black) << size;
    }
    const GameReader wide = readInChunks("(;SZ[52:3];B[Zc])");
    EXPECT_EQ(wide.board().width(), 52);
    EXPECT_EQ(wide.board().height(), 3);
    EXPECT_EQ(wide.board().at(51, 2), Stone::Black);
}

TEST(Reader, KnowsTheLastMove) {
    const GameReader reader = readInChunks("(;SZ[9];B[cd];W[ef])");
    EXPECT_EQ(reader.lastMove().colour, Stone::White);
    EXPECT_FALSE(reader.lastMove().pass);
    EXPECT_EQ(reader.lastMove().x, 4);
    EXPECT_EQ(reader.lastMove().y, 5);
    EXPECT_TRUE(readInChunks("(;SZ[9];B[cd];W[])").lastMove().pass);
    EXPECT_EQ(readInChunks("(;SZ[9]AB[cd])").lastMove().colour, Stone::Empty);
}

TEST(Reader, NamesWhyItCannotDraw) {
    EXPECT_EQ(readInChunks("(;SZ[3];B[dd])").unreadableReason(), "A move lies off the board.");
    EXPECT_EQ(readInChunks("no record").unreadableReason(), "The record holds no game tree.");
    EXPECT_EQ(readInChunks("(;SZ[99])").unreadableReason(),
              "The board size is not one this diagram can draw (1 to 52 points a side).");
}

TEST(Reader, FillsTheCardFromTheRoot) {
    const GameReader reader = readInChunks(
        "(;GM[1]FF[4]GN[Game name]EV[Meijin]PB[Black Player]BR[9d]PW[White Player]WR[8d]"
        "RE[W+R]DT[2001-02-03]KM[6.5]HA[2]CA[ UTF-8 ]C[Root comment]"
        ";B[aa]C[not the root];W[bb]PB[not the root])");
    const GameCard& card = reader.card();
    EXPECT_EQ(card.event, "Meijin");
    EXPECT_EQ(card.black, "Black Player");
    EXPECT_EQ(card.blackRank, "9d");
    EXPECT_EQ(card.white, "White Player");
    EXPECT_EQ(card.whiteRank, "8d");
    EXPECT_EQ(card.result, "W+R");
    EXPECT_EQ(card.date, "2001-02-03");
    EXPECT_EQ(card.komi, "6.5");
    EXPECT_EQ(card.handicap, "2");
    EXPECT_EQ(card.rootComment, "Root comment");
    EXPECT_EQ(card.moves, 2u);
    EXPECT_EQ(reader.namedCharset(), "UTF-8");
    EXPECT_TRUE(reader.namesUtf8());
    EXPECT_TRUE(readInChunks("(;CA[utf8])").namesUtf8());
    EXPECT_FALSE(readInChunks("(;CA[Shift_JIS])").namesUtf8());
    EXPECT_FALSE(readInChunks("(;C[CA[UTF-8]])").namesUtf8());
    EXPECT_EQ(readInChunks("(;GN[Only a name])").card().event, "Only a name");
    EXPECT_EQ(readInChunks("(;PB[first]PB[second])").card().black, "first");
    // A startup message put before the record's own comment: both show.
    EXPECT_EQ(
        readInChunks("(;\r\nGO[1]\r\nC[Startup]PB[x]C[Own\r\ncomment]C[])").card().rootComment,
        "Startup\nOwn\ncomment");
}

struct TextCase {
    const char* what;
    const char* value;
    const char* asName;    // read as PB, a simple text
    const char* asComment; // read as C
};

std::ostream& operator<<(std::ostream& out, const TextCase& c) {
    return out << c.what;
}

class DisplayText : public ::testing::TestWithParam<TextCase> {};

TEST_P(DisplayText, ResolvesEscapesAndBreaks) {
    const TextCase& c = GetParam();
    for (std::size_t chunk : {0, 1, 3}) {
        const GameReader name = readInChunks(std::string("(;PB[") + c.value + "])", chunk);
        const GameReader comment = readInChunks(std::string("(;C[") + c.value + "])", chunk);
        EXPECT_EQ(name.card().black, c.asName) << c.what << ", chunks of " << chunk;
        EXPECT_EQ(comment.card().rootComment, c.asComment) << c.what << ", chunks of " << chunk;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reader, DisplayText,
    ::testing::Values(
        TextCase{"plain", "Go Seigen", "Go Seigen", "Go Seigen"},
        TextCase{"escaped bracket and backslash", "a\\]b\\\\c\\d", "a]b\\cd", "a]b\\cd"},
        TextCase{"line breaks", "one\r\ntwo\nthree\rfour\n\r five", "one two three four  five",
                 "one\ntwo\nthree\nfour\n five"},
        TextCase{"two breaks are two", "a\r\n\r\nb", "a  b", "a\n\nb"},
        TextCase{"soft breaks", "soft\\\r\nly \\\nand\\\r\\\n so", "softly and so",
                 "softly and so"},
        TextCase{"tabs are blanks", "a\tb", "a b", "a b"},
        TextCase{"blanks around are trimmed", " \r\n padded \r\n", "padded", "padded"},
        TextCase{"markup stays text", "<b>&amp;\"'", "<b>&amp;\"'", "<b>&amp;\"'"}));

TEST(Reader, ShiftJisTrailBytesAreNoBrackets) {
    // 0x83 0x5D and 0x95 0x5C are characters whose second byte is "]" and "\".
    const std::string record = "(;PB[\x83\x5D-\x95\x5C]C[\x95\x5C]SZ[3];B[aa])";
    for (std::size_t chunk : {0, 1}) {
        const GameReader sjis = readInChunks(record, chunk, CodePage::ShiftJis);
        EXPECT_EQ(sjis.card().black, "\x83\x5D-\x95\x5C");
        EXPECT_EQ(sjis.card().rootComment, "\x95\x5C");
        EXPECT_TRUE(sjis.readable());
        EXPECT_EQ(sjis.card().moves, 1u);
    }
    // Read as single bytes the same record closes PB early.
    EXPECT_EQ(readInChunks(record).card().black, "\x83");
}

TEST(Reader, CapsLongTextsAndPassesOverOtherValues) {
    std::string longName(GameReader::textCap + 1000, 'n');
    std::string moveComment(20 * 1024 * 1024, 'c');
    const std::string record =
        "(;SZ[3]PB[" + longName + "]C[" + longName + "];B[aa]C[" + moveComment + "];W[bb])";
    for (std::size_t chunk : {0, 4096}) {
        const GameReader reader = readInChunks(record, chunk);
        EXPECT_EQ(reader.card().black, std::string(GameReader::textCap, 'n') + "...");
        EXPECT_EQ(reader.card().rootComment, reader.card().black);
        EXPECT_EQ(reader.card().moves, 2u);
        EXPECT_EQ(boardRows(reader.board()), "X../.O./...");
    }
}

TEST(Reader, CapsTheRootCommentsTogether) {
    const std::string half(GameReader::textCap / 2, 'h');
    const GameReader reader = readInChunks("(;C[" + half + "]C[" + half + "tail]C[more])", 1000);
    EXPECT_EQ(reader.card().rootComment, half + "\n" + half + "...");
}

TEST(Reader, PointsKeepNoLineBreaksPutIntoThem) {
    // The layout of a page's moves puts a CR LF six bytes behind a node's ";",
    // whatever stands there.
    const GameReader reader =
        readInChunks("(;SZ[\r\n9\r\n];B[];W[c\r\nc];  B[d\r\nd];AB[a\r\na:b\r\nb])");
    EXPECT_TRUE(reader.readable()) << reader.unreadableReason();
    EXPECT_EQ(testing_support::boardRows(reader.board()),
              "XX......./XX......./..O....../...X...../........./........./........./"
              "........./.........");
}

TEST(Reader, CapEndsOnAWholeCharacter) {
    // A UTF-8 character of three bytes straddling the cap is dropped whole.
    const std::string name = std::string(GameReader::textCap - 1, 'n') + "\xE7\x9F\xB3" + "tail";
    EXPECT_EQ(readInChunks("(;PB[" + name + "])").card().black,
              std::string(GameReader::textCap - 1, 'n') + "...");
    // A Shift-JIS character keeps its trail byte past the cap.
    const std::string sjisName = std::string(GameReader::textCap - 1, 'n') + "\x88\xCD" + "tail";
    EXPECT_EQ(readInChunks("(;PB[" + sjisName + "])", 0, CodePage::ShiftJis).card().black,
              std::string(GameReader::textCap - 1, 'n') + "\x88\xCD...");
}

TEST(Reader, SameResultInAnyChunksOverTheCorpus) {
    SKIP_WITHOUT_CORPUS();
    const std::vector<fs::path> records = testing_support::corpusRecords();
    ASSERT_GT(records.size(), 400u) << "the shared corpus is missing: " << TERVANIL_CORPUS_DIR;
    std::mt19937 random(20261211);
    for (const fs::path& path : records) {
        const std::string record = testing_support::fileContents(path);
        const GameReader whole = readInChunks(record);
        // Every record of the corpus that holds a game tree is one the diagram draws.
        if (testing_support::openingOf(record, CodePage::SingleByte)) {
            EXPECT_TRUE(whole.readable()) << path << ": " << whole.unreadableReason();
        }
        GameReader pieces(CodePage::SingleByte);
        for (std::size_t at = 0; at < record.size();) {
            const std::size_t size = std::uniform_int_distribution<std::size_t>(1, 64)(random);
            pieces.feed(std::string_view(record).substr(at, size));
            at += size;
        }
        pieces.finish();
        SCOPED_TRACE(path.filename().string());
        EXPECT_EQ(pieces.unreadableReason(), whole.unreadableReason());
        EXPECT_EQ(boardRows(pieces.board()), boardRows(whole.board()));
        EXPECT_EQ(pieces.card().moves, whole.card().moves);
        EXPECT_EQ(pieces.card().black, whole.card().black);
        EXPECT_EQ(pieces.card().rootComment, whole.card().rootComment);
    }
}

TEST(Reader, ThePagesRecordGivesTheRecordsDiagramAndCard) {
    // What the reader sees is the reworked record: its additions, its new
    // layout of the moves and the startup message change nothing drawn.
    ConversionOptions options;
    options.applet = Applet::Quillamy;
    options.startupMessage = "Study ]this[ game \\";
    std::size_t compared = 0;
    SKIP_WITHOUT_CORPUS();
    for (const fs::path& path : testing_support::corpusRecords()) {
        SCOPED_TRACE(path.filename().string());
        TextBuffer buffer;
        buffer.loadFromFile(path.native(), path.filename().native(), CodePage::SingleByte);
        const std::string loaded = buffer.text();
        const std::optional<std::string> reworked = detail::reworkedRecord(loaded, options);
        if (!reworked)
            continue;
        ++compared;
        const GameReader before = readInChunks(loaded);
        const GameReader after = readInChunks(*reworked, 100);
        EXPECT_EQ(after.unreadableReason(), before.unreadableReason());
        EXPECT_EQ(boardRows(after.board()), boardRows(before.board()));
        EXPECT_EQ(after.card().moves, before.card().moves);
        EXPECT_EQ(after.card().event, before.card().event);
        EXPECT_EQ(after.card().black, before.card().black);
        EXPECT_EQ(after.card().rootComment,
                  before.card().rootComment.empty()
                      ? "Study ]this[ game \\"
                      : "Study ]this[ game \\\n" + before.card().rootComment);
    }
    EXPECT_GT(compared, 400u);
}

} // namespace
} // namespace tervanil
