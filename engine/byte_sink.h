#pragma once
// The link between the stages of a record's conversion: each stage takes the
// bytes of the record in chunks of any size and pushes its own output on.

#include <string>
#include <string_view>

namespace tervanil {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    /// The next bytes of the stream; a chunk may end anywhere, even inside a
    /// line break or a double-byte character.
    virtual void feed(std::string_view bytes) = 0;
    /// The end of the stream.
    virtual void finish() = 0;
};

/// Collects a stream in one string: for tests and for the record buffer.
class StringSink : public ByteSink {
  public:
    void feed(std::string_view bytes) override { m_text.append(bytes); }
    void finish() override {}
    std::string& text() noexcept { return m_text; }

  private:
    std::string m_text;
};

} // namespace tervanil
