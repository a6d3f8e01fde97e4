#pragma once
// The first stages of a record's road: the load's cut at the first NUL byte
// and its line-break rule, over a stream of chunks.

#include "byte_set.h"
#include "byte_sink.h"
#include "code_page.h"

namespace tervanil {

/// Passes the stream on up to its first NUL byte and drops the rest. The cut
/// comes before the line breaks are normalised, which gives the same text as
/// normalising first and lets a reader stop at the cut.
class NulCut : public ByteSink {
  public:
    explicit NulCut(ByteSink& next) : m_next(next) {}
    void feed(std::string_view bytes) override;
    void finish() override { m_next.finish(); }
    /// Whether a NUL byte has been met.
    bool cut() const noexcept { return m_cut; }

  private:
    ByteSink& m_next;
    bool m_cut = false;
};

/// The load's line-break rule: a CR LF pair stays, a lone CR or LF becomes
/// CR LF, and a lead byte of the code page takes the byte after it along
/// unchanged, across chunk ends too. No break is added at the end.
class LineBreakNormaliser : public ByteSink {
  public:
    LineBreakNormaliser(CodePage codePage, ByteSink& next)
        : m_stops("\r\n", codePage), m_hasLeadBytes(codePage != CodePage::SingleByte),
          m_next(next) {}
    void feed(std::string_view bytes) override;
    void finish() override;

  private:
    ByteSet m_stops; // CR, LF and lead bytes
    bool m_hasLeadBytes;
    ByteSink& m_next;
    std::string m_out;
    bool m_crPending = false;    // the last chunk ended on a CR
    bool m_trailPending = false; // the last chunk ended on a lead byte
};

} // namespace tervanil
