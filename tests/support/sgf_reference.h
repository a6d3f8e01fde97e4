#pragma once
// An independent reading of SGF values for the tests' invariants: a value runs
// from "[" outside values to the next "]" not escaped by "\". Kept apart from
// the engine's own scanner so that the invariants check it rather than repeat it.

#include <string>
#include <string_view>

namespace testing_support {

/// Follows values through a text, one byte at a time.
class ValueTracker {
  public:
    /// Whether the next byte to read stands inside a value.
    bool inValue() const { return m_inValue; }
    void read(char c) {
        if (!m_inValue)
            m_inValue = c == '[';
        else if (m_escaped)
            m_escaped = false;
        else if (c == '\\')
            m_escaped = true;
        else if (c == ']')
            m_inValue = false;
    }

  private:
    bool m_inValue = false, m_escaped = false;
};

/// `text` without the CR and LF bytes that stand outside values.
inline std::string withoutBreaksOutsideValues(std::string_view text) {
    std::string out;
    ValueTracker values;
    for (char c : text) {
        if (!values.inValue() && (c == '\r' || c == '\n'))
            continue;
        out += c;
        values.read(c);
    }
    return out;
}

/// The position of the ";" that opens the first node: the first "(" followed,
/// past blanks, by ";". npos when there is none.
inline size_t openingSemicolon(std::string_view text) {
    for (size_t i = text.find('('); i != std::string_view::npos; i = text.find('(', i + 1)) {
        size_t next = text.find_first_not_of(" \t\r\n", i + 1);
        if (next != std::string_view::npos && text[next] == ';')
            return next;
    }
    return std::string_view::npos;
}

} // namespace testing_support
