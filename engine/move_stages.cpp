#include "move_stages.h"

namespace tervanil {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether the move node of six bytes that most nodes are, such as ";B[pd]",
// starts at `at`: no byte of it can open a character, hide a line break or
// escape, and its value closes at its last byte.
bool isSixByteMove(std::string_view text, size_t at) {
    if (at + 6 > text.size())
        return false;
    const char* node = text.data() + at;
    return node[1] >= 'A' && node[1] <= 'Z' && node[2] == '[' && node[3] >= 'a' && node[3] <= 'z' &&
           node[4] >= 'a' && node[4] <= 'z' && node[5] == ']';
}

} // namespace

void LineBreakDropper::feed(std::string_view bytes) {
    m_out.clear();
    size_t runStart = 0;
    size_t i = 0;
    if (m_crPending) {
        m_crPending = false;
        if (!bytes.empty() && bytes[0] == '\n') {
            i = runStart = 1;
        } else {
            m_out += '\r';
            m_scanner.step('\r');
        }
    }
    const size_t size = bytes.size();
    while (i < size) {
        // The bytes that change nothing are passed over in one loop.
        switch (m_scanner.mode()) {
        case SgfScanner::Mode::Outside:
            i = m_outsideStops.find(bytes, i);
            break;
        case SgfScanner::Mode::InValue:
            i = m_valueStops.find(bytes, i);
            break;
        case SgfScanner::Mode::ByteDue:
            break;
        }
        if (i == size)
            break;
        const char c = bytes[i];
        if (m_scanner.mode() == SgfScanner::Mode::Outside) {
            // The usual move node and a value closed within the chunk by a "]"
            // that nothing escapes leave the scanner where it was, and hold
            // no line break outside values: passed over whole.
            if (c == ';') {
                if (!isSixByteMove(bytes, i)) {
                    ++i;
                    continue;
                }
                do
                    i += 6;
                while (i < size && bytes[i] == ';' && isSixByteMove(bytes, i));
                continue;
            }
            if (c == '[') {
                const size_t end = m_valueStops.find(bytes, i + 1);
                if (end < size && bytes[end] == ']') {
                    i = end + 1;
                    continue;
                }
            }
        }
        if (m_scanner.atOutsideBoundary()) {
            if (c == '\n') {
                m_out.append(bytes, runStart, i - runStart);
                runStart = ++i;
                continue;
            }
            if (c == '\r') {
                if (i + 1 == size) {
                    m_out.append(bytes, runStart, i - runStart);
                    m_crPending = true;
                    runStart = size;
                    break;
                }
                if (bytes[i + 1] == '\n') {
                    m_out.append(bytes, runStart, i - runStart);
                    runStart = i += 2;
                    continue;
                }
            }
        }
        m_scanner.step(static_cast<unsigned char>(c));
        ++i;
    }
    m_out.append(bytes, runStart, size - runStart);
    if (!m_out.empty())
        m_next.feed(m_out);
}

void LineBreakDropper::finish() {
    if (m_crPending) {
        m_crPending = false;
        m_next.feed("\r");
    }
    m_next.finish();
}

void Reflow::feed(std::string_view bytes) {
    m_out.clear();
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (canSkim()) {
            i = skim(bytes, i);
            if (i == bytes.size())
                break;
        }
        read(bytes[i]);
    }
    if (!m_out.empty())
        m_next.feed(m_out);
}

// Nothing waits on the bytes to come: no node for its sixth byte, no break
// for its spot.
bool Reflow::canSkim() const {
    return m_nodesCount == 0 && !m_searchFrom &&
           !(m_breakBefore && !m_breakWritten && *m_breakBefore > m_count);
}

// Reads on from `from` in runs: bytes that change nothing are passed over, six-
// byte moves are settled from their own bytes. Stops before a node that needs
// a closer look (read byte by byte), or at the end; returns where it stopped.
size_t Reflow::skim(std::string_view bytes, size_t from) {
    const size_t size = bytes.size();
    size_t i = from;
    size_t runStart = from;
    const auto passOver = [&](size_t to) {
        m_count += to - i;
        i = to;
    };
    while (i < size) {
        if (m_breakBefore == m_count && !m_breakWritten) {
            m_out.append(bytes, runStart, i - runStart).append("\r\n");
            m_breakWritten = true;
            runStart = i;
        }
        if (m_scanEnded && !m_searchFrom) {
            passOver(size); // nothing more is examined or broken
            break;
        }
        switch (m_scanner.mode()) {
        case SgfScanner::Mode::Outside:
            passOver(m_outsideStops.find(bytes, i));
            break;
        case SgfScanner::Mode::InValue:
            passOver(m_valueStops.find(bytes, i));
            break;
        case SgfScanner::Mode::ByteDue:
            break;
        }
        if (i == size)
            break;
        if (bytes[i] == ';' && m_scanner.atOutsideBoundary()) {
            // The byte six on must be here too, for the look at it.
            if (i + probeOffset >= size || !isSixByteMove(bytes, i))
                break;
            // A run of six-byte moves, up to a tenth or the end of the scan.
            do {
                const size_t node = m_count;
                passOver(i + probeOffset);
                if (m_scanEnded || node < m_examineFrom)
                    continue;
                if (bytes[i] == ')') {
                    m_scanEnded = true;
                    break;
                }
                if (++m_counted == nodesPerLine) {
                    // The spot behind the "]" is safe: the break goes there.
                    m_counted = 0;
                    m_examineFrom = node + skippedAfterBreak;
                    m_breakBefore = node + probeOffset;
                    m_breakWritten = false;
                    break;
                }
            } while (i + probeOffset < size && bytes[i] == ';' && isSixByteMove(bytes, i));
            continue;
        }
        if (bytes[i] == '[' && m_scanner.mode() == SgfScanner::Mode::Outside) {
            // A value closed within the chunk by a "]" that nothing escapes
            // leaves the scanner where it was: passed over whole.
            const size_t end = m_valueStops.find(bytes, i + 1);
            if (end < size && bytes[end] == ']') {
                passOver(end + 1);
                continue;
            }
        }
        m_scanner.step(static_cast<unsigned char>(bytes[i]));
        passOver(i + 1);
    }
    m_out.append(bytes, runStart, i - runStart);
    return i;
}

