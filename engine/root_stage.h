#pragma once
// The rework's front stage: the text is held up to the end of the record's
// root node, since the additions depend on the root's tags and a record
// without a second node is embedded as loaded. Once the root node ends, the
// head goes on with its additions and the move part streams through the two
// move stages.

#include "byte_sink.h"
#include "code_page.h"
#include "move_stages.h"
#include "options.h"
#include "record_rework.h"
#include "sgf_scanner.h"

#include <functional>
#include <optional>
#include <string>

namespace tervanil {

/// Finds a record's root node in a text read in one code page, fed in chunks.
/// The opening is the ";" of the first "(" whose next byte other than a blank
/// is ";"; the root node ends at the next ";" outside values. Positions count
/// from the first byte read.
class RootSplitter {
  public:
    explicit RootSplitter(CodePage codePage) : m_scanner(codePage), m_codePage(codePage) {}

    /// Reads on; stops at the root node's end.
    void read(std::string_view bytes);
    bool ended() const noexcept { return m_headerEnd.has_value(); }

    std::optional<size_t> opening() const noexcept { return m_opening; }
    /// The ";" that opens the second node.
    std::optional<size_t> headerEnd() const noexcept { return m_headerEnd; }
    /// The properties the root node holds of those the additions may add.
    const RootTags& tags() const noexcept { return m_tags; }
    /// The value of the root's first CA, blanks trimmed, once it is closed.
    const std::optional<std::string>& charset() const noexcept { return m_charset; }

  private:
    enum class Phase { SeekingParenthesis, SkippingBlanks, InRoot, Ended };
    void readInRoot(char c);

    SgfScanner m_scanner;
    CodePage m_codePage;
    Phase m_phase = Phase::SeekingParenthesis;
    size_t m_position = 0;
    bool m_trailPending = false; // while seeking the opening
    std::optional<size_t> m_opening;
    std::optional<size_t> m_headerEnd;
    RootTags m_tags;
    // The two bytes before the current one and their roles, for the tag tests.
    char m_before1 = 0, m_before2 = 0;
    ByteRole m_role1 = ByteRole::Outside, m_role2 = ByteRole::Character;
    bool m_readingCharset = false, m_charsetSeen = false;
    std::string m_charsetBytes;
    std::optional<std::string> m_charset;
};

/// What the rework found out about a record.
struct RecordFacts {
    /// A root node with a second node behind it was found: the record is reworked.
    bool reworked = false;
    CodePage readIn = CodePage::SingleByte;
    /// The root's CA value, empty when there is none.
    std::string namedCharset;
};

/// Where the rework's output may cross to another thread: the head and the
/// record as loaded go on to the next stage, the move part without its line
/// breaks to the reflow, both in the order sent.
class StageHandoff {
  public:
    virtual ~StageHandoff() = default;
    virtual void send(ByteSink& to, std::string_view bytes) = 0;
    virtual void end(ByteSink& to) = 0;
};

/// The rework as a stage: takes the loaded record, pushes on the reworked one
/// (or the record as loaded when it has no root node with a node behind it).
/// With a handoff, the reflow and all after it work on the handoff's side.
class RootCollector : public ByteSink {
  public:
    RootCollector(const ConversionOptions& options, ByteSink& next,
                  StageHandoff* handoff = nullptr);
    void feed(std::string_view bytes) override;
    void finish() override;

    /// Called once what the rework does is settled, before the first byte goes on.
    void onSettled(std::function<void(const RecordFacts&)> listener) {
        m_listener = std::move(listener);
    }
    const RecordFacts& facts() const noexcept { return m_facts; }

  private:
    // Ends the move part with the record's final CR LF.
    class MovePartEnd : public ByteSink {
      public:
        explicit MovePartEnd(ByteSink& next) : m_next(next) {}
        void feed(std::string_view bytes) override { m_next.feed(bytes); }
        void finish() override {
            m_next.feed("\r\n");
            m_next.finish();
        }

      private:
        ByteSink& m_next;
    };

    // The dropper's output on its way to the reflow, through the handoff.
    class ToReflow : public ByteSink {
      public:
        explicit ToReflow(RootCollector& rework) : m_rework(rework) {}
        void feed(std::string_view bytes) override { m_rework.pass(*m_rework.m_reflow, bytes); }
        void finish() override { m_rework.end(*m_rework.m_reflow); }

      private:
        RootCollector& m_rework;
    };

    void pass(ByteSink& to, std::string_view bytes);
    void end(ByteSink& to);
    void splitIn(const RootSplitter& split, CodePage codePage);
    void settle();
    std::optional<CodePage> namedCodePage(const RootSplitter& split) const;

    const ConversionOptions& m_options;
    ByteSink& m_next;
    StageHandoff* m_handoff;
    std::function<void(const RecordFacts&)> m_listener;
    RecordFacts m_facts;
    std::string m_held;
    RootSplitter m_loadingSplit;
    std::optional<RootSplitter> m_namedSplit;
    bool m_split = false;
    MovePartEnd m_movePartEnd;
    ToReflow m_toReflow{*this};
    std::optional<Reflow> m_reflow;
    std::optional<LineBreakDropper> m_dropper;
};

} // namespace tervanil
