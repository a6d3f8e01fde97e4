#include "move_stages.h"

namespace tervanil {
namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
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
    for (; i < size; ++i) {
        const char c = bytes[i];
        if (m_scanner.atOutsideBoundary()) {
            if (c == '\n') {
                m_out.append(bytes, runStart, i - runStart);
                runStart = i + 1;
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
                    runStart = i + 2;
                    ++i;
                    continue;
                }
            }
        }
        m_scanner.step(static_cast<unsigned char>(c));
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
    for (char c : bytes)
        read(c);
    if (!m_out.empty())
        m_next.feed(m_out);
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
    if (m_breakBefore == ordinal)
        m_out += "\r\n";
    m_out += c;
    if (m_searchFrom && ordinal >= *m_searchFrom && seen(ordinal).safeBehind) {
        m_breakBefore = ordinal + 1;
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
    const bool breakAtEnd = m_searchFrom.has_value() || m_breakBefore == m_count;
    if (breakAtEnd && m_scanner.atOutsideBoundary())
        m_out += "\r\n";
    if (!m_out.empty())
        m_next.feed(m_out);
    m_next.finish();
}

} // namespace tervanil
