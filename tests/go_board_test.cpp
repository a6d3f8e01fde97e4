// The board's captures and suicide, shown on small boards.

#include "go_board.h"

#include "game_reading.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

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

// The rule played out plainly: after a move, every group of the opponent
// beside it, then the mover's own, is searched whole for a liberty.
class PlainBoard {
  public:
    PlainBoard(int width, int height)
        : m_width(width), m_height(height),
          m_points(static_cast<std::size_t>(width * height), Stone::Empty) {}

    Stone at(int x, int y) const { return m_points[static_cast<std::size_t>(y * m_width + x)]; }
    void place(int x, int y, Stone stone) { set(x, y, stone); }

    int play(int x, int y, Stone stone) {
        set(x, y, stone);
        if (stone == Stone::Empty)
            return 0;
        int removed = 0;
        for (const auto& [nx, ny] : neighbours(x, y))
            if (at(nx, ny) == opponent(stone))
                removed += removeIfCaptured(nx, ny);
        return removed + removeIfCaptured(x, y);
    }

  private:
    void set(int x, int y, Stone stone) {
        m_points[static_cast<std::size_t>(y * m_width + x)] = stone;
    }
    std::vector<std::pair<int, int>> neighbours(int x, int y) const {
        std::vector<std::pair<int, int>> around;
        for (const auto& [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}})
            if (nx >= 0 && ny >= 0 && nx < m_width && ny < m_height)
                around.emplace_back(nx, ny);
        return around;
    }
    int removeIfCaptured(int x, int y) {
        const Stone colour = at(x, y);
        if (colour == Stone::Empty)
            return 0;
        std::vector<std::pair<int, int>> group{{x, y}};
        std::vector<bool> seen(m_points.size());
        seen[static_cast<std::size_t>(y * m_width + x)] = true;
        for (std::size_t next = 0; next < group.size(); ++next) {
            for (const auto& [nx, ny] : neighbours(group[next].first, group[next].second)) {
                if (at(nx, ny) == Stone::Empty)
                    return 0;
                const auto index = static_cast<std::size_t>(ny * m_width + nx);
                if (at(nx, ny) == colour && !seen[index]) {
                    seen[index] = true;
                    group.emplace_back(nx, ny);
                }
            }
        }
        for (const auto& [gx, gy] : group)
            set(gx, gy, Stone::Empty);
        return static_cast<int>(group.size());
    }

    int m_width, m_height;
    std::vector<Stone> m_points;
};

// Long random games, with setup, moves onto stones and moves of Empty among
// them, on boards small enough to fill and capture often.
TEST(Board, PlaysLongGamesAsTheSearchOfEachGroupDoes) {
    std::mt19937 random(11);
    for (const auto& [width, height] : {std::pair{3, 3}, {5, 4}, {9, 9}, {19, 19}, {1, 7}}) {
        GoBoard board(width, height);
        PlainBoard plain(width, height);
        std::uniform_int_distribution<int> pickX(0, width - 1), pickY(0, height - 1),
            pickKind(0, 99);
        for (int turn = 0; turn < 20000; ++turn) {
            const int x = pickX(random), y = pickY(random), kind = pickKind(random);
            const Stone stone = kind % 2 == 0 ? Stone::Black : Stone::White;
            if (kind < 3) {
                board.place(x, y, kind == 0 ? Stone::Empty : stone);
                plain.place(x, y, kind == 0 ? Stone::Empty : stone);
                continue;
            }
            const Stone played = kind < 5 ? Stone::Empty : stone;
            ASSERT_EQ(board.play(x, y, played), plain.play(x, y, played))
                << width << "x" << height << ", turn " << turn;
            for (int py = 0; py < height; ++py)
                for (int px = 0; px < width; ++px)
                    ASSERT_EQ(board.at(px, py), plain.at(px, py))
                        << width << "x" << height << ", turn " << turn << " at " << px << "," << py;
        }
    }
}

} // namespace
} // namespace tervanil
