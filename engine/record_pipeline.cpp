#include "record_pipeline.h"

namespace tervanil {
namespace {

ByteSink& tapOr(std::optional<AddOnsTap>& tap, PageAddOns* addOns, ByteSink& next) {
    if (!addOns)
        return next;
    tap.emplace(*addOns, next);
    return *tap;
}

} // namespace

PagePipeline::PagePipeline(std::string_view sourceName, const ConversionOptions& options,
                           std::string_view tag, PageAddOns* addOns, ByteSink& out, bool showRecord)
    : m_page(sourceName, options, tag, addOns, out), m_escaper(m_page),
      m_record(options, tapOr(m_tap, showRecord ? addOns : nullptr, m_escaper)) {
    // The head goes out once the code page is known, before the record.
    if (addOns)
        m_record.rework().onSettled([this, addOns, showRecord](const RecordFacts& facts) {
            if (showRecord)
                addOns->recordStarts(facts.readIn);
            m_page.start();
        });
}

} // namespace tervanil
