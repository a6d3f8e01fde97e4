#pragma once
// Reads a record as it streams past, chunk by chunk, and keeps only what a
// diagram and a game card need: the position at the end of the main line (the
// first variation at every branch) and the root node's card texts. Memory is
// bounded whatever the record: other values are passed over unread, and each
// kept text is capped.

#include "code_page.h"
#include "game_card.h"
#include "go_board.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tervanil {

/// A move of the main line: a stone on a point, or a pass.
struct PlayedMove {
    Stone colour = Stone::Empty;
    bool pass = false;
    int x = 0, y = 0;
};

/// Whether a CA value (trimmed) names UTF-8, in any case, with or without the
/// hyphen.
bool namesUtf8(std::string_view charset);

class GameReader {
  public:
    /// The most bytes kept of one card text; a longer text keeps this much
    /// and ends in "...".
    static constexpr std::size_t textCap = 64 * 1024;

    explicit GameReader(CodePage codePage);

    /// Reads the next bytes of the record; chunks may end anywhere.
    void feed(std::string_view bytes);
    /// Ends the record: a node left open is taken as it stands.
    void finish();

    const GameCard& card() const { return m_card; }
    /// The root's CA value (trimmed), empty when it has none.
    const std::string& namedCharset() const { return m_charset; }
    /// Whether that CA value is UTF-8 (any case, with or without the hyphen).
    bool namesUtf8() const;

    /// False when the record gives no position to draw; `unreadableReason`
    /// then says why in one plain ASCII sentence.
    bool readable() const { return m_reason.empty(); }
    const std::string& unreadableReason() const { return m_reason; }

    /// The final position of the main line (valid when readable).
    const GoBoard& board() const { return m_board; }
    /// The last move of the main line; colour Empty when it has none.
    const PlayedMove& lastMove() const { return m_lastMove; }

  private:
    enum class Phase : std::uint8_t { Seeking, Opening, InTree, Done };
    enum class Slot : std::uint8_t {
        Skip,
        Black,
        White,
        AddBlack,
        AddWhite,
        AddEmpty,
        Size,
        Game,
        Charset,
        Event,
        GameName,
        BlackName,
        BlackRank,
        WhiteName,
        WhiteRank,
        Result,
        Date,
        Komi,
        Handicap,
        Comment,
    };

    std::size_t readOutside(const char* bytes, std::size_t size);
    std::size_t readValue(const char* bytes, std::size_t size);
    std::size_t skipValue(const char* bytes, std::size_t size);
    void openValue();
    void closeValue();
    void endNode();
    void endRootNode();
    static constexpr std::size_t moveNodeSize = 6;
    static bool isMoveNode(const char* node);
    void moveNode(const char* node);
    void movePlayed(Stone colour);
    void keepMove(const PlayedMove& move);
    void stonesSet(Stone stone);
    void play(const PlayedMove& move);
    void setPoint(int x, int y, Stone stone);
    void fail(const char* reason);
    std::string* cardText(Slot slot);

    CodePage m_codePage;
    Phase m_phase = Phase::Seeking;
    bool m_trailPending = false; // a lead byte's trail comes next
    // Outside values: the property identifier being read (its capitals).
    std::array<char, 3> m_identifier{};
    std::uint8_t m_identifierLength = 0;
    bool m_identifierTooLong = false, m_afterLetter = false;
    std::size_t m_node = 0; // nodes of the main line begun, the root being 1
    // Inside a value.
    bool m_inValue = false, m_escapePending = false, m_valueOverflow = false;
    char m_breakPending = 0; // the CR or LF of a line break whose partner may follow
    bool m_softBreak = false;
    Slot m_slot = Slot::Skip;
    std::string m_value;
    // Kept texts.
    GameCard m_card;
    std::string m_eventName, m_gameName, m_charset, m_size;
    bool m_sizeSeen = false, m_commentCapped = false;
    std::uint32_t m_textsSeen = 0; // one bit for each card slot already read
    // The position. Until the root node ends the size is unknown, so its setup
    // and moves wait: setup on a full-size overlay, moves in order.
    GoBoard m_board{GoBoard::maxSize, GoBoard::maxSize};
    std::array<std::int8_t, GoBoard::maxSize * GoBoard::maxSize> m_rootSetup{};
    bool m_rootSetupSeen = false;
    std::vector<PlayedMove> m_rootMoves;
    bool m_sizeKnown = false;
    PlayedMove m_lastMove;
    std::string m_reason;
};

} // namespace tervanil
