// The board's captures and suicide, shown on small boards.

#include "go_board.h"

#include "game_reading.h"

#include <gtest/gtest.h>

namespace tervanil {
namespace {

using testing_support::boardRows;

// Sets up a position from rows of "X", "O" and "." joined by "/".
GoBoard boardOf(std::string_view rows) {
    const auto width = static_cast<int>(rows.find('/'));
    GoBoard board(width, static_cast<int>(rows.size() + 1) / (width + 1));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int x = static_cast<int>(i) % (width + 1), y = static_cast<int>(i) / (width + 1);
        if (rows[i] != '/')
            board.place(x, y,
                        rows[i] == 'X' ? Stone::Black
                                       : (rows[i] == 'O' ? Stone::White : Stone::Empty));
    }
    return board;
}

struct PlayCase {
    const char* what;
    const char* before;
    int x, y;
    Stone stone;
    int removed;
    const char* after;
};

std::ostream& operator<<(std::ostream& out, const PlayCase& c) {
    return out << c.what;
}

class Play : public ::testing::TestWithParam<PlayCase> {};

TEST_P(Play, RemovesWhatHasNoLiberty) {
    const PlayCase& c = GetParam();
    GoBoard board = boardOf(c.before);
    EXPECT_EQ(board.play(c.x, c.y, c.stone), c.removed) << c.what;
    EXPECT_EQ(boardRows(board), c.after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Board, Play,
    ::testing::Values(
        PlayCase{"a stone in the corner", "OX./.../...", 0, 1, Stone::Black, 1, ".X./X../..."},
        PlayCase{"a stone in the middle", ".X./XO./.X.", 2, 1, Stone::Black, 1, ".X./X.X/.X."},
        PlayCase{"a group along the edge", "OO./XX./...", 2, 0, Stone::Black, 2, "..X/XX./..."},
        PlayCase{"a group of three, its neighbour kept", "OOO./XXXO/....", 3, 0, Stone::Black, 3,
                 "...X/XXXO/...."},
        PlayCase{"three groups by one stone", ".O./OXO/X.X", 1, 2, Stone::White, 3, ".O./O.O/.O."},
        PlayCase{"two groups by one stone", "XO.OX/.X.X./.....", 2, 0, Stone::Black, 2,
                 "X.X.X/.X.X./....."},
        PlayCase{"capture before suicide", ".OX/OXX/XX.", 0, 0, Stone::Black, 2, "X.X/.XX/XX."},
        PlayCase{"suicide of one stone", ".O./O../...", 0, 0, Stone::Black, 1, ".O./O../..."},
        PlayCase{"suicide of a group", ".XO/XO./O..", 0, 0, Stone::Black, 3, "..O/.O./O.."},
        PlayCase{"a stone on a stone", "X../.../...", 0, 0, Stone::White, 0, "O../.../..."}));

TEST(Board, CapturesAGroupFillingTheLargestBoard) {
    GoBoard board(GoBoard::maxSize, GoBoard::maxSize);
    for (int y = 0; y < GoBoard::maxSize; ++y)
        for (int x = 0; x < GoBoard::maxSize; ++x)
            board.place(x, y, Stone::Black);
    board.place(GoBoard::maxSize - 1, GoBoard::maxSize - 1, Stone::Empty);
    EXPECT_EQ(board.play(GoBoard::maxSize - 1, GoBoard::maxSize - 1, Stone::White),
              GoBoard::maxSize * GoBoard::maxSize - 1);
    EXPECT_EQ(board.at(0, 0), Stone::Empty);
    EXPECT_EQ(board.at(GoBoard::maxSize - 1, GoBoard::maxSize - 1), Stone::White);
}

} // namespace
} // namespace tervanil
