#include "record_rework.h"

#include "root_stage.h"
#include "typed_text.h"

namespace tervanil {
namespace {

void appendSgfEscaped(std::string& out, std::string_view text, CodePage codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isLeadByte(codePage, static_cast<unsigned char>(c))) {
            // A lead byte that ends the text is half a character: it would
            // take the value's closing "]" along, so it is left out.
            if (i + 1 < text.size()) {
                out += c;
                out += text[++i];
            }
            continue;
        }
        if (c == '\\' || c == ']')
            out += '\\';
        out += c;
    }
}

} // namespace

std::string rootAdditions(const RootTags& present, const ConversionOptions& options,
                          std::string_view recordCharset) {
    // Typed texts go in the record's own character set.
    const auto typed = [&](const std::string& text) {
        return transcoded(text, options.typedTextCharset, recordCharset).bytes;
    };
    std::string additions;
    if (!present.go) {
        additions += "\r\nGO[";
        additions +=
            static_cast<char>('0' + (options.number ? 0 : 2) + (options.advancemoves ? 1 : 0));
        additions += ']';
    }
    const bool interactive = options.applet == Applet::Quillamy && options.clickable;
    if (interactive && !present.cl)
        additions += options.freeclick ? "\r\nCL[1]" : "\r\nCL[2]";
    if (interactive && !present.qs && options.askstyle)
        additions += "\r\nQS[1]";
    if (interactive && options.nextWhite && !present.ne)
        additions += "\r\nNE[W]";
    if ((options.startupNumber != "1" || options.startupMoves != "0") && !present.as) {
        additions += "\r\nAS[";
        appendSgfEscaped(additions, typed(options.startupMoves), options.codePage);
        additions += ',';
        appendSgfEscaped(additions, typed(options.startupNumber), options.codePage);
        additions += ']';
    }
    if (!options.startupMessage.empty()) {
        additions += "\r\nC[";
        appendSgfEscaped(additions, typed(options.startupMessage), options.codePage);
        additions += ']';
    }
    return additions;
}

std::optional<std::string> detail::reworkedRecord(std::string_view record,
                                                  const ConversionOptions& options) {
    StringSink out;
    RootCollector rework(options, out);
    rework.feed(record);
    rework.finish();
    if (!rework.facts().reworked)
        return std::nullopt;
    return std::move(out.text());
}

bool ReworkRecord(TextBuffer& recordBuffer, const ConversionOptions& options) {
    std::optional<std::string> reworked = detail::reworkedRecord(recordBuffer.text(), options);
    if (!reworked)
        return false;
    // The buffer gets the record as one added line, which brings the final CR LF.
    reworked->resize(reworked->size() - 2);
    recordBuffer.clear();
    recordBuffer.addLine(std::move(*reworked));
    return true;
}

} // namespace tervanil
