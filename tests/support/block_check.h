#pragma once
// An independent check of the block a page adds for browsers without applets:
// every "<" opens one of the block's own tags with attributes of its own,
// whose values hold only safe characters; every "&" opens one of the five
// references; no quote or ">" stands in text; every line ends CR LF. So nothing
// of the record reaches the block as markup. Shared by the tests and the fuzz
// target.

#include <cctype>
#include <set>
#include <string>
#include <string_view>

namespace testing_support {

/// What is wrong with `block`, with where; empty when nothing is.
inline std::string blockFault(std::string_view block) {
    static const std::set<std::string, std::less<>> tags = {"DIV",  "P",  "A",      "DL",  "DT",
                                                            "DD",   "BR", "SCRIPT", "svg", "rect",
                                                            "path", "g",  "circle", "text"};
    static const std::set<std::string, std::less<>> attributes = {
        "CLASS",  "HREF",  "SRC",         "class",     "viewBox",    "width",
        "height", "style", "xmlns",       "role",      "aria-label", "fill",
        "stroke", "d",     "cx",          "cy",        "r",          "stroke-width",
        "x",      "y",     "font-family", "font-size", "text-anchor"};
    auto fail = [&](std::size_t at, const char* what) {
        return std::string(what) + " at " + std::to_string(at) + ": " +
               std::string(block.substr(at, 60));
    };
    auto isWord = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '-'; };
    for (std::size_t i = 0; i < block.size();) {
        const char c = block[i];
        if (c == '\r' || c == '\n') {
            if (block.substr(i, 2) != "\r\n")
                return fail(i, "line break other than CR LF");
            i += 2;
        } else if (c == '&') {
            bool known = false;
            for (std::string_view ref : {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"})
                known |= block.substr(i).starts_with(ref);
            if (!known)
                return fail(i, "bare &");
            ++i;
        } else if (c == '"' || c == '\'' || c == '>') {
            return fail(i, "quote or > in text");
        } else if (c != '<') {
            ++i;
        } else {
            std::size_t j = i + 1 + (block.substr(i + 1, 1) == "/");
            const std::size_t nameStart = j;
            while (j < block.size() && isWord(block[j]))
                ++j;
            if (!tags.contains(block.substr(nameStart, j - nameStart)))
                return fail(i, "unknown tag");
            while (j < block.size() && block[j] == ' ') {
                const std::size_t attributeStart = ++j;
                while (j < block.size() && isWord(block[j]))
                    ++j;
                const std::string_view name = block.substr(attributeStart, j - attributeStart);
                if (!attributes.contains(name) || block.substr(j, 2) != "=\"")
                    return fail(attributeStart, "unknown attribute");
                j += 2;
                const std::size_t valueEnd = block.find('"', j);
                if (valueEnd == std::string_view::npos)
                    return fail(j, "open attribute value");
                for (char v : block.substr(j, valueEnd - j)) {
                    const bool safe =
                        std::isalnum(static_cast<unsigned char>(v)) ||
                        std::string_view(" #.:%;/,_-+~").find(v) != std::string_view::npos;
                    if (!safe)
                        return fail(j, "unsafe attribute value");
                }
                j = valueEnd + 1;
            }
            if (block.substr(j, 1) == "/")
                ++j;
            if (block.substr(j, 1) != ">")
                return fail(i, "tag not closed");
            i = j + 1;
        }
    }
    if (!block.ends_with("\r\n"))
        return fail(block.size(), "last line not ended");
    return {};
}

} // namespace testing_support
