#include "page.h"

#include <algorithm>
#include <array>

namespace tervanil {
namespace {

// Finds the bytes that HTML needs escaped (& " < >) in order. Each of the four
// is looked for with memchr, the fastest scan the library has, and looked for
// again only once passed, so the text is read four times over at most.
class HtmlSpecialFinder {
  public:
    explicit HtmlSpecialFinder(std::string_view text) : m_text(text) {
        for (size_t k = 0; k < specials.size(); ++k)
            m_next[k] = find(k, 0);
    }

    /// The position of the first special byte at or after `from`, or the size.
    size_t next(size_t from) {
        size_t first = m_text.size();
        for (size_t k = 0; k < specials.size(); ++k) {
            if (m_next[k] < from)
                m_next[k] = find(k, from);
            first = std::min(first, m_next[k]);
        }
        return first;
    }

  private:
    size_t find(size_t special, size_t from) const {
        const size_t found = m_text.find(specials[special], from);
        return found == std::string_view::npos ? m_text.size() : found;
    }

    static constexpr std::array<char, 4> specials{'&', '"', '<', '>'};
    std::string_view m_text;
    std::array<size_t, 4> m_next;
};

std::string_view htmlReference(char special) {
    switch (special) {
    case '&':
        return "&amp;";
    case '"':
        return "&quot;";
    case '<':
        return "&lt;";
    default:
        return "&gt;";
    }
}

// Hands `text` HTML-escaped to `emit`, in runs between the escaped bytes, so
// that a text without any goes on in one piece and is never copied.
template <class Emit> void forEachHtmlEscapedPiece(std::string_view text, Emit&& emit) {
    HtmlSpecialFinder specials(text);
    size_t runStart = 0;
    for (size_t i = specials.next(0); i < text.size(); i = specials.next(i + 1)) {
        emit(text.substr(runStart, i - runStart));
        emit(htmlReference(text[i]));
        runStart = i + 1;
    }
    emit(text.substr(runStart));
}

} // namespace

std::string htmlEscaped(std::string_view text) {
    std::string out;
    forEachHtmlEscapedPiece(text, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

std::string appletTag(const ConversionOptions& options) {
    return "<APPLET CODEBASE=\"" + htmlEscaped(options.codebase) + "\" CODE=\"" +
           htmlEscaped(options.appletClass) + "\"WIDTH=" + htmlEscaped(options.width) +
           " HEIGHT=" + htmlEscaped(options.height) + ">";
}

std::string pageName(std::string_view sourceName) {
    return std::string(sourceName.substr(0, sourceName.size() - 3)) + "htm";
}

std::string pageLinesBeforeRecord(std::string_view sourceName, const ConversionOptions& options,
                                  std::string_view tag, std::string_view headLines) {
    std::string lines = "<HTML>\r\n<HEAD>\r\n";
    lines.append(headLines);
    lines += "<TITLE>" + htmlEscaped(sourceName) + "</TITLE>\r\n";
    lines += "</HEAD>\r\n";
    lines += "<BODY BGCOLOR=\"#" + htmlEscaped(options.backgroundColour) + "\">\r\n";
    lines.append(tag).append("\r\n");
    lines += "<PARAM NAME=\"moves\" VALUE=\"\r\n";
    return lines;
}

std::string pageLinesAfterRecord(std::string_view block) {
    // The record is one line of the page: CR LF follows it, whether or not it
    // ends with one itself.
    std::string lines = "\r\n\">\r\n";
    lines.append(block);
    lines += "</APPLET>\r\n</BODY>\r\n</HTML>\r\n";
    return lines;
}

void HtmlEscaper::feed(std::string_view bytes) {
    forEachHtmlEscapedPiece(bytes, [this](std::string_view piece) {
        if (!piece.empty())
            m_next.feed(piece);
    });
}

PageAssembler::PageAssembler(std::string_view sourceName, const ConversionOptions& options,
                             std::string_view tag, PageAddOns* addOns, ByteSink& out)
    : m_sourceName(sourceName), m_options(options), m_tag(tag), m_addOns(addOns), m_out(out) {}

void PageAssembler::start() {
    if (m_headWritten)
        return;
    m_headWritten = true;
    const std::string headLines = m_addOns ? m_addOns->headLines() : std::string();
    m_out.feed(pageLinesBeforeRecord(m_sourceName, m_options, m_tag, headLines));
}

void PageAssembler::feed(std::string_view bytes) {
    start();
    m_out.feed(bytes);
}

void PageAssembler::finish() {
    start();
    const std::string block = m_addOns ? m_addOns->blockBeforeAppletEnd() : std::string();
    m_out.feed(pageLinesAfterRecord(block));
    m_out.finish();
}

} // namespace tervanil
