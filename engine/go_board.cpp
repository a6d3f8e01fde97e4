#include "go_board.h"

namespace tervanil {

GoBoard::GoBoard(int width, int height) : m_width(width), m_height(height) {
    reset(width, height);
}

void GoBoard::reset(int width, int height) {
    m_width = width;
    m_height = height;
    m_points.fill(offBoard);
    m_mayHoldCaptives = false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            m_points[index(x, y)] = static_cast<Cell>(Stone::Empty);
}

int GoBoard::play(int x, int y, Stone stone) {
    const int point = index(x, y);
    if (m_mayHoldCaptives)
        m_mayHoldCaptives = holdsCaptives();
    // Most moves of a long record that fills the board land on a stone; one
    // of the same colour leaves the position, every group with a liberty, as
    // it was.
    if (m_points[point] == static_cast<Cell>(stone) && !m_mayHoldCaptives)
        return 0;
    m_points[point] = static_cast<Cell>(stone);
    if (stone == Stone::Empty)
        return 0;
    int removed = 0;
    const auto other = static_cast<Cell>(opponent(stone));
    for (const int step : steps)
        if (m_points[point + step] == other)
            removed += removeIfCaptured(point + step);
    // Suicide: the stone's own group goes when it has no liberty left.
    return removed + removeIfCaptured(point);
}

bool GoBoard::holdsCaptives() {
    constexpr auto empty = static_cast<Cell>(Stone::Empty);
    // One generation for the whole scan: each group is searched once.
    if (++m_generation == 0) {
        m_seen.fill(0);
        m_generation = 1;
    }
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const int start = index(x, y);
            const Cell colour = m_points[start];
            if (colour == empty || m_seen[start] == m_generation)
                continue;
            bool free = false;
            int count = 0;
            m_group[count++] = static_cast<std::int16_t>(start);
            m_seen[start] = m_generation;
            for (int next = 0; next < count; ++next) {
                for (const int step : steps) {
                    const int neighbour = m_group[next] + step;
                    if (m_points[neighbour] == empty) {
                        free = true;
                    } else if (m_points[neighbour] == colour && m_seen[neighbour] != m_generation) {
                        m_seen[neighbour] = m_generation;
                        m_group[count++] = static_cast<std::int16_t>(neighbour);
                    }
                }
            }
            if (!free)
                return true;
        }
    }
    return false;
}

int GoBoard::removeIfCaptured(int point) {
    constexpr auto empty = static_cast<Cell>(Stone::Empty);
    const Cell colour = m_points[point];
    if (colour == empty)
        return 0;
    // Most stones touch a liberty themselves: no search for them.
    for (const int step : steps)
        if (m_points[point + step] == empty)
            return 0;
    if (++m_generation == 0) {
        m_seen.fill(0);
        m_generation = 1;
    }
    int count = 0;
    m_group[count++] = static_cast<std::int16_t>(point);
    m_seen[point] = m_generation;
    for (int next = 0; next < count; ++next) {
        for (const int step : steps) {
            const int neighbour = m_group[next] + step;
            const Cell there = m_points[neighbour];
            if (there == empty)
                return 0;
            if (there == colour && m_seen[neighbour] != m_generation) {
                m_seen[neighbour] = m_generation;
                m_group[count++] = static_cast<std::int16_t>(neighbour);
            }
        }
    }
    for (int stone = 0; stone < count; ++stone)
        m_points[m_group[stone]] = empty;
    return count;
}

} // namespace tervanil
