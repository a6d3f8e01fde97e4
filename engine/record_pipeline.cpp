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
                           std::string_view tag, PageAddOns* addOns, ByteSink& out)
    : m_page(sourceName, options, tag, addOns, out), m_escaper(m_page),
      m_record(options, tapOr(m_tap, addOns, m_escaper)) {
    if (addOns)
        m_record.rework().onSettled(
            [addOns](const RecordFacts& facts) { addOns->recordStarts(facts.readIn); });
}

} // namespace tervanil
