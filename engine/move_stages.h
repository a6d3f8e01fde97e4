#pragma once
// The two stages of the move part, the text from the ";" that opens a
// record's second node to its end: its line breaks outside values are
// dropped, then the text without them is laid out ten nodes to a line.

#include "byte_set.h"
#include "byte_sink.h"
#include "code_page.h"
#include "sgf_scanner.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tervanil {

/// Drops the line breaks that stand outside values and between characters: a
/// CR LF pair or a lone LF. A lone CR stays.
class LineBreakDropper : public ByteSink {
  public:
    LineBreakDropper(CodePage codePage, ByteSink& next)
        : m_scanner(codePage), m_outsideStops("\r\n[;", codePage), m_valueStops("]\\", codePage),
          m_next(next) {}
    void feed(std::string_view bytes) override;
    void finish() override;

  private:
    SgfScanner m_scanner;
    ByteSet m_outsideStops; // line breaks and what changes the scanner's state
    ByteSet m_valueStops;
    ByteSink& m_next;
    std::string m_out;
    bool m_crPending = false; // a CR outside values ended the last chunk
};

/// Lays out a move part without line breaks, ten nodes to a line. Nodes are
/// the ";" outside values; each is examined in turn:
/// - if the byte six on is ")" outside values, the scan ends there. A break
///   still to be written counts as its two bytes: standing at +5 or +6 it
///   leaves no ")" there, standing nearer it puts the sixth byte at +4;
/// - otherwise the node counts, and the tenth puts a CR LF at the first spot
///   at or after six bytes behind its ";" that lies outside values, splits no
///   character and does not follow an ASCII letter; the three bytes behind
///   that ";" are not examined then.
/// A break whose spot is the very end is written only when the text does not
/// end inside a value or inside a character.
class Reflow : public ByteSink {
  public:
    Reflow(CodePage codePage, ByteSink& next)
        : m_scanner(codePage), m_outsideStops(";[", codePage), m_valueStops("]\\", codePage),
          m_next(next) {}
    void feed(std::string_view bytes) override;
    void finish() override;

  private:
    static constexpr int nodesPerLine = 10;
    static constexpr size_t probeOffset = 6; // ";B[pd]" and the byte behind it
    static constexpr size_t skippedAfterBreak = 3;
    static constexpr size_t window = 8; // the last bytes read, for the looks back

    struct Seen {
        char byte = 0;
        bool outside = false;    // a structural byte outside values
        bool safeBehind = false; // a break may follow it
    };

    bool canSkim() const;
    size_t skim(std::string_view bytes, size_t from);
    void read(char c);
    void writeBreakIfDue();
    void decide(size_t node, bool atEnd);
    std::optional<size_t> breakAhead(size_t node, bool atEnd) const;
    const Seen& seen(size_t ordinal) const { return m_seen[ordinal % window]; }

    SgfScanner m_scanner;
    ByteSet m_outsideStops; // nodes and what changes the scanner's state
    ByteSet m_valueStops;
    ByteSink& m_next;
    std::string m_out;
    std::array<Seen, window> m_seen{};
    size_t m_count = 0; // bytes read so far: the ordinal of the next
    // Nodes read whose sixth byte has not come yet, oldest first.
    std::array<size_t, window> m_nodes{};
    size_t m_nodesFirst = 0, m_nodesCount = 0;
    int m_counted = 0;
    bool m_scanEnded = false;
    size_t m_examineFrom = 0;
    std::optional<size_t> m_breakBefore; // the ordinal the last break spot stands before
    bool m_breakWritten = false;
    std::optional<size_t> m_searchFrom; // a break waits for a safe spot from here on
};

} // namespace tervanil
