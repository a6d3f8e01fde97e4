#pragma once
// What a page shows browsers that run no applet: the final position of the
// main line drawn as inline SVG, the game card, and a link to the record; and
// the head lines that let such a browser read the page's bytes right.
//
// Column letters: A to Z without I on boards up to 25 wide, as players write
// them. Wider boards keep those 25 letters for their first columns and go on
// with two letters from the same alphabet (AA, AB, ..., AZ, BA, BB), so every
// label stays short and unambiguous. Rows are numbered from the bottom.

#include "code_page.h"
#include "game_card.h"
#include "game_reader.h"
#include "options.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tervanil {

/// The label of column `x` (0 at the left) on a board `width` points wide.
std::string columnLabel(int x, int width);

/// The SVG element of the reader's final position, on one or more lines, each
/// ending CR LF. Only numbers and fixed words of its own go into it.
std::string diagramSvg(const GameReader& reader);
void appendDiagramSvg(std::string& out, const GameReader& reader);

/// The game card as a DL element, lines ending CR LF, every text HTML-escaped
/// and the comment's line breaks kept as BR.
std::string cardHtml(const GameCard& card);
void appendCardHtml(std::string& out, const GameCard& card);

/// `name` with every byte but the unreserved ASCII ones (letters, digits,
/// "-._~") written as %XX, for a link.
std::string percentEncoded(std::string_view name);

/// The lines the page adds after the PARAM for `fallback`, from the fallback
/// DIV to its end and, for the viewer, the SCRIPT line; each ends CR LF. Empty
/// for Fallback::None. A record the reader cannot draw gets a one-line notice
/// in place of the board.
std::string fallbackBlock(const GameReader& reader, std::string_view sourceName, Fallback fallback);

/// Tells whether a byte stream is well-formed UTF-8; chunks may end anywhere,
/// inside a character too.
class Utf8Validator {
  public:
    void feed(std::string_view bytes);
    /// Whether everything fed so far is UTF-8 and no character is left open.
    bool valid() const { return !m_broken && m_pending == 0; }

  private:
    bool m_broken = false;
    std::uint8_t m_pending = 0;                // continuation bytes still due
    unsigned char m_low = 0x80, m_high = 0xBF; // range of the next continuation byte
};

/// The head lines of a page with a fallback: the charset META (Shift_JIS for a
/// record read as Shift-JIS; UTF-8 where the record names UTF-8 or its bytes
/// are valid UTF-8; none otherwise), then the viewport META. Each ends CR LF.
std::string fallbackHeadLines(CodePage readIn, bool namesUtf8, bool validUtf8);

} // namespace tervanil
