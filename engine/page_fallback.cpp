#include "page_fallback.h"

#include "diagram.h"
#include "file_access.h"

#include <cstring>

namespace tervanil {

FallbackAddOns::FallbackAddOns(std::string sourcePath, std::string sourceName, Fallback fallback,
                               bool readCard)
    : m_sourcePath(std::move(sourcePath)), m_sourceName(std::move(sourceName)),
      m_fallback(fallback), m_readCard(readCard) {}

void FallbackAddOns::recordStarts(CodePage readIn, std::string_view namedCharset) {
    m_readIn = readIn;
    m_namesUtf8 = namesUtf8(namedCharset);
    m_reader.emplace(readIn);
}

void FallbackAddOns::recordBytes(std::string_view bytes) {
    if (m_reader)
        m_reader->feed(bytes);
}

void FallbackAddOns::recordEnds() {
    if (m_reader)
        m_reader->finish();
}

std::string FallbackAddOns::headLines() {
    if (m_fallback == Fallback::None)
        return {};
    // Only a single-byte record that names no charset needs its bytes looked
    // at: the head goes out before them, so the source is read for it first.
    const bool validUtf8 =
        m_readIn == CodePage::SingleByte && !m_namesUtf8 && sourceIsUtf8(m_sourcePath);
    return fallbackHeadLines(m_readIn, m_namesUtf8, validUtf8);
}

std::string FallbackAddOns::blockBeforeAppletEnd() {
    if (!m_reader)
        return {};
    return fallbackBlock(*m_reader, m_sourceName, m_fallback);
}

void FallbackAddOns::completeReport(PageReport& report) {
    if (m_readCard && m_reader)
        report.card = m_reader->card();
}

PageAddOnsFactory pageAddOns(const std::filesystem::path& folder, const ConversionOptions& options,
                             bool readCards) {
    if (options.fallback == Fallback::None && !readCards)
        return {};
    return [folder, fallback = options.fallback, readCards](const std::string& sourceName) {
        return std::make_unique<FallbackAddOns>((folder / sourceName).native(), sourceName,
                                                fallback, readCards);
    };
}

bool sourceIsUtf8(const std::string& sourcePath) {
    RegularFileReader source(sourcePath);
    if (!source.isOpen())
        return false;
    constexpr size_t chunkSize = 256 * 1024;
    std::string chunk(std::min(chunkSize, source.sizeAtOpen() + 1), '\0');
    Utf8Validator utf8;
    for (;;) {
        const std::optional<size_t> got = source.read(chunk.data(), chunk.size());
        if (!got)
            return false;
        if (*got == 0)
            break;
        const std::string_view bytes(chunk.data(), *got);
        const size_t nul = bytes.find('\0');
        utf8.feed(bytes.substr(0, nul));
        if (nul != std::string_view::npos)
            break;
    }
    return utf8.valid();
}

} // namespace tervanil
