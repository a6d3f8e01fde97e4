#include "root_stage.h"

#include "typed_text.h"

namespace tervanil {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

void RootSplitter::read(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size() && m_phase != Phase::Ended; ++i, ++m_position) {
        const char c = bytes[i];
        switch (m_phase) {
        case Phase::SkippingBlanks:
            if (isBlank(c))
                break;
            if (c == ';') {
                m_opening = m_position;
                m_phase = Phase::InRoot;
                break;
            }
            // Not an opening: the byte is read again as one that may begin it.
            m_phase = Phase::SeekingParenthesis;
            [[fallthrough]];
        case Phase::SeekingParenthesis:
            if (m_trailPending)
                m_trailPending = false;
            else if (isLeadByte(m_codePage, static_cast<unsigned char>(c)))
                m_trailPending = true;
            else if (c == '(')
                m_phase = Phase::SkippingBlanks;
            break;
        case Phase::InRoot:
            readInRoot(c);
            break;
        case Phase::Ended:
            break;
        }
    }
}

void RootSplitter::readInRoot(char c) {
    const ByteRole role = m_scanner.step(static_cast<unsigned char>(c));
    if (role == ByteRole::Outside && c == ';') {
        m_headerEnd = m_position;
        m_phase = Phase::Ended;
        return;
    }
    if (m_readingCharset) {
        if (m_scanner.atOutsideBoundary()) { // the value's "]"
            m_readingCharset = false;
            m_charset = std::string(trimmedBlanks(m_charsetBytes));
        } else if (c != '\\') {
            m_charsetBytes += c;
        }
    }
    // A tag is the two bytes outside values right before a value's "[".
    if (role == ByteRole::ValueOpen && m_position >= *m_opening + 3 &&
        m_role1 == ByteRole::Outside && m_role2 == ByteRole::Outside) {
        const char tag[] = {m_before2, m_before1};
        const std::string_view name(tag, 2);
        if (name == "GO")
            m_tags.go = true;
        else if (name == "CL")
            m_tags.cl = true;
        else if (name == "QS")
            m_tags.qs = true;
        else if (name == "NE")
            m_tags.ne = true;
        else if (name == "AS")
            m_tags.as = true;
        else if (name == "CA" && !m_charsetSeen)
            m_charsetSeen = m_readingCharset = true;
    }
    m_before2 = m_before1;
    m_before1 = c;
    m_role2 = m_role1;
    m_role1 = role;
}

RootCollector::RootCollector(const ConversionOptions& options, ByteSink& next,
                             StageHandoff* handoff)
    : m_options(options), m_next(next), m_handoff(handoff), m_loadingSplit(options.codePage),
      m_movePartEnd(next) {
    m_facts.readIn = options.codePage;
}

void RootCollector::pass(ByteSink& to, std::string_view bytes) {
    if (m_handoff)
        m_handoff->send(to, bytes);
    else
        to.feed(bytes);
}

void RootCollector::end(ByteSink& to) {
    if (m_handoff)
        m_handoff->end(to);
    else
        to.finish();
}

std::optional<CodePage> RootCollector::namedCodePage(const RootSplitter& split) const {
    if (!split.charset())
        return std::nullopt;
    const std::optional<CodePage> named = codePageNamed(*split.charset());
    if (!named || *named == m_options.codePage)
        return std::nullopt;
    return named;
}

void RootCollector::feed(std::string_view bytes) {
    if (m_split) {
        m_dropper->feed(bytes);
        return;
    }
    m_held.append(bytes);
    if (!m_namedSplit) {
        m_loadingSplit.read(bytes);
        if (!m_loadingSplit.ended())
            return;
        // A record that names its own code page is read in it: the split is
        // made again in that one, and its root node may end further on.
        if (const std::optional<CodePage> named = namedCodePage(m_loadingSplit)) {
            m_namedSplit.emplace(*named);
            m_namedSplit->read(m_held);
        } else {
            splitIn(m_loadingSplit, m_options.codePage);
            return;
        }
    } else {
        m_namedSplit->read(bytes);
    }
    if (m_namedSplit->ended())
        splitIn(*m_namedSplit, *namedCodePage(m_loadingSplit));
}

void RootCollector::splitIn(const RootSplitter& split, CodePage codePage) {
    m_split = true;
    m_facts.reworked = true;
    m_facts.readIn = codePage;
    settle();

    // Typed texts are escaped for the code page the record is read in, so that
    // no lead byte of another code page takes an escape or a "]" along.
    ConversionOptions recordOptions = m_options;
    recordOptions.codePage = codePage;
    const size_t opening = *split.opening() + 1;
    const size_t headerEnd = *split.headerEnd();
    std::string head;
    head.reserve(headerEnd + 64);
    head.append(m_held, 0, opening);
    // The typed texts go in the character set of the root node as split: the
    // one its CA names there, if any.
    const std::string named = split.charset().value_or(std::string());
    head += rootAdditions(split.tags(), recordOptions, recordCharset(named, codePage));
    head.append(m_held, opening, headerEnd - opening);
    pass(m_next, head);

    m_reflow.emplace(codePage, m_movePartEnd);
    m_dropper.emplace(codePage, m_toReflow);
    m_dropper->feed(std::string_view(m_held).substr(headerEnd));
    std::string().swap(m_held);
}

void RootCollector::settle() {
    if (m_loadingSplit.charset())
        m_facts.namedCharset = *m_loadingSplit.charset();
    if (m_listener)
        m_listener(m_facts);
}

void RootCollector::finish() {
    if (!m_split && !m_namedSplit && m_loadingSplit.opening()) {
        // The root node never ended in the loading code page; it may in the
        // one the record names.
        if (const std::optional<CodePage> named = namedCodePage(m_loadingSplit)) {
            m_namedSplit.emplace(*named);
            m_namedSplit->read(m_held);
            if (m_namedSplit->ended())
                splitIn(*m_namedSplit, *named);
        }
    }
    if (m_split) {
        m_dropper->finish();
        return;
    }
    settle();
    if (!m_held.empty())
        pass(m_next, m_held);
    std::string().swap(m_held);
    end(m_next);
}

} // namespace tervanil
