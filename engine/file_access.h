#pragma once
// File access of the engine: records are read from regular files only, pages
// are written whole or not at all.

#include <optional>
#include <string>
#include <string_view>

namespace tervanil {

/// A regular file opened for reading in chunks. Opened without blocking, so
/// that a FIFO put in a record's place cannot hang a run; anything but a
/// regular file is refused.
class RegularFileReader {
  public:
    explicit RegularFileReader(const std::string& path);
    ~RegularFileReader();
    RegularFileReader(RegularFileReader&& other) noexcept;
    RegularFileReader& operator=(RegularFileReader&&) = delete;
    RegularFileReader(const RegularFileReader&) = delete;
    RegularFileReader& operator=(const RegularFileReader&) = delete;

    /// Whether the file is open and is a regular file.
    bool isOpen() const noexcept { return m_fd >= 0; }
    /// The size the file had when it was opened.
    size_t sizeAtOpen() const noexcept { return m_sizeAtOpen; }
    /// Reads up to `size` bytes into `data`: the count read, 0 at the end of
    /// the file, nothing when the read fails.
    std::optional<size_t> read(char* data, size_t size);
    /// The errno of the failed open or read; 0 where the system gave none.
    int error() const noexcept { return m_error; }

  private:
    int m_fd = -1;
    int m_error = 0;
    size_t m_sizeAtOpen = 0;
    bool m_atEnd = false;
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
    AtomicFileWriter(AtomicFileWriter&& other) noexcept;
    AtomicFileWriter& operator=(AtomicFileWriter&&) = delete;
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    /// Small writes are gathered; large ones go straight to the file.
    /// Throws EWriteError when not all bytes could be written.
    void write(std::string_view bytes);
    /// Writes what is gathered and closes the temporary file, which then waits
    /// for its commit. Throws EWriteError; the temporary file is then removed.
    void finishWriting();
    /// Finishes writing, then puts the file in the target's place. Throws
    /// EWriteError, or EFCreateError when the target cannot be replaced.
    void commit();

  private:
    void flush();
    void removeTemporary() noexcept;

    std::string m_path;
    std::string m_displayName;
    std::string m_temporaryPath;
    std::string m_pending;
    int m_fd = -1;
    bool m_temporaryExists = false;
    int m_ticket = -1; // in the registry of temporary files a signal removes
};

} // namespace tervanil
