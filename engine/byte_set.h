#pragma once
// Sets of byte values that a stage stops at, so that the bytes between them
// can be passed over in one tight loop and copied in runs.

#include "code_page.h"

#include <array>
#include <string_view>

namespace tervanil {

class ByteSet {
  public:
    /// The bytes of `bytes`, and the lead bytes of `codePage`.
    ByteSet(std::string_view bytes, CodePage codePage) {
        for (char c : bytes)
            m_member[static_cast<unsigned char>(c)] = true;
        for (unsigned value = 0; value < 256; ++value)
            m_member[value] =
                m_member[value] || isLeadByte(codePage, static_cast<unsigned char>(value));
    }

    /// The position of the first member at or after `from`, or the size.
    size_t find(std::string_view text, size_t from) const {
        const size_t size = text.size();
        const char* data = text.data();
        while (from < size && !m_member[static_cast<unsigned char>(data[from])])
            ++from;
        return from;
    }

  private:
    std::array<bool, 256> m_member{};
};

} // namespace tervanil
