#include "diagram.h"

#include <algorithm>
#include <charconv>

namespace tervanil {
namespace {

// Drawing units: points 20 apart, margins for the row numbers on the left and
// the column letters below.
constexpr int spacing = 20;
constexpr int left = 30, top = 14, right = 14, bottom = 26;
constexpr int largestSide = 400; // pixels

constexpr std::string_view columnLetters = "ABCDEFGHJKLMNOPQRSTUVWXYZ";

void appendNumber(std::string& out, long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

/// Appends `text` with & < > " ' as character references; every other byte
/// as it is (none of the five is a trail byte of a double-byte character).
void appendEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
}

std::string pointName(int x, int y, const GoBoard& board) {
    return columnLabel(x, board.width()) + std::to_string(board.height() - y);
}

std::string ariaLabel(const GameReader& reader) {
    const GoBoard& board = reader.board();
    std::string label = "Go board " + std::to_string(board.width()) + " by " +
                        std::to_string(board.height()) + ", ";
    const std::size_t moves = reader.card().moves;
    if (moves == 0)
        return label + "no moves";
    label += "after " + std::to_string(moves) + (moves == 1 ? " move" : " moves");
    const PlayedMove& last = reader.lastMove();
    if (last.colour != Stone::Empty) {
        label += last.colour == Stone::Black ? ", last Black " : ", last White ";
        label += last.pass ? std::string("pass") : pointName(last.x, last.y, board);
    }
    return label;
}

// The conventional star points of the square 9, 13 and 19 boards.
bool isStarPoint(int x, int y, int size) {
    auto line = [size](int v) {
        const int edge = size == 9 ? 2 : 3;
        if (size == 19)
            return v == 3 || v == 9 || v == 15;
        return v == edge || v == size - 1 - edge || v == size / 2;
    };
    if (!line(x) || !line(y))
        return false;
    // On 9 and 13 only the corners and the centre.
    return size == 19 || (x == size / 2) == (y == size / 2);
}

void appendCircle(std::string& out, int x, int y, std::string_view rest) {
    out += "<circle cx=\"";
    appendNumber(out, left + spacing * x);
    out += "\" cy=\"";
    appendNumber(out, top + spacing * y);
    out += rest;
}

void appendStones(std::string& out, const GoBoard& board, Stone colour) {
    out += colour == Stone::Black ? "<g fill=\"#000\">" : "<g fill=\"#fff\" stroke=\"#000\">";
    for (int y = 0; y < board.height(); ++y)
        for (int x = 0; x < board.width(); ++x)
            if (board.at(x, y) == colour)
                appendCircle(out, x, y, "\" r=\"9.5\"/>");
    out += "</g>\r\n";
}

} // namespace

std::string columnLabel(int x, int width) {
    const int letters = static_cast<int>(columnLetters.size());
    if (x < letters || width <= letters)
        return std::string(1, columnLetters[x % letters]);
    return {columnLetters[x / letters - 1], columnLetters[x % letters]};
}

std::string diagramSvg(const GameReader& reader) {
    std::string out;
    appendDiagramSvg(out, reader);
    return out;
}

void appendDiagramSvg(std::string& out, const GameReader& reader) {
    const GoBoard& board = reader.board();
    const int w = board.width(), h = board.height();
    const int viewWidth = left + spacing * (w - 1) + right;
    const int viewHeight = top + spacing * (h - 1) + bottom;
    const int longest = std::max(viewWidth, viewHeight);
    // Scaled down to fit 400 pixels, but to no less than 3/5 of the drawing, so
    // that the points of the largest boards stay apart; the style's max-width
    // still fits it to a narrow screen.
    const int numerator = std::max(std::min(largestSide, longest), longest * 3 / 5);
    const int pixelWidth = viewWidth * numerator / longest;
    const int pixelHeight = viewHeight * numerator / longest;

    out.reserve(out.size() + 2048 + 40 * static_cast<std::size_t>(w * h));
    out += "<svg class=\"tervanil-diagram\" viewBox=\"0 0 ";
    appendNumber(out, viewWidth);
    out += ' ';
    appendNumber(out, viewHeight);
    out += "\" width=\"";
    appendNumber(out, pixelWidth);
    out += "\" height=\"";
    appendNumber(out, pixelHeight);
    out += "\" style=\"max-width:100%;height:auto\" xmlns=\"http://www.w3.org/2000/svg\" "
           "role=\"img\" aria-label=\"";
    appendEscaped(out, ariaLabel(reader));
    out += "\">\r\n<rect width=\"";
    appendNumber(out, viewWidth);
    out += "\" height=\"";
    appendNumber(out, viewHeight);
    out += "\" fill=\"#dcb35c\"/>\r\n<path stroke=\"#000\" d=\"";
    const int lastX = left + spacing * (w - 1), lastY = top + spacing * (h - 1);
    for (int y = 0; y < h; ++y) {
        out += 'M';
        appendNumber(out, left);
        out += ' ';
        appendNumber(out, top + spacing * y);
        out += 'H';
        appendNumber(out, lastX);
    }
    for (int x = 0; x < w; ++x) {
        out += 'M';
        appendNumber(out, left + spacing * x);
        out += ' ';
        appendNumber(out, top);
        out += 'V';
        appendNumber(out, lastY);
    }
    out += "\"/>\r\n";
    if (w == h && (w == 9 || w == 13 || w == 19)) {
        out += "<g fill=\"#000\">";
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (isStarPoint(x, y, w))
                    appendCircle(out, x, y, "\" r=\"3\"/>");
        out += "</g>\r\n";
    }
    appendStones(out, board, Stone::Black);
    appendStones(out, board, Stone::White);
    const PlayedMove& last = reader.lastMove();
    if (last.colour != Stone::Empty && !last.pass && board.at(last.x, last.y) == last.colour)
        appendCircle(out, last.x, last.y,
                     last.colour == Stone::Black
                         ? "\" r=\"5\" fill=\"none\" stroke=\"#fff\" stroke-width=\"2\"/>\r\n"
                         : "\" r=\"5\" fill=\"none\" stroke=\"#000\" stroke-width=\"2\"/>\r\n");
    out += "<g font-family=\"sans-serif\" font-size=\"10\" text-anchor=\"middle\">";
    for (int y = 0; y < h; ++y) {
        out += "<text x=\"13\" y=\"";
        appendNumber(out, top + spacing * y + 4);
        out += "\">";
        appendNumber(out, h - y);
        out += "</text>";
    }
    for (int x = 0; x < w; ++x) {
        out += "<text x=\"";
        appendNumber(out, left + spacing * x);
        out += "\" y=\"";
        appendNumber(out, lastY + 20);
        out += "\">";
        out += columnLabel(x, w);
        out += "</text>";
    }
    out += "</g>\r\n</svg>\r\n";
}

std::string cardHtml(const GameCard& card) {
    std::string out;
    appendCardHtml(out, card);
    return out;
}

void appendCardHtml(std::string& out, const GameCard& card) {
    out += "<DL CLASS=\"tervanil-card\">\r\n";
    auto entry = [&out](std::string_view term, std::string_view text) {
        if (text.empty())
            return;
        out += "<DT>";
        out += term;
        out += "</DT><DD>";
        appendEscaped(out, text);
        out += "</DD>\r\n";
    };
    auto player = [&out](std::string_view term, std::string_view name, std::string_view rank) {
        if (name.empty() && rank.empty())
            return;
        out += "<DT>";
        out += term;
        out += "</DT><DD>";
        appendEscaped(out, name);
        if (!rank.empty()) {
            out += name.empty() ? "(" : " (";
            appendEscaped(out, rank);
            out += ')';
        }
        out += "</DD>\r\n";
    };
    entry("Event", card.event);
    player("Black", card.black, card.blackRank);
    player("White", card.white, card.whiteRank);
    entry("Result", card.result);
    entry("Date", card.date);
    entry("Komi", card.komi);
    entry("Handicap", card.handicap);
    out += "<DT>Moves</DT><DD>";
    appendNumber(out, static_cast<long>(card.moves));
    out += "</DD>\r\n";
    if (!card.rootComment.empty()) {
        out += "<DT>Comment</DT><DD>";
        std::string_view rest = card.rootComment;
        for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;) {
            appendEscaped(out, rest.substr(0, end));
            out += "<BR>\r\n";
            rest.remove_prefix(end + 1);
        }
        appendEscaped(out, rest);
        out += "</DD>\r\n";
    }
    out += "</DL>\r\n";
}

