// The whole-buffer conversion of one record as the engine did it before it
// streamed: the load, the rework and the page, each over the whole text. The
// differential test and the fuzz target hold the streaming stages to it, byte
// for byte. Kept as it was written; only the root additions are shared.

#include "reference_conversion.h"

#include "record_rework.h"
#include "sgf_scanner.h"
#include "typed_text.h"

#include <cstdint>
#include <cstring>

namespace reference {

using tervanil::ByteRole;
using tervanil::CodePage;
using tervanil::codePageNamed;
using tervanil::ConversionOptions;
using tervanil::isLeadByte;
using tervanil::RootTags;
using tervanil::SgfScanner;

namespace {

constexpr int nodesPerLine = 10;
constexpr size_t breakOffset = 6; // a six-byte move node: ";B[ee]"
constexpr size_t examineAgainAt = 3;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Where the record's root node begins and ends.
struct RootSplit {
    size_t openingSemicolon;               // the ";" of the first "(" ";", blanks allowed between
    std::optional<size_t> headerEnd;       // the ";" that opens the second node
    RootTags tags;                         // properties the root node holds already
    std::optional<CodePage> namedCodePage; // what its CA[...] names, if known
    std::string namedCharset;              // its CA value, blanks trimmed
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
    RootSplit split{*opening, std::nullopt, {}, std::nullopt, {}};
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
                split.namedCharset = trimmedBlanks(charset);
                split.namedCodePage = codePageNamed(split.namedCharset);
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

// The length of the line break that starts at `position`, a place outside
// values and between characters: 2 for CR LF, 1 for a lone LF, else 0. The
// move part drops these.
inline size_t lineBreakLengthAt(std::string_view moves, size_t position) {
    if (moves[position] == '\n')
        return 1;
    return moves[position] == '\r' && position + 1 < moves.size() && moves[position + 1] == '\n'
               ? 2
               : 0;
}

// Walks the move part as it stands once its line breaks outside values are
// removed: a CR LF pair or a lone LF outside values is passed over. Each
// visited byte has an ordinal, its position in that text without breaks.
// Used for the short looks ahead from a node.
class MoveCursor {
  public:
    /// A cursor on the byte at `position`, which the scanner has just read.
    MoveCursor(std::string_view moves, size_t position, size_t ordinal, const SgfScanner& scanner,
               ByteRole role)
        : m_moves(moves), m_scanner(scanner), m_position(position), m_ordinal(ordinal),
          m_role(role) {}
    bool atEnd() const { return m_position >= m_moves.size(); }
    char byte() const { return m_moves[m_position]; }
    ByteRole role() const { return m_role; }
    size_t position() const { return m_position; }
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
            const size_t breakLength =
                m_scanner.atOutsideBoundary() ? lineBreakLengthAt(m_moves, m_position) : 0;
            if (breakLength == 0)
                break;
            m_position += breakLength;
        }
        if (m_position < m_moves.size())
            m_role = m_scanner.step(static_cast<unsigned char>(m_moves[m_position]));
    }

