#include "go_board.h"

namespace tervanil {

GoBoard::GoBoard(int width, int height) : m_width(width), m_height(height) {
    m_group.reserve(maxSize * maxSize);
}

void GoBoard::reset(int width, int height) {
    m_width = width;
    m_height = height;
    m_points.fill(Stone::Empty);
}

int GoBoard::play(int x, int y, Stone stone) {
    const int point = index(x, y);
    m_points[point] = stone;
    if (stone == Stone::Empty)
        return 0;
    int removed = 0;
    const Stone other = opponent(stone);
    const int neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& n : neighbours)
        if (contains(n[0], n[1]) && at(n[0], n[1]) == other)
            removed += removeIfCaptured(index(n[0], n[1]));
    // Suicide: the stone's own group goes when it has no liberty left.
    return removed + removeIfCaptured(point);
}

int GoBoard::removeIfCaptured(int point) {
    const Stone colour = m_points[point];
    if (colour == Stone::Empty)
        return 0;
    // Most stones touch a liberty themselves: no search for them.
    const int x0 = point % maxSize, y0 = point / maxSize;
    const int around[4][2] = {{x0 - 1, y0}, {x0 + 1, y0}, {x0, y0 - 1}, {x0, y0 + 1}};
    for (const auto& n : around)
        if (contains(n[0], n[1]) && at(n[0], n[1]) == Stone::Empty)
            return 0;
    if (++m_generation == 0) {
        m_seen.fill(0);
        m_generation = 1;
    }
    m_group.clear();
    m_group.push_back(point);
    m_seen[point] = m_generation;
    for (std::size_t next = 0; next < m_group.size(); ++next) {
        const int x = m_group[next] % maxSize, y = m_group[next] / maxSize;
        const int neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
        for (const auto& n : neighbours) {
            if (!contains(n[0], n[1]))
                continue;
            const int other = index(n[0], n[1]);
            if (m_points[other] == Stone::Empty)
                return 0;
            if (m_points[other] == colour && m_seen[other] != m_generation) {
                m_seen[other] = m_generation;
                m_group.push_back(other);
            }
        }
    }
    for (int stone : m_group)
        m_points[stone] = Stone::Empty;
    return static_cast<int>(m_group.size());
}

} // namespace tervanil
