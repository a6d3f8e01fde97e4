#include "text_buffer.h"

#include "exceptions.h"
#include "file_access.h"
#include "load_stages.h"

#include <memory>
#include <new>
#include <stdexcept>

namespace tervanil {
namespace {
constexpr size_t readChunk = 256 * 1024;
} // namespace

void TextBuffer::loadFromFile(const std::string& path, std::string_view displayName,
                              CodePage codePage) {
    try {
        RegularFileReader file(path);
        if (!file.isOpen())
            throw EFOpenError(displayName, file.error());
        StringSink text;
        text.text().reserve(file.sizeAtOpen());
        LineBreakNormaliser normaliser(codePage, text);
        NulCut cut(normaliser);
        const std::unique_ptr<char[]> chunk(new char[readChunk]);
        for (;;) {
            const std::optional<size_t> got = file.read(chunk.get(), readChunk);
            if (!got)
                throw EFOpenError(displayName, file.error());
            if (*got == 0 || cut.cut())
                break;
            cut.feed(std::string_view(chunk.get(), *got));
        }
        cut.finish();
        m_text = std::move(text.text());
    } catch (const std::bad_alloc&) {
        throw EInvalidOperation();
    } catch (const std::length_error&) {
        throw EInvalidOperation();
    }
}

void TextBuffer::loadFromBytes(std::string_view bytes, CodePage codePage) {
    StringSink text;
    text.text().reserve(bytes.size());
    LineBreakNormaliser normaliser(codePage, text);
    NulCut cut(normaliser);
    cut.feed(bytes);
    cut.finish();
    m_text = std::move(text.text());
}

void TextBuffer::clear() noexcept {
    m_text.clear();
}

bool TextBuffer::endsWithLineBreak() const noexcept {
    return m_text.empty() || m_text.ends_with("\r\n");
}

void TextBuffer::addLine(std::string_view line) {
    if (endsWithLineBreak())
        m_text.append(line).append("\r\n");
    else
        m_text.append("\r\n").append(line);
}

void TextBuffer::addLine(std::string&& line) {
    if (m_text.empty()) {
        m_text = std::move(line);
        m_text += "\r\n";
    } else {
        addLine(std::string_view(line));
    }
}

void TextBuffer::saveToFile(const std::string& path, std::string_view displayName) const {
    AtomicFileWriter file(path, displayName);
    file.write(m_text);
    file.commit();
}

} // namespace tervanil