    std::string_view m_moves;
    SgfScanner m_scanner;
    size_t m_position;
    size_t m_ordinal;
    ByteRole m_role;
};

// A place in the move part: the position of a byte in the text as it stands,
// and its ordinal in the text without the dropped line breaks.
struct MovePlace {
    size_t position;
    size_t ordinal;
};

// No break pending: a place beyond every text, so never near a node.
constexpr MovePlace noBreak{SIZE_MAX, SIZE_MAX};

// Whether the byte six places behind the node at `node` is a ")" outside
// values, counting the line break still to be inserted at `pendingBreak`.
bool closesSixBytesOn(const MoveCursor& node, MovePlace pendingBreak) {
    size_t offset = breakOffset;
    if (pendingBreak.ordinal > node.ordinal()) {
        const size_t distance = pendingBreak.ordinal - node.ordinal();
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
MovePlace breakSpotAfter(const MoveCursor& node) {
    MoveCursor probe = node;
    probe.advance(breakOffset - 1);
    while (!probe.atEnd() && !probe.safeSpotBehind())
        probe.advance();
    if (!probe.atEnd())
        probe.advance();
    return {probe.position(), probe.ordinal()};
}

// The position just behind the value whose content starts at `position`; one
// past the end of `text` when the value is not closed.
template <CodePage codePage> size_t endOfValue(std::string_view text, size_t position) {
    while (position < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[position]);
        if (c == ']')
            return position + 1;
        if (c == '\\' && position + 1 < text.size())
            ++position; // the escaped character is taken whole below
        position += isLeadByte(codePage, static_cast<unsigned char>(text[position])) ? 2 : 1;
    }
    return text.size() + 1;
}

bool isUpperAscii(char c) {
    return c >= 'A' && c <= 'Z';
}
bool isLowerAscii(char c) {
    return c >= 'a' && c <= 'z';
}

// Whether a move node of six bytes, such as ";B[pd]", starts at `position`:
// no byte of it can open a character, hide a line break or escape.
inline bool isSixByteMove(std::string_view moves, size_t position) {
    if (position + breakOffset > moves.size())
        return false;
    const char* node = moves.data() + position;
    return isUpperAscii(node[1]) && node[2] == '[' && isLowerAscii(node[3]) &&
           isLowerAscii(node[4]) && node[5] == ']';
}

// The position of the first byte at or after `position` that is not part of a
// line break that the move part drops there.
inline size_t behindLineBreaks(std::string_view moves, size_t position) {
    while (position < moves.size()) {
        const size_t breakLength = lineBreakLengthAt(moves, position);
        if (breakLength == 0)
            break;
        position += breakLength;
    }
    return position;
}

// True when the node at `position` is surely not closed by a ")" six bytes on:
// no line break lies in those six bytes (the next LF, `nextLineFeed`, is
// further on than a CR LF there would put it), none is about to be inserted
// there, and the sixth is no ")". Settles almost every node without a closer
// look.
inline bool surelyNotClosed(std::string_view moves, size_t position, size_t ordinal,
                            size_t nextLineFeed, const MovePlace& pendingBreak) {
    if (pendingBreak.ordinal - ordinal <= breakOffset) // also when none is pending
        return false;
    if (nextLineFeed <= position + breakOffset + 1)
        return false;
    return position + breakOffset >= moves.size() || moves[position + breakOffset] != ')';
}

// Appends the move part without its line breaks outside values, a CR LF after
// every tenth node, until the node that a ")" closes six bytes further on.
// Values are passed over whole and bytes are copied in runs, so the pass costs
// little more than the copy itself.
template <CodePage codePage> void appendReflowedMoves(std::string_view moves, std::string& out) {
    const size_t size = moves.size();
    size_t runStart = 0;
    size_t dropped = 0; // line-break bytes dropped so far
    int nodes = 0;
    bool scanEnded = false;
    size_t examineFrom = 0;
    MovePlace pendingBreak = noBreak;
    size_t nextLineFeed = 0; // of the last look for one; `size` when none is left
    size_t position = 0;
    while (position < size) {
        if (pendingBreak.position == position) {
            out.append(moves, runStart, position - runStart);
            out += "\r\n";
            runStart = position;
            pendingBreak = noBreak;
        }
        const unsigned char c = static_cast<unsigned char>(moves[position]);
        const size_t breakLength = lineBreakLengthAt(moves, position);
        if (breakLength > 0) {
            out.append(moves, runStart, position - runStart);
            position += breakLength;
            dropped += breakLength;
            runStart = position;
        } else if (c == '[') {
            position = endOfValue<codePage>(moves, position + 1);
        } else if (c == ';') {
            const size_t ordinal = position - dropped;
            const bool examined = !scanEnded && ordinal >= examineFrom;
            // No break is about to go in among the six bytes behind the node.
            const bool clearAhead = pendingBreak.ordinal - ordinal > breakOffset;
            if (clearAhead && isSixByteMove(moves, position)) {
                // The usual node, a move such as ";B[pd]", is settled from its
                // bytes and passed over whole; the spot behind it is safe.
                const size_t behind = behindLineBreaks(moves, position + breakOffset);
                if (examined) {
                    if (behind < size && moves[behind] == ')') {
                        scanEnded = true;
                    } else if (++nodes == nodesPerLine) {
                        pendingBreak = {behind, ordinal + breakOffset};
                        nodes = 0;
                    }
                }
                position += breakOffset;
                continue;
            }
            if (examined) {
                if (nextLineFeed < position) {
                    const size_t found = moves.find('\n', position);
                    nextLineFeed = found == std::string_view::npos ? size : found;
                }
                // The closer looks start from here, outside values.
                const auto node = [&] {
                    return MoveCursor(moves, position, ordinal, SgfScanner(codePage),
                                      ByteRole::Outside);
                };
                if (!surelyNotClosed(moves, position, ordinal, nextLineFeed, pendingBreak) &&
                    closesSixBytesOn(node(), pendingBreak)) {
                    scanEnded = true;
                } else if (++nodes == nodesPerLine) {
                    // At most one break is ever pending: the next needs ten more
                    // nodes, and a node behind this break's earliest spot makes
                    // a safe spot itself.
                    pendingBreak = breakSpotAfter(node());
                    nodes = 0;
                    examineFrom = ordinal + examineAgainAt;
                }
            }
            ++position;
        } else {
            position += isLeadByte(codePage, c) ? 2 : 1;
        }
    }
    out.append(moves, runStart, size - runStart);
    // The spot is the very end. A value left open or half a character there
    // would take the break in, so then there is none.
    if (pendingBreak.position != noBreak.position && position == size)
        out += "\r\n";
}

void appendReflowedMoves(std::string_view moves, CodePage codePage, std::string& out) {
    if (codePage == CodePage::ShiftJis)
        appendReflowedMoves<CodePage::ShiftJis>(moves, out);
    else
        appendReflowedMoves<CodePage::SingleByte>(moves, out);
}

// How many bytes normalising adds: one for each lone CR or LF.
size_t addedByNormalising(std::string_view text, CodePage codePage) {
    size_t added = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (isLeadByte(codePage, c)) {
            ++i;
        } else if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            else
                ++added;
        } else if (c == '\n') {
            ++added;
        }
    }
    return added;
}

