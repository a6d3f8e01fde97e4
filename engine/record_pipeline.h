#pragma once
// The stages of one record's conversion, chained in one place: read in chunks
// -> cut at the first NUL -> line breaks normalised -> rework -> (add-ons see
// the record) -> HTML-escaped -> the page's lines around it.

#include "byte_sink.h"
#include "load_stages.h"
#include "options.h"
#include "page.h"
#include "root_stage.h"

#include <optional>

namespace tervanil {

/// From a source file's bytes to the record that goes into the page.
class RecordPipeline : public ByteSink {
  public:
    RecordPipeline(const ConversionOptions& options, ByteSink& next)
        : m_rework(options, next), m_normaliser(options.codePage, m_rework), m_cut(m_normaliser) {}
    void feed(std::string_view bytes) override { m_cut.feed(bytes); }
    void finish() override { m_cut.finish(); }

    /// Whether more bytes of the source can change the record: not after a NUL.
    bool wantsMore() const noexcept { return !m_cut.cut(); }
    bool cutAtNul() const noexcept { return m_cut.cut(); }
    RootCollector& rework() noexcept { return m_rework; }

  private:
    RootCollector m_rework;
    LineBreakNormaliser m_normaliser;
    NulCut m_cut;
};

/// Shows the add-ons a record's bytes on their way to the page.
class AddOnsTap : public ByteSink {
  public:
    AddOnsTap(PageAddOns& addOns, ByteSink& next) : m_addOns(addOns), m_next(next) {}
    void feed(std::string_view bytes) override {
        m_addOns.recordBytes(bytes);
        m_next.feed(bytes);
    }
    void finish() override {
        m_addOns.recordEnds();
        m_next.finish();
    }

  private:
    PageAddOns& m_addOns;
    ByteSink& m_next;
};

/// From a source file's bytes to its whole page, pushed to `out`. The add-ons
/// see the record on its way unless `showRecord` is false (they saw it before).
class PagePipeline : public ByteSink {
  public:
    PagePipeline(std::string_view sourceName, const ConversionOptions& options,
                 std::string_view tag, PageAddOns* addOns, ByteSink& out, bool showRecord = true);
    void feed(std::string_view bytes) override { m_record.feed(bytes); }
    void finish() override { m_record.finish(); }
    bool wantsMore() const noexcept { return m_record.wantsMore(); }
    bool cutAtNul() const noexcept { return m_record.cutAtNul(); }
    const RecordFacts& facts() noexcept { return m_record.rework().facts(); }

  private:
    PageAssembler m_page;
    HtmlEscaper m_escaper;
    std::optional<AddOnsTap> m_tap;
    RecordPipeline m_record;
};

} // namespace tervanil
