#pragma once
// An independent reading of SGF text for the tests' checks and the fuzz
// target's: where values run, where the root node is, what a value holds.
// Written apart from the engine's own scanner, so that the checks test it
// rather than repeat it. A value runs from "[" outside values to the next "]"
// not escaped by "\"; a lead byte of the code page takes the byte after it
// along, inside values and out.

#include "code_page.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

using tervanil::CodePage;

inline bool leadByte(CodePage codePage, unsigned char b) {
    return codePage == CodePage::ShiftJis && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}

enum class Role { Structure, Open, Value, Character };

// Follows values: "[" outside a value opens one, "]" not escaped closes it,
// "\" inside takes the next byte, a lead byte takes the next byte anywhere.
class ValueTracker {
  public:
    explicit ValueTracker(CodePage codePage = CodePage::SingleByte) : m_codePage(codePage) {}

    Role step(unsigned char b) {
        if (m_trail) {
            m_trail = false;
            return m_inValue ? Role::Value : Role::Character;
        }
        const bool lead = leadByte(m_codePage, b);
        if (m_inValue) {
            if (m_escaped)
                m_escaped = false;
            else if (!lead && b == '\\')
                m_escaped = true;
            else if (b == ']')
                m_inValue = false;
            m_trail = lead;
            return Role::Value;
        }
        if (lead) {
            m_trail = true;
            return Role::Character;
        }
        if (b == '[') {
            m_inValue = true;
            return Role::Open;
        }
        return Role::Structure;
    }
    /// Between characters and outside values.
    bool settled() const { return !m_inValue && !m_trail; }
    /// Whether the next byte to read stands inside a value.
    bool inValue() const { return m_inValue; }

  private:
    CodePage m_codePage;
    bool m_inValue = false;
    bool m_escaped = false;
    bool m_trail = false;
};

inline bool isLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The ";" of the first "(" whose next byte other than a blank is ";"; lead
// bytes take their trail bytes along, values are not followed yet.
inline std::optional<size_t> openingOf(std::string_view text, CodePage codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (leadByte(codePage, static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (text[i] == '(') {
            size_t next = i + 1;
            while (next < text.size() && isBlank(text[next]))
                ++next;
            if (next < text.size() && text[next] == ';')
                return next;
        }
    }
    return std::nullopt;
}

struct RootNode {
    size_t opening = 0;                 // the opening ";"
    std::optional<size_t> end;          // the ";" that opens the second node, if any
    std::vector<std::string> tags;      // identifiers right before a value's "["
    std::optional<std::string> charset; // the first CA value, unescaped and trimmed
};

inline std::optional<RootNode> rootNodeOf(std::string_view text, CodePage codePage) {
    const std::optional<size_t> opening = openingOf(text, codePage);
    if (!opening)
        return std::nullopt;
    RootNode root;
    root.opening = *opening;
    ValueTracker tracker(codePage);
    std::vector<Role> roles;
    std::string charset;
    bool readingCharset = false;
    for (size_t i = *opening + 1; i < text.size(); ++i) {
        const Role role = tracker.step(static_cast<unsigned char>(text[i]));
        roles.push_back(role);
        if (role == Role::Structure && text[i] == ';') {
            root.end = i;
            break;
        }
        if (readingCharset) {
            if (tracker.settled()) {
                readingCharset = false;
                size_t first = charset.find_first_not_of(" \t\r\n");
                size_t last = charset.find_last_not_of(" \t\r\n");
                root.charset = first == std::string::npos ? std::string()
                                                          : charset.substr(first, last - first + 1);
            } else if (text[i] != '\\') {
                charset += text[i];
            }
        }
        const size_t n = roles.size();
        if (role == Role::Open && n >= 3 && roles[n - 2] == Role::Structure &&
            roles[n - 3] == Role::Structure) {
            std::string tag(text.substr(i - 2, 2));
            if (tag == "CA" &&
                std::find(root.tags.begin(), root.tags.end(), "CA") == root.tags.end())
                readingCharset = true;
            root.tags.push_back(tag);
        }
    }
    return root;
}

// The text from `from` on without its line breaks outside values (a CR LF pair
// or a lone LF); a lone CR stays. Bytes before `from` stay as they are.
inline std::string withoutOutsideBreaks(std::string_view text, size_t from, CodePage codePage) {
    std::string out(text.substr(0, from));
    ValueTracker tracker(codePage);
    for (size_t i = from; i < text.size(); ++i) {
        if (tracker.settled()) {
            if (text[i] == '\n')
                continue;
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
                continue;
            }
        }
        tracker.step(static_cast<unsigned char>(text[i]));
        out += text[i];
    }
    return out;
}

