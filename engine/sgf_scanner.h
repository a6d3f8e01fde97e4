#pragma once
// Reads SGF text byte by byte and tells, for each byte, whether it stands
// outside property values. A value runs from a "[" outside values to the next
// "]" that is not escaped; inside it "\" takes the next character along, and a
// lead byte of the code page takes its trail byte along everywhere.

#include "code_page.h"

#include <cstdint>

namespace tervanil {

enum class ByteRole : std::uint8_t {
    Outside,   // a structural byte outside values: ";", "(", ")", a letter, a blank
    ValueOpen, // the "[" that opens a value
    Inside,    // any other byte of a value, its closing "]" included
    Character, // a byte of a double-byte character outside values
};

class SgfScanner {
  public:
    explicit SgfScanner(CodePage codePage) : m_codePage(codePage) {}

    ByteRole step(unsigned char byte) {
        if (m_trailPending) {
            m_trailPending = false;
            return m_inValue ? ByteRole::Inside : ByteRole::Character;
        }
        const bool lead = isLeadByte(m_codePage, byte);
        if (m_inValue) {
            if (m_escapePending)
                m_escapePending = false;
            else if (byte == '\\' && !lead)
                m_escapePending = true;
            else if (byte == ']')
                m_inValue = false;
            m_trailPending = lead;
            return ByteRole::Inside;
        }
        if (lead) {
            m_trailPending = true;
            return ByteRole::Character;
        }
        if (byte == '[') {
            m_inValue = true;
            return ByteRole::ValueOpen;
        }
        return ByteRole::Outside;
    }

    /// What the next byte is read as: the bytes that leave the state as it is
    /// are, outside values, all but "[" and lead bytes; inside values, all but
    /// "]", "\\" and lead bytes; while a trail byte or an escaped byte is due,
    /// none.
    enum class Mode { Outside, InValue, ByteDue };
    Mode mode() const {
        if (m_trailPending || m_escapePending)
            return Mode::ByteDue;
        return m_inValue ? Mode::InValue : Mode::Outside;
    }

    /// True between characters and outside every value: a line break put here
    /// changes no value and splits no character.
    bool atOutsideBoundary() const { return !m_inValue && !m_trailPending; }

  private:
    CodePage m_codePage;
    bool m_inValue = false;
    bool m_escapePending = false;
    bool m_trailPending = false;
};

} // namespace tervanil
