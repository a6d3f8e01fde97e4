#pragma once
// The page around a record: the applet tag, the twelve lines, and the HTML
// escaping of everything put into them.

#include "byte_sink.h"
#include "code_page.h"
#include "options.h"
#include "run_events.h"

#include <string>
#include <string_view>

namespace tervanil {

/// `text` with & " < > written as HTML character references.
std::string htmlEscaped(std::string_view text);

/// The opening tag of the applet, its values HTML-escaped.
std::string appletTag(const ConversionOptions& options);

/// The page's file name for a source: its last three bytes become "htm".
std::string pageName(std::string_view sourceName);

/// What a caller adds to a page beyond its twelve lines, and what it sees of
/// the record on its way into the page. Every hook does nothing by default.
class PageAddOns {
  public:
    virtual ~PageAddOns() = default;
    /// True when the head lines depend on the whole record: the record is then
    /// shown to the hooks in a reading of its own before its page is written,
    /// and not again on its way into the page.
    virtual bool headNeedsRecord() const { return false; }
    /// Before the record's first byte: the code page it is read in, and the
    /// CA value of its root node (empty when there is none).
    virtual void recordStarts(CodePage /*readIn*/, std::string_view /*namedCharset*/) {}
    /// The record's bytes as they go into the PARAM value, before HTML escaping.
    virtual void recordBytes(std::string_view /*bytes*/) {}
    virtual void recordEnds() {}
    /// Lines put right after "<HEAD>", each ending in CR LF. Asked after
    /// `recordStarts`, before the record's bytes.
    virtual std::string headLines() { return {}; }
    /// Lines put between the line that closes the PARAM and "</APPLET>", each
    /// ending in CR LF. Asked after `recordEnds`.
    virtual std::string blockBeforeAppletEnd() { return {}; }
    /// Once the page is written: adds what the add-ons learnt to its report.
    virtual void completeReport(PageReport& /*report*/) {}
};

/// Lines 1 to 7 of a page, each ending in CR LF, `headLines` after "<HEAD>".
std::string pageLinesBeforeRecord(std::string_view sourceName, const ConversionOptions& options,
                                  std::string_view tag, std::string_view headLines = {});

/// The CR LF that ends the record's line, then lines 9 to 12, `block` before
/// "</APPLET>".
std::string pageLinesAfterRecord(std::string_view block = {});

/// HTML-escapes a stream: & " < > become character references, all else goes
/// on unchanged, in runs between the escaped bytes.
class HtmlEscaper : public ByteSink {
  public:
    explicit HtmlEscaper(ByteSink& next) : m_next(next) {}
    void feed(std::string_view bytes) override;
    void finish() override { m_next.finish(); }

  private:
    ByteSink& m_next;
};

/// The last stage of a page: the record, already escaped, goes out between
/// the page's lines before and after it. The lines before it go out at the
/// record's first byte (or at its end, when it is empty), once the add-ons
/// know the code page the record is read in.
class PageAssembler : public ByteSink {
  public:
    PageAssembler(std::string_view sourceName, const ConversionOptions& options,
                  std::string_view tag, PageAddOns* addOns, ByteSink& out);
    /// Writes the lines before the record, if not yet written.
    void start();
    void feed(std::string_view bytes) override;
    void finish() override;

  private:
    std::string_view m_sourceName;
    const ConversionOptions& m_options;
    std::string_view m_tag;
    PageAddOns* m_addOns;
    ByteSink& m_out;
    bool m_headWritten = false;
};

} // namespace tervanil
