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
    /// Whether the last load ended the text at a NUL byte.
    bool cutAtNul() const noexcept { return m_cutAtNul; }
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
    bool m_cutAtNul = false;
};

/// A file written whole or not at all. Bytes go to a temporary file beside the
/// target, whose name does not grow with the target's; `commit` renames it over
/// the target. Destroyed without a commit, it removes the temporary file, so an
/// existing target stays as it was.
class AtomicFileWriter {
  public:
    /// Throws EFCreateError (naming `displayName`) when the file cannot be created.
    AtomicFileWriter(const std::string& path, std::string_view displayName);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    /// Small writes are gathered; large ones go straight to the file.
    /// Throws EWriteError when not all bytes could be written.
    void write(std::string_view bytes);
    /// Throws EWriteError, or EFCreateError when the target cannot be replaced.
    void commit();

  private:
    void flush();

    std::string m_path;
    std::string m_displayName;
    std::string m_temporaryPath;
    std::string m_pending;
    int m_fd = -1;
    int m_ticket = -1; // in the registry of temporary files a signal removes
};

/// `bytes` with its line breaks normalised as TextBuffer::loadFromFile does;
/// `cutAtNul`, when given, tells whether a NUL byte ended the text.
std::string normalizedLineBreaks(std::string&& bytes, CodePage codePage, bool* cutAtNul = nullptr);

} // namespace tervanil
