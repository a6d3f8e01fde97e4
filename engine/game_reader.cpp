#include "game_reader.h"

#include "typed_text.h"

#include <algorithm>

namespace tervanil {
namespace {

constexpr std::size_t pointCap = 16; // longer than any point, list or size value
constexpr int setupPoints = GoBoard::maxSize * GoBoard::maxSize;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

/// The coordinate of an SGF point letter: a-z are 0-25, A-Z are 26-51.
int coordinate(char letter) {
    if (letter >= 'a' && letter <= 'z')
        return letter - 'a';
    if (letter >= 'A' && letter <= 'Z')
        return letter - 'A' + 26;
    return -1;
}

bool parsePoint(std::string_view text, int& x, int& y) {
    if (text.size() != 2)
        return false;
    x = coordinate(text[0]);
    y = coordinate(text[1]);
    return x >= 0 && y >= 0;
}

/// A side of SZ: a number from 1 to the largest board, or 0.
int parseSide(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 3)
        return 0;
    int side = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        side = side * 10 + (c - '0');
    }
    return side <= GoBoard::maxSize ? side : 0;
}

/// A text cut at the cap ends where a whole character ends: under a single-byte
/// code page that may still be UTF-8, so a sequence left unfinished goes too.
void dropUnfinishedUtf8(std::string& text) {
    std::size_t start = text.size();
    for (int back = 0; back < 4 && start > 0; ++back) {
        const auto byte = static_cast<unsigned char>(text[start - 1]);
        if (byte < 0x80)
            return;
        --start;
        if (byte >= 0xC0) {
            const std::size_t length = byte >= 0xF0 ? 4 : (byte >= 0xE0 ? 3 : 2);
            if (text.size() - start < length)
                text.resize(start);
            return;
        }
    }
}

} // namespace

GameReader::GameReader(CodePage codePage) : m_codePage(codePage) {
    m_value.reserve(256);
}

void GameReader::feed(std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size() && m_phase != Phase::Done) {
        const char* rest = bytes.data() + done;
        const std::size_t size = bytes.size() - done;
        if (!m_inValue)
            done += readOutside(rest, size);
        else if (m_slot == Slot::Skip)
            done += skipValue(rest, size);
        else
            done += readValue(rest, size);
    }
}

// Reads structure up to and including the "[" that opens a value.
std::size_t GameReader::readOutside(const char* bytes, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (m_trailPending) {
            m_trailPending = false;
            continue;
        }
        if (isLeadByte(m_codePage, c)) {
            m_trailPending = true;
            m_afterLetter = false;
            if (m_phase == Phase::Opening)
                m_phase = Phase::Seeking;
            continue;
        }
        switch (m_phase) {
        case Phase::Seeking:
            if (c == '(')
                m_phase = Phase::Opening;
            continue;
        case Phase::Opening:
            // The game tree begins at a "(" followed, past blanks, by ";".
            if (c == ';') {
                m_phase = Phase::InTree;
                ++m_node;
                m_identifierLength = 0;
            } else if (c != '(' && !isBlank(static_cast<char>(c))) {
                m_phase = Phase::Seeking;
            }
            continue;
        case Phase::InTree:
            break;
        case Phase::Done:
            return i;
        }
        if (c == ';' && i + moveNodeSize <= size && isMoveNode(bytes + i)) {
            moveNode(bytes + i);
            i += moveNodeSize - 1;
            continue;
        }
        if (c == '[') {
            openValue();
            return i + 1;
        }
        if (c >= 'A' && c <= 'Z') {
            if (!m_afterLetter) {
                m_identifierLength = 0;
                m_identifierTooLong = false;
            }
            if (m_identifierLength < m_identifier.size())
                m_identifier[m_identifierLength++] = static_cast<char>(c);
            else
                m_identifierTooLong = true;
            m_afterLetter = true;
            continue;
        }
        if (c >= 'a' && c <= 'z') {
            // Long lower-case names of older records ("AddBlack") name their capitals.
            m_afterLetter = true;
            continue;
        }
        m_afterLetter = false;
        if (c == ';') {
            endNode();
            ++m_node;
            m_identifierLength = 0;
        } else if (c == ')') {
            // The first ")" closes the first variation of the deepest level
            // reached: the main line ends there, and so does all that is read.
            endNode();
            m_phase = Phase::Done;
            return i + 1;
        } else if (c == '(') {
            m_identifierLength = 0;
        }
    }
    return size;
}