std::string htmlEscapedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string loadedText(std::string_view bytes, CodePage codePage) {
    const void* nul = std::memchr(bytes.data(), '\0', bytes.size());
    const size_t end =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes.data()) : bytes.size();
    std::string out;
    out.reserve(end + addedByNormalising(bytes.substr(0, end), codePage));
    for (size_t i = 0; i < end; ++i) {
        char c = bytes[i];
        if (isLeadByte(codePage, static_cast<unsigned char>(c))) {
            out += c;
            if (i + 1 < end)
                out += bytes[++i];
        } else if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < end && bytes[i + 1] == '\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
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

    // Typed texts are escaped for the code page the record is read in, so that
    // no lead byte of another code page takes an escape or a "]" along.
    ConversionOptions recordOptions = options;
    recordOptions.codePage = codePage;
    const std::string additions = tervanil::rootAdditions(
        split->tags, recordOptions, tervanil::recordCharset(split->namedCharset, codePage));
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

std::string page(std::string_view sourceName, std::string_view sourceBytes,
                 const ConversionOptions& options) {
    const std::string loaded = loadedText(sourceBytes, options.codePage);
    const std::optional<std::string> reworked = reference::reworkedRecord(loaded, options);
    const std::string& record = reworked ? *reworked : loaded;
    std::string out =
        "<HTML>\r\n<HEAD>\r\n<TITLE>" + htmlEscapedText(sourceName) +
        "</TITLE>\r\n</HEAD>\r\n<BODY BGCOLOR=\"#" + htmlEscapedText(options.backgroundColour) +
        "\">\r\n<APPLET CODEBASE=\"" + htmlEscapedText(options.codebase) + "\" CODE=\"" +
        htmlEscapedText(options.appletClass) + "\"WIDTH=" + htmlEscapedText(options.width) +
        " HEIGHT=" + htmlEscapedText(options.height) + ">\r\n<PARAM NAME=\"moves\" VALUE=\"\r\n";
    out += htmlEscapedText(record);
    out += "\r\n\">\r\n</APPLET>\r\n</BODY>\r\n</HTML>\r\n";
    return out;
}

} // namespace reference
