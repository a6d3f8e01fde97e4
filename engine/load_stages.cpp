#include "load_stages.h"

#include <algorithm>
#include <cstring>

namespace tervanil {
namespace {

// Finds the next CR or LF in a text without lead bytes. Each is looked for
// with memchr, the fastest scan the library has, and looked for again only
// once passed.
class LineBreakFinder {
  public:
    explicit LineBreakFinder(std::string_view text)
        : m_text(text), m_nextCr(find('\r', 0)), m_nextLf(find('\n', 0)) {}

    size_t next(size_t from) {
        if (m_nextCr < from)
            m_nextCr = find('\r', from);
        if (m_nextLf < from)
            m_nextLf = find('\n', from);
        return std::min(m_nextCr, m_nextLf);
    }

  private:
    size_t find(char c, size_t from) const {
        if (from >= m_text.size())
            return m_text.size();
        const void* found = std::memchr(m_text.data() + from, c, m_text.size() - from);
        return found ? static_cast<size_t>(static_cast<const char*>(found) - m_text.data())
                     : m_text.size();
    }

    std::string_view m_text;
    size_t m_nextCr, m_nextLf;
};

} // namespace

void NulCut::feed(std::string_view bytes) {
    if (m_cut)
        return;
    const void* nul = std::memchr(bytes.data(), '\0', bytes.size());
    if (nul == nullptr) {
        m_next.feed(bytes);
        return;
    }
    m_cut = true;
    const size_t kept = static_cast<size_t>(static_cast<const char*>(nul) - bytes.data());
    if (kept > 0)
        m_next.feed(bytes.substr(0, kept));
}

void LineBreakNormaliser::feed(std::string_view bytes) {
    if (bytes.empty())
        return;
    m_out.clear();
    size_t i = 0;
    if (m_trailPending) {
        m_trailPending = false;
        i = 1;
    } else if (m_crPending) {
        m_crPending = false;
        m_out += "\r\n";
        if (bytes[0] == '\n')
            i = 1;
        bytes.remove_prefix(i);
        i = 0;
    }
    // Bytes go on in runs; only a lone CR or LF breaks a run.
    size_t runStart = 0;
    const size_t size = bytes.size();
    LineBreakFinder breaks(bytes);
    const auto nextStop = [&](size_t from) {
        return m_hasLeadBytes ? m_stops.find(bytes, from) : breaks.next(from);
    };
    while ((i = nextStop(i)) < size) {
        const char c = bytes[i];
        if (c == '\n') {
            m_out.append(bytes, runStart, i - runStart).append("\r\n");
            runStart = ++i;
        } else if (c == '\r') {
            if (i + 1 == size) {
                m_out.append(bytes, runStart, i - runStart);
                m_crPending = true;
                runStart = ++i;
            } else if (bytes[i + 1] == '\n') {
                i += 2;
            } else {
                m_out.append(bytes, runStart, i - runStart).append("\r\n");
                runStart = ++i;
            }
        } else { // a lead byte
            if (i + 1 == size)
                m_trailPending = true;
            i += 2;
        }
    }
    // A chunk that needed nothing added goes on as it came, without a copy.
    if (m_out.empty() && runStart == 0) {
        m_next.feed(bytes);
        return;
    }
    m_out.append(bytes, runStart, size - runStart);
    if (!m_out.empty())
        m_next.feed(m_out);
}

void LineBreakNormaliser::finish() {
    if (m_crPending) {
        m_crPending = false;
        m_next.feed("\r\n");
    }
    m_next.finish();
}

} // namespace tervanil