std::string percentEncoded(std::string_view name) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += hex[byte >> 4];
            out += hex[byte & 0x0F];
        }
    }
    return out;
}

std::string fallbackBlock(const GameReader& reader, std::string_view sourceName,
                          Fallback fallback) {
    if (fallback == Fallback::None)
        return {};
    std::string out = "<DIV CLASS=\"tervanil-fallback\">\r\n";
    if (reader.readable()) {
        appendDiagramSvg(out, reader);
    } else {
        out += "<P CLASS=\"tervanil-notice\">No diagram: ";
        appendEscaped(out, reader.unreadableReason());
        out += "</P>\r\n";
    }
    appendCardHtml(out, reader.card());
    out += "<P CLASS=\"tervanil-source\"><A HREF=\"../";
    out += percentEncoded(sourceName);
    out += "\">";
    // A name may hold a line break, which the file system allows; shown as a
    // blank, it cannot part the block's lines.
    std::string shownName(sourceName);
    std::replace_if(
        shownName.begin(), shownName.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    appendEscaped(out, shownName);
    out += "</A></P>\r\n</DIV>\r\n";
    if (fallback == Fallback::Viewer)
        out += "<SCRIPT SRC=\"tervanil-viewer.js\"></SCRIPT>\r\n";
    return out;
}

void Utf8Validator::feed(std::string_view bytes) {
    if (m_broken)
        return;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (m_pending > 0) {
            if (byte < m_low || byte > m_high) {
                m_broken = true;
                return;
            }
            --m_pending;
            m_low = 0x80;
            m_high = 0xBF;
            continue;
        }
        if (byte < 0x80)
            continue;
        // The lead byte fixes the length and, against overlong forms and
        // surrogates, the range of the byte after it.
        if (byte >= 0xC2 && byte <= 0xDF) {
            m_pending = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            m_pending = 2;
            if (byte == 0xE0)
                m_low = 0xA0;
            else if (byte == 0xED)
                m_high = 0x9F;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            m_pending = 3;
            if (byte == 0xF0)
                m_low = 0x90;
            else if (byte == 0xF4)
                m_high = 0x8F;
        } else {
            m_broken = true;
            return;
        }
    }
}

std::string fallbackHeadLines(CodePage readIn, bool namesUtf8, bool validUtf8) {
    std::string out;
    if (readIn == CodePage::ShiftJis)
        out += "<META charset=\"Shift_JIS\">\r\n";
    else if (namesUtf8 || validUtf8)
        out += "<META charset=\"UTF-8\">\r\n";
    out += "<META name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n";
    return out;
}

} // namespace tervanil