// Whether `node` starts with the node that nearly every node of a record is,
// a move such as ";B[pd]": no byte of it is a lead byte, a blank or an escape.
bool GameReader::isMoveNode(const char* node) {
    return (node[1] == 'B' || node[1] == 'W') && node[2] == '[' && coordinate(node[3]) >= 0 &&
           coordinate(node[4]) >= 0 && node[5] == ']';
}

// Reads a move node as its bytes one by one would: the node before it ends,
// the identifier is its letter, the value opens, is kept and closes. A long
// record is mostly such nodes.
void GameReader::moveNode(const char* node) {
    endNode();
    ++m_node;
    m_identifier[0] = node[1];
    m_identifierLength = 1;
    m_identifierTooLong = m_afterLetter = false;
    m_escapePending = m_valueOverflow = false;
    m_breakPending = 0;
    const Stone colour = node[1] == 'B' ? Stone::Black : Stone::White;
    m_slot = colour == Stone::Black ? Slot::Black : Slot::White;
    m_value.assign(node + 3, 2);
    ++m_card.moves;
    PlayedMove move;
    move.colour = colour;
    move.x = coordinate(node[3]);
    move.y = coordinate(node[4]);
    keepMove(move);
}

void GameReader::openValue() {
    m_inValue = true;
    m_escapePending = m_valueOverflow = false;
    m_breakPending = 0;
    m_afterLetter = false;
    m_value.clear();
    m_slot = Slot::Skip;
    if (m_identifierTooLong || m_identifierLength == 0)
        return;
    const std::string_view id(m_identifier.data(), m_identifierLength);
    if (id == "B")
        m_slot = Slot::Black;
    else if (id == "W")
        m_slot = Slot::White;
    else if (id == "AB")
        m_slot = Slot::AddBlack;
    else if (id == "AW")
        m_slot = Slot::AddWhite;
    else if (id == "AE")
        m_slot = Slot::AddEmpty;
    if (m_slot != Slot::Skip || m_node != 1)
        return;
    static constexpr std::pair<std::string_view, Slot> rootSlots[] = {
        {"SZ", Slot::Size},      {"GM", Slot::Game},      {"CA", Slot::Charset},
        {"EV", Slot::Event},     {"GN", Slot::GameName},  {"PB", Slot::BlackName},
        {"BR", Slot::BlackRank}, {"PW", Slot::WhiteName}, {"WR", Slot::WhiteRank},
        {"RE", Slot::Result},    {"DT", Slot::Date},      {"KM", Slot::Komi},
        {"HA", Slot::Handicap},  {"C", Slot::Comment},
    };
    for (const auto& [name, slot] : rootSlots) {
        if (id != name)
            continue;
        // The first value of a property is the one kept, but for the comment:
        // a page's record may carry a startup message as a comment of its own
        // before the record's, and the card shows them one after the other.
        if (slot == Slot::Comment) {
            if (!m_commentCapped)
                m_slot = slot;
            return;
        }
        const std::uint32_t bit = 1u << static_cast<unsigned>(slot);
        if ((m_textsSeen & bit) == 0) {
            m_textsSeen |= bit;
            m_slot = slot;
        }
        return;
    }
}

// Passes over a value nobody keeps, however long, up to and including its "]".
std::size_t GameReader::skipValue(const char* bytes, std::size_t size) {
    std::size_t i = 0;
    while (i < size) {
        const auto c = static_cast<unsigned char>(bytes[i++]);
        if (m_trailPending) {
            m_trailPending = false;
        } else if (m_escapePending) {
            m_escapePending = false;
            m_trailPending = isLeadByte(m_codePage, c);
        } else if (c == '\\') {
            m_escapePending = true;
        } else if (c == ']') {
            m_inValue = false;
            return i;
        } else if (m_codePage == CodePage::ShiftJis) {
            m_trailPending = isLeadByte(m_codePage, c);
        } else {
            while (i < size && bytes[i] != ']' && bytes[i] != '\\')
                ++i;
        }
    }
    return size;
}