void Reflow::writeBreakIfDue() {
    if (m_breakBefore == m_count - 1 && !m_breakWritten) {
        m_out += "\r\n";
        m_breakWritten = true;
    }
}

void Reflow::read(char c) {
    const size_t ordinal = m_count++;
    const ByteRole role = m_scanner.step(static_cast<unsigned char>(c));
    m_seen[ordinal % window] = {c, role == ByteRole::Outside,
                                m_scanner.atOutsideBoundary() && !isAsciiLetter(c)};
    // The node six bytes back has its sixth byte now.
    if (m_nodesCount > 0 && m_nodes[m_nodesFirst] + probeOffset == ordinal) {
        const size_t node = m_nodes[m_nodesFirst];
        m_nodesFirst = (m_nodesFirst + 1) % window;
        --m_nodesCount;
        decide(node, false);
    }
    writeBreakIfDue();
    m_out += c;
    if (m_searchFrom && ordinal >= *m_searchFrom && seen(ordinal).safeBehind) {
        m_breakBefore = ordinal + 1;
        m_breakWritten = false;
        m_searchFrom.reset();
    }
    if (c == ';' && role == ByteRole::Outside && !m_scanEnded) {
        m_nodes[(m_nodesFirst + m_nodesCount) % window] = ordinal;
        ++m_nodesCount;
    }
}

// The ordinal a break still to be written stands before, when it is near
// enough to the node to matter: a spot not found yet lies further on than the
// node's sixth byte, except at the end, where it is the end.
std::optional<size_t> Reflow::breakAhead(size_t node, bool atEnd) const {
    if (m_searchFrom)
        return atEnd ? std::optional<size_t>(m_count) : std::nullopt;
    if (m_breakBefore && *m_breakBefore > node)
        return m_breakBefore;
    return std::nullopt;
}

void Reflow::decide(size_t node, bool atEnd) {
    if (m_scanEnded || node < m_examineFrom)
        return;
    size_t offset = probeOffset;
    bool closerPossible = true;
    if (const std::optional<size_t> spot = breakAhead(node, atEnd)) {
        const size_t distance = *spot - node;
        if (distance == probeOffset || distance + 1 == probeOffset)
            closerPossible = false; // the inserted CR or LF stands there
        else if (distance < probeOffset)
            offset -= 2;
    }
    const size_t probe = node + offset;
    if (closerPossible && probe < m_count && seen(probe).byte == ')' && seen(probe).outside) {
        m_scanEnded = true;
        return;
    }
    if (++m_counted < nodesPerLine)
        return;
    m_counted = 0;
    m_examineFrom = node + skippedAfterBreak;
    m_breakBefore.reset();
    m_breakWritten = false;
    // The bytes read already from the earliest spot on; later ones are looked
    // at as they come.
    for (size_t at = node + probeOffset - 1; at < m_count; ++at) {
        if (seen(at).safeBehind) {
            m_breakBefore = at + 1;
            return;
        }
    }
    m_searchFrom = node + probeOffset - 1;
}

void Reflow::finish() {
    m_out.clear();
    while (m_nodesCount > 0) {
        const size_t node = m_nodes[m_nodesFirst];
        m_nodesFirst = (m_nodesFirst + 1) % window;
        --m_nodesCount;
        decide(node, true);
    }
    // A break due at the very end; a value left open or half a character there
    // would take it in, so then there is none.
    const bool breakAtEnd =
        m_searchFrom.has_value() || (m_breakBefore == m_count && !m_breakWritten);
    if (breakAtEnd && m_scanner.atOutsideBoundary())
        m_out += "\r\n";
    if (!m_out.empty())
        m_next.feed(m_out);
    m_next.finish();
}

} // namespace tervanil
