#pragma once
// A work text: one byte string with CR LF line breaks and no NUL byte. The
// record buffer holds a loaded record, the page buffer a page being assembled.

#include "code_page.h"

#include <string>
#include <string_view>

namespace tervanil {

class TextBuffer {
  public:
    /// Replaces the text with the named file's bytes, line breaks normalised:
    /// CR LF stays, a lone CR or LF becomes CR LF, a lead byte of `codePage`
    /// takes the byte after it unchanged, and the text ends before the first NUL.
    /// Throws EFOpenError (naming `displayName`) when the file cannot be opened
    /// or read; the text is then unchanged.
    void loadFromFile(const std::string& path, std::string_view displayName, CodePage codePage);

    /// Replaces the text with `bytes` normalised as a load does.
    void loadFromBytes(std::string_view bytes, CodePage codePage);

    const std::string& text() const noexcept { return m_text; }
    bool empty() const noexcept { return m_text.empty(); }
    void clear() noexcept;

    /// Appends `line` and CR LF when the text is empty or ends with CR LF,
    /// otherwise CR LF and `line`.
    void addLine(std::string_view line);
    void addLine(std::string&& line);
    void addLine(const char* line) { addLine(std::string_view(line)); }

    /// Writes exactly the text's bytes to `path`, replacing it atomically: the
    /// bytes go to a temporary file beside it that is renamed over the target.
    /// Throws EFCreateError (naming `displayName`) when the file cannot be
    /// created, EWriteError when not all bytes could be written; an existing
    /// file is then left as it was and no temporary file remains.
    void saveToFile(const std::string& path, std::string_view displayName) const;

  private:
    bool endsWithLineBreak() const noexcept;

    std::string m_text;
};

} // namespace tervanil
