#include "record_rework.h"

#include "sgf_scanner.h"

#include <algorithm>

namespace tervanil {
namespace {

constexpr int nodesPerLine = 10;
constexpr size_t breakOffset = 6; // a six-byte move node: ";B[ee]"
constexpr size_t examineAgainAt = 3;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Where the record's root node begins and ends.
struct RootSplit {
    size_t openingSemicolon; // the ";" of the first "(" ";", blanks allowed between
    std::optional<size_t> headerEnd; // the ";" that opens the second node
    RootTags tags;           // properties the root node holds already
    std::optional<CodePage> namedCodePage; // what its CA[...] names, if known
};

// The first "(" whose next byte other than a blank is ";".
std::optional<size_t> findOpeningSemicolon(std::string_view text, CodePage codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (isLeadByte(codePage, static_cast<unsigned char>(text[i]))) {
            ++i;
            continue;
        }
        if (text[i] != '(')
            continue;
        size_t next = i + 1;
        while (next < text.size() && isBlank(text[next]))
            ++next;
        if (next < text.size() && text[next] == ';')
            return next;
        i = next - 1;
    }
    return std::nullopt;
}

std::string_view trimmedBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Notes the root property whose identifier stands just before a value's "[".
void noteTag(std::string_view tag, RootTags& tags, bool& charsetFollows) {
    if (tag == "GO")
        tags.go = true;
    else if (tag == "CL")
        tags.cl = true;
    else if (tag == "QS")
        tags.qs = true;
    else if (tag == "NE")
        tags.ne = true;
    else if (tag == "AS")
        tags.as = true;
    else if (tag == "CA")
        charsetFollows = true;
}

// The split of `text` read in `codePage`; without a header end when the root
// node is the last node of the text.
std::optional<RootSplit> splitRoot(std::string_view text, CodePage codePage) {
    std::optional<size_t> opening = findOpeningSemicolon(text, codePage);
    if (!opening)
        return std::nullopt;
    RootSplit split{*opening, std::nullopt, {}, std::nullopt};
    SgfScanner scanner(codePage);
    // Roles of the two bytes before the current one, for the tag tests.
    ByteRole before1 = ByteRole::Outside, before2 = ByteRole::Character;
    bool readingCharset = false, charsetSeen = false;
    std::string charset;
    for (size_t i = *opening + 1; i < text.size(); ++i) {
        const char c = text[i];
        const ByteRole role = scanner.step(static_cast<unsigned char>(c));
        if (role == ByteRole::Outside && c == ';') {
            split.headerEnd = i;
            return split;
        }
        if (readingCharset) {
            if (scanner.atOutsideBoundary()) { // the value's "]"
                readingCharset = false;
                split.namedCodePage = codePageNamed(trimmedBlanks(charset));
            } else if (c != '\\') {
                charset += c;
            }
        }
        if (role == ByteRole::ValueOpen && i >= *opening + 3 && before1 == ByteRole::Outside &&
            before2 == ByteRole::Outside) {
            bool charsetFollows = false;
            noteTag(text.substr(i - 2, 2), split.tags, charsetFollows);
            if (charsetFollows && !charsetSeen) {
                charsetSeen = readingCharset = true;
            }
        }
        before2 = before1;
        before1 = role;
    }
    return split;
}

// Walks the move part as it stands once its line breaks outside values are
// removed: a CR LF pair or a lone LF outside values is passed over. Each
// visited byte has an ordinal, its position in that text without breaks.
class MoveCursor {
public:
    MoveCursor(std::string_view moves, CodePage codePage) : m_moves(moves), m_scanner(codePage) {
        settle();
    }
    bool atEnd() const { return m_position >= m_moves.size(); }
    char byte() const { return m_moves[m_position]; }
    ByteRole role() const { return m_role; }
    size_t ordinal() const { return m_ordinal; }
    /// A spot right behind this byte lies outside values, splits no character
    /// and does not part a letter from what follows it.
    bool safeSpotBehind() const { return m_scanner.atOutsideBoundary() && !isAsciiLetter(byte()); }
    void advance() {
        ++m_position;
        ++m_ordinal;
        settle();
    }
    void advance(size_t steps) {
        for (size_t i = 0; i < steps && !atEnd(); ++i)
            advance();
    }

private:
    void settle() {
        while (m_position < m_moves.size()) {
            const char c = m_moves[m_position];
            if (m_scanner.atOutsideBoundary()) {
                if (c == '\n') {
                    ++m_position;
                    continue;
                }
                if (c == '\r' && m_position + 1 < m_moves.size() && m_moves[m_position + 1] == '\n') {
                    m_position += 2;
                    continue;
                }
            }
            m_role = m_scanner.step(static_cast<unsigned char>(c));
            return;
        }
    }