// Reads a kept value with its escapes resolved for display: "\" keeps the next
// character, "\" before a line break removes it (a soft break), any other line
// break is one "\n" in a comment and one blank in other texts, and other white
// space is a blank. Points and numbers drop line breaks: the page's record may
// have one put inside any value by the layout of its moves.
std::size_t GameReader::readValue(const char* bytes, std::size_t size) {
    const bool comment = m_slot == Slot::Comment;
    const bool text = m_slot >= Slot::Event;
    const std::size_t cap =
        !text ? pointCap
              : (comment ? textCap - std::min(textCap, m_card.rootComment.size()) : textCap);
    auto keep = [&](char c, bool trail) {
        if (!trail && m_value.size() >= cap)
            m_valueOverflow = true;
        if (!m_valueOverflow)
            m_value += c;
    };
    for (std::size_t i = 0; i < size; ++i) {
        const char c = bytes[i];
        const bool lineBreak = c == '\r' || c == '\n';
        if (m_breakPending != 0) {
            // CR LF and LF CR are one line break.
            const bool partner = lineBreak && c != m_breakPending;
            m_breakPending = 0;
            if (partner)
                continue;
        }
        if (m_trailPending) {
            // A line break taken along by a lead byte is no character of the
            // code page; shown, it would only break the page's lines.
            m_trailPending = false;
            keep(lineBreak ? ' ' : c, true);
            continue;
        }
        const bool lead = isLeadByte(m_codePage, static_cast<unsigned char>(c));
        if (m_escapePending) {
            m_escapePending = false;
            if (lineBreak) {
                m_breakPending = c;
                continue;
            }
        } else if (c == '\\') {
            m_escapePending = true;
            continue;
        } else if (c == ']') {
            closeValue();
            return i + 1;
        } else if (lineBreak) {
            m_breakPending = c;
            if (text)
                keep(comment ? '\n' : ' ', false);
            continue;
        }
        keep(isBlank(c) ? ' ' : c, false);
        m_trailPending = lead;
    }
    return size;
}

std::string* GameReader::cardText(Slot slot) {
    switch (slot) {
    case Slot::Event:
        return &m_eventName;
    case Slot::GameName:
        return &m_gameName;
    case Slot::BlackName:
        return &m_card.black;
    case Slot::BlackRank:
        return &m_card.blackRank;
    case Slot::WhiteName:
        return &m_card.white;
    case Slot::WhiteRank:
        return &m_card.whiteRank;
    case Slot::Result:
        return &m_card.result;
    case Slot::Date:
        return &m_card.date;
    case Slot::Komi:
        return &m_card.komi;
    case Slot::Handicap:
        return &m_card.handicap;
    case Slot::Comment:
        return &m_card.rootComment;
    default:
        return nullptr;
    }
}

void GameReader::closeValue() {
    m_inValue = false;
    switch (m_slot) {
    case Slot::Black:
    case Slot::White:
        ++m_card.moves;
        movePlayed(m_slot == Slot::Black ? Stone::Black : Stone::White);
        return;
    case Slot::AddBlack:
        return stonesSet(Stone::Black);
    case Slot::AddWhite:
        return stonesSet(Stone::White);
    case Slot::AddEmpty:
        return stonesSet(Stone::Empty);
    case Slot::Size:
        m_sizeSeen = true;
        m_size = m_valueOverflow ? "?" : m_value;
        return;
    case Slot::Game:
        if (m_valueOverflow || trimmed(m_value) != "1")
            fail("The record is not of a game of Go.");
        return;
    case Slot::Charset:
        m_charset = trimmed(m_value);
        return;
    default:
        break;
    }
    if (std::string* text = cardText(m_slot)) {
        if (m_valueOverflow) {
            if (m_codePage == CodePage::SingleByte)
                dropUnfinishedUtf8(m_value);
            m_value += "...";
            m_commentCapped |= m_slot == Slot::Comment;
        }
        const std::string_view value = trimmed(m_value);
        if (m_slot != Slot::Comment || text->empty()) {
            *text = value;
        } else if (!value.empty()) {
            *text += '\n';
            *text += value;
        }
    }
}

