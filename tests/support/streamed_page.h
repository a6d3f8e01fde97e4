#pragma once
// A page made by the engine's stages from a record fed in chunks of a given
// size, for the comparisons with the whole-buffer reference.

#include "page.h"
#include "record_pipeline.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace testing_support {

inline std::string streamedPage(std::string_view sourceName, std::string_view bytes,
                                const tervanil::ConversionOptions& options, size_t chunkSize,
                                bool secondThread = false) {
    tervanil::StringSink out;
    const std::string tag = tervanil::appletTag(options);
    tervanil::PagePipeline page(sourceName, options, tag, nullptr, out, true, secondThread);
    for (size_t at = 0; at < bytes.size() && page.wantsMore(); at += chunkSize)
        page.feed(bytes.substr(at, std::min(chunkSize, bytes.size() - at)));
    page.finish();
    return std::move(out.text());
}

} // namespace testing_support