    std::string_view m_moves;
    SgfScanner m_scanner;
    size_t m_position = 0;
    size_t m_ordinal = 0;
    ByteRole m_role = ByteRole::Outside;
};

// Whether the byte six places behind the node at `node` is a ")" outside
// values, counting the line break still to be inserted at `pendingBreak`.
bool closesSixBytesOn(const MoveCursor& node, std::optional<size_t> pendingBreak) {
    size_t offset = breakOffset;
    if (pendingBreak && *pendingBreak > node.ordinal()) {
        const size_t distance = *pendingBreak - node.ordinal();
        if (distance == breakOffset || distance + 1 == breakOffset)
            return false; // the inserted CR or LF stands there
        if (distance < breakOffset)
            offset -= 2;
    }
    MoveCursor probe = node;
    probe.advance(offset);
    return !probe.atEnd() && probe.byte() == ')' && probe.role() == ByteRole::Outside;
}

// The first safe spot at or after six bytes behind the node at `node`; the end
// of the move part at the latest.
size_t breakSpotAfter(const MoveCursor& node) {
    MoveCursor probe = node;
    probe.advance(breakOffset - 1);
    while (!probe.atEnd() && !probe.safeSpotBehind())
        probe.advance();
    return probe.atEnd() ? probe.ordinal() : probe.ordinal() + 1;
}

// Appends the move part without its line breaks, a CR LF after every tenth
// node, until the node that a ")" closes six bytes further on.
void appendReflowedMoves(std::string_view moves, CodePage codePage, std::string& out) {
    MoveCursor cursor(moves, codePage);
    int nodes = 0;
    bool scanEnded = false;
    size_t examineFrom = 0;
    std::optional<size_t> pendingBreak;
    for (; !cursor.atEnd(); cursor.advance()) {
        const size_t j = cursor.ordinal();
        if (pendingBreak == j) {
            out += "\r\n";
            pendingBreak.reset();
        }
        out += cursor.byte();
        if (scanEnded || j < examineFrom || cursor.byte() != ';' ||
            cursor.role() != ByteRole::Outside)
            continue;
        if (closesSixBytesOn(cursor, pendingBreak)) {
            scanEnded = true;
        } else if (++nodes == nodesPerLine) {
            // At most one break is ever pending: the next needs ten more nodes,
            // and a node behind the break's earliest spot makes a safe spot itself.
            pendingBreak = breakSpotAfter(cursor);
            nodes = 0;
            examineFrom = j + examineAgainAt;
        }
    }
    if (pendingBreak)
        out += "\r\n";
}

void appendSgfEscaped(std::string& out, std::string_view text, CodePage codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isLeadByte(codePage, static_cast<unsigned char>(c))) {
            out += c;
            if (i + 1 < text.size())
                out += text[++i];
            continue;
        }
        if (c == '\\' || c == ']')
            out += '\\';
        out += c;
    }
}

} // namespace

std::string sgfEscaped(std::string_view text, CodePage codePage) {
    std::string out;
    appendSgfEscaped(out, text, codePage);
    return out;
}

std::string rootAdditions(const RootTags& present, const ConversionOptions& options) {
    std::string additions;
    if (!present.go) {
        additions += "\r\nGO[";
        additions += static_cast<char>('0' + (options.number ? 0 : 2) + (options.advancemoves ? 1 : 0));
        additions += ']';
    }
    const bool interactive = options.applet == Applet::Quillamy && options.clickable;
    if (interactive && !present.cl)
        additions += options.freeclick ? "\r\nCL[1]" : "\r\nCL[2]";
    if (interactive && !present.qs && options.askstyle)
        additions += "\r\nQS[1]";
    if (interactive && options.nextWhite && !present.ne)
        additions += "\r\nNE[W]";
    if ((options.startupNumber != "1" || options.startupMoves != "0") && !present.as) {
        additions += "\r\nAS[";
        appendSgfEscaped(additions, options.startupMoves, options.codePage);
        additions += ',';
        appendSgfEscaped(additions, options.startupNumber, options.codePage);
        additions += ']';
    }
    if (!options.startupMessage.empty()) {
        additions += "\r\nC[";
        appendSgfEscaped(additions, options.startupMessage, options.codePage);
        additions += ']';
    }
    return additions;
}

std::optional<std::string> reworkedRecord(std::string_view record,
                                          const ConversionOptions& options) {
    CodePage codePage = options.codePage;
    std::optional<RootSplit> split = splitRoot(record, codePage);
    // A record that names its own code page is read in it.
    if (split && split->namedCodePage && *split->namedCodePage != codePage) {
        codePage = *split->namedCodePage;
        split = splitRoot(record, codePage);
    }
    if (!split || !split->headerEnd)
        return std::nullopt;

    const std::string additions = rootAdditions(split->tags, options);
    const std::string_view opening = record.substr(0, split->openingSemicolon + 1);
    const std::string_view restOfHeader =
        record.substr(opening.size(), *split->headerEnd - opening.size());
    const std::string_view moves = record.substr(*split->headerEnd);

    std::string out;
    // A break is two bytes for ten nodes of at least one byte each.
    out.reserve(record.size() + additions.size() + moves.size() / 5 + 8);
    out.append(opening).append(additions).append(restOfHeader);
    appendReflowedMoves(moves, codePage, out);
    out += "\r\n";
    return out;
}

bool ReworkRecord(TextBuffer& recordBuffer, const ConversionOptions& options) {
    std::optional<std::string> reworked = reworkedRecord(recordBuffer.text(), options);
    if (!reworked)
        return false;
    // The buffer gets the record as one added line, which brings the final CR LF.
    reworked->resize(reworked->size() - 2);
    recordBuffer.clear();
    recordBuffer.addLine(std::move(*reworked));
    return true;
}

} // namespace tervanil