void GameReader::movePlayed(Stone colour) {
    PlayedMove move;
    move.colour = colour;
    const std::string_view point = trimmed(m_value);
    if (point.empty()) {
        move.pass = true;
    } else if (m_valueOverflow || !parsePoint(point, move.x, move.y)) {
        return fail("A move names a point this diagram cannot read.");
    }
    keepMove(move);
}

// Plays a move, or keeps it until the root node ends and the board's size is known.
void GameReader::keepMove(const PlayedMove& move) {
    if (m_sizeKnown)
        return play(move);
    if (m_rootMoves.size() >= static_cast<std::size_t>(setupPoints))
        return fail("The first node holds more moves than the board has points.");
    m_rootMoves.push_back(move);
}

void GameReader::stonesSet(Stone stone) {
    const std::string_view list = trimmed(m_value);
    int x1, y1, x2, y2;
    const std::size_t colon = list.find(':');
    const bool ok =
        !m_valueOverflow &&
        (colon == std::string_view::npos ? parsePoint(list, x1, y1) && parsePoint(list, x2, y2)
                                         : parsePoint(trimmed(list.substr(0, colon)), x1, y1) &&
                                               parsePoint(trimmed(list.substr(colon + 1)), x2, y2));
    if (!ok)
        return fail("A setup stone names a point this diagram cannot read.");
    // A compressed list "aa:cc" is the rectangle between two corners.
    for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y)
        for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x)
            setPoint(x, y, stone);
}

void GameReader::setPoint(int x, int y, Stone stone) {
    if (!readable())
        return;
    if (!m_sizeKnown) {
        m_rootSetup[y * GoBoard::maxSize + x] =
            static_cast<std::int8_t>(1 + static_cast<int>(stone));
        m_rootSetupSeen = true;
    } else if (!m_board.contains(x, y)) {
        fail("A setup stone lies off the board.");
    } else {
        m_board.place(x, y, stone);
    }
}

void GameReader::play(const PlayedMove& played) {
    if (!readable())
        return;
    PlayedMove move = played;
    // "tt" is a pass where the board has no such point.
    if (!move.pass && move.x == 19 && move.y == 19 && m_board.width() <= 19 &&
        m_board.height() <= 19)
        move.pass = true;
    if (!move.pass) {
        if (!m_board.contains(move.x, move.y))
            return fail("A move lies off the board.");
        m_board.play(move.x, move.y, move.colour);
    }
    m_lastMove = move;
}

void GameReader::endNode() {
    if (m_node == 1)
        endRootNode();
}

void GameReader::endRootNode() {
    int width = 19, height = 19;
    if (m_sizeSeen) {
        const std::string_view size = m_size;
        const std::size_t colon = size.find(':');
        width = parseSide(size.substr(0, colon));
        height = colon == std::string_view::npos ? width : parseSide(size.substr(colon + 1));
        if (width == 0 || height == 0) {
            fail("The board size is not one this diagram can draw (1 to 52 points a side).");
            width = height = 19;
        }
    }
    m_board.reset(width, height);
    m_sizeKnown = true;
    for (int y = 0; m_rootSetupSeen && y < GoBoard::maxSize; ++y)
        for (int x = 0; x < GoBoard::maxSize; ++x)
            if (const int set = m_rootSetup[y * GoBoard::maxSize + x])
                setPoint(x, y, static_cast<Stone>(set - 1));
    for (const PlayedMove& move : m_rootMoves)
        play(move);
    m_rootMoves = {};
}

bool namesUtf8(std::string_view charset) {
    return !charset.empty() && canonicalCharset(charset) == "UTF-8";
}

bool GameReader::namesUtf8() const {
    return tervanil::namesUtf8(m_charset);
}

void GameReader::fail(const char* reason) {
    if (m_reason.empty())
        m_reason = reason;
}

void GameReader::finish() {
    if (m_phase == Phase::InTree) {
        // A record cut short: its last node counts as far as it came, a value
        // left open does not.
        m_inValue = false;
        endNode();
    } else if (m_phase != Phase::Done) {
        fail("The record holds no game tree.");
    }
    m_phase = Phase::Done;
    m_card.event = m_eventName.empty() ? m_gameName : m_eventName;
}

} // namespace tervanil
