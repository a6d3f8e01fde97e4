#pragma once
// A Go board of up to 52 by 52 points that plays moves with their captures.
// Only what the final position needs: no ko, no move legality beyond removing
// the groups a stone leaves without liberties.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tervanil {

enum class Stone : std::uint8_t { Empty, Black, White };

/// The other colour; Empty stays Empty.
constexpr Stone opponent(Stone stone) {
    return stone == Stone::Black ? Stone::White
                                 : (stone == Stone::White ? Stone::Black : Stone::Empty);
}

class GoBoard {
  public:
    /// The widest and tallest board there are letters for in SGF points.
    static constexpr int maxSize = 52;

    /// An empty board; both sides must lie in 1..maxSize.
    GoBoard(int width = 19, int height = 19);

    /// Empties the board and gives it new sides, each in 1..maxSize.
    void reset(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }

    /// The stone at (x, y), (0, 0) being the top left point.
    Stone at(int x, int y) const { return static_cast<Stone>(m_points[index(x, y)]); }

    /// Puts a stone (or Empty) on a point as setup does: nothing is captured.
    void place(int x, int y, Stone stone) {
        m_points[index(x, y)] = static_cast<Cell>(stone);
        m_mayHoldCaptives = true;
    }

    /// Plays a stone on a point of the board, whatever stood there: the
    /// opponent's groups it leaves without liberties are removed, then its own
    /// group if that has none. Returns the number of stones removed.
    int play(int x, int y, Stone stone);

  private:
    // The points are held with a frame of off-board cells around the board, so
    // that a point's neighbours are found without bounds tests or division: a
    // long record's moves spend most of their time in the group search.
    using Cell = std::uint8_t;
    static constexpr Cell offBoard = 3; // beside the Stone values
    static constexpr int stride = maxSize + 2;
    static constexpr int cells = stride * (maxSize + 2);
    static constexpr std::array<int, 4> steps{-1, 1, -stride, stride};

    static int index(int x, int y) { return (y + 1) * stride + x + 1; }
    /// Removes the group on `point` when it has no liberty; returns its size or 0.
    int removeIfCaptured(int point);
    /// Whether some group on the board has no liberty.
    bool holdsCaptives();

    int m_width, m_height;
    std::array<Cell, cells> m_points{};
    // Marks of the group search, current when equal to m_generation, so that
    // no search has to clear them.
    std::array<std::uint32_t, cells> m_seen{};
    std::uint32_t m_generation = 0;
    // False while no group is without liberties, as moves leave the board:
    // a stone played onto one of its own colour then changes nothing. Setup
    // may leave such groups; the next move looks for them.
    bool m_mayHoldCaptives = false;
    std::array<std::int16_t, maxSize * maxSize> m_group{};
};

} // namespace tervanil