// `text` without a lead byte that ends it: half a character, which would
// take the "]" that closes its value along.
inline std::string_view wholeCharacters(std::string_view text, CodePage codePage) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (leadByte(codePage, static_cast<unsigned char>(text[i])) && ++i == text.size())
            return text.substr(0, i - 1);
    }
    return text;
}

// A typed text as an SGF value's bytes: "\" before "\" and "]", a double-byte
// character copied whole.
inline std::string escapedValue(std::string_view typed, CodePage codePage) {
    const std::string_view text = wholeCharacters(typed, codePage);
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (leadByte(codePage, static_cast<unsigned char>(text[i]))) {
            out += text[i];
            out += text[++i];
            continue;
        }
        if (text[i] == '\\' || text[i] == ']')
            out += '\\';
        out += text[i];
    }
    return out;
}

// The values of `text` read from outside any value, unescaped; nothing when
// the text ends inside a value or inside a character.
inline std::optional<std::vector<std::string>> valuesOf(std::string_view text, CodePage codePage) {
    const auto lead = [&](size_t i) {
        return leadByte(codePage, static_cast<unsigned char>(text[i]));
    };
    std::vector<std::string> values;
    std::string value;
    bool inValue = false;
    size_t i = 0;
    while (i < text.size()) {
        if (!inValue) {
            if (lead(i)) {
                i += 2;
            } else {
                if (text[i] == '[') {
                    inValue = true;
                    value.clear();
                }
                ++i;
            }
            continue;
        }
        if (text[i] == '\\' && !lead(i)) {
            ++i; // the escaped byte, and its trail byte when it leads one
            if (i >= text.size())
                return std::nullopt;
        } else if (text[i] == ']') {
            values.push_back(value);
            inValue = false;
            ++i;
            continue;
        }
        value += text[i];
        if (lead(i)) {
            if (i + 1 >= text.size())
                return std::nullopt;
            value += text[++i];
        }
        ++i;
    }
    if (inValue || i > text.size())
        return std::nullopt;
    return values;
}

inline std::string escapedHtml(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Decodes the four references; nothing when a raw quote or angle bracket or a
// bare "&" stands in the text, since then the attribute could be left early.
inline std::optional<std::string> decodedHtml(std::string_view text) {
    static constexpr std::array<std::pair<std::string_view, char>, 4> references{
        {{"&amp;", '&'}, {"&quot;", '"'}, {"&lt;", '<'}, {"&gt;", '>'}}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"' || c == '<' || c == '>')
            return std::nullopt;
        if (c != '&') {
            out += c;
            ++i;
            continue;
        }
        bool matched = false;
        for (const auto& [reference, decoded] : references) {
            if (text.substr(i, reference.size()) == reference) {
                out += decoded;
                i += reference.size();
                matched = true;
                break;
            }
        }
        if (!matched)
            return std::nullopt;
    }
    return out;
}

/// `text` without the CR and LF bytes that stand outside values.
inline std::string withoutBreaksOutsideValues(std::string_view text) {
    std::string out;
    ValueTracker values;
    for (char c : text) {
        if (!values.inValue() && (c == '\r' || c == '\n'))
            continue;
        out += c;
        values.step(static_cast<unsigned char>(c));
    }
    return out;
}

} // namespace testing_support
