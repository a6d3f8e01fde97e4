#include "text_buffer.h"

#include "exceptions.h"
#include "temporary_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tervanil {
namespace {

// Closes a descriptor on every path out of a scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

  private:
    int m_fd;
};

// Reads a whole regular file. Non-blocking open, so that a FIFO put in a
// record's place cannot hang the run; anything but a regular file is refused.
// On failure `error` is the system's errno, or 0 where it gave none.
bool readRegularFile(const std::string& path, std::string& bytes, int& error) {
    // O_NONBLOCK has no effect on the reads of a regular file.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
        error = errno;
        return false;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode) ? EISDIR : 0;
        return false;
    }

    // Sized from fstat, grown if the file grows while it is read.
    size_t capacity = static_cast<size_t>(status.st_size) + 1;
    bytes.resize(capacity);
    size_t filled = 0;
    for (;;) {
        if (filled == capacity) {
            capacity = capacity * 2;
            bytes.resize(capacity);
        }
        ssize_t got = ::read(file.get(), bytes.data() + filled, capacity - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (got == 0)
            break;
        filled += static_cast<size_t>(got);
        // A regular file reads short only at its end: no need to ask again.
        if (filled < capacity)
            break;
    }
    bytes.resize(filled);
    return true;
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// A temporary file beside `path` whose name does not grow with the target's,
// so that a target name of the longest legal length still works.
int createTemporaryBeside(const std::string& path, std::string& temporaryPath) {
    static const std::string process = std::to_string(::getpid());
    static unsigned long counter = 0;
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = folder + ".tervanil-" + process + "-" + std::to_string(++counter) + ".tmp";
        int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

namespace {

// How many bytes normalising adds: one for each lone CR or LF.
size_t addedByNormalising(std::string_view text, CodePage codePage) {
    size_t added = 0;
    if (codePage == CodePage::SingleByte) {
        // No byte hides a break here, so the breaks can be found by memchr.
        const char* begin = text.data();
        const char* end = begin + text.size();
        for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '\n', end - p)));
             ++p)
            added += (p == begin || p[-1] != '\r') ? 1 : 0;
        for (const char* p = begin; (p = static_cast<const char*>(std::memchr(p, '\r', end - p)));
             ++p)
            added += (p + 1 == end || p[1] != '\n') ? 1 : 0;
        return added;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (isLeadByte(codePage, c)) {
            ++i;
        } else if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            else
                ++added;
        } else if (c == '\n') {
            ++added;
        }
    }
    return added;
}

} // namespace

std::string normalizedLineBreaks(std::string&& bytes, CodePage codePage, bool* cutAtNul) {
    const void* nul = std::memchr(bytes.data(), '\0', bytes.size());
    if (cutAtNul != nullptr)
        *cutAtNul = nul != nullptr;
    const size_t end =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes.data()) : bytes.size();
    // Most records need nothing added, and then the text is kept where it is.
    const size_t added = addedByNormalising(std::string_view(bytes).substr(0, end), codePage);
    if (added == 0) {
        bytes.resize(end);
        return std::move(bytes);
    }
    std::string out;
    out.reserve(end + added);
    for (size_t i = 0; i < end; ++i) {
        char c = bytes[i];
        if (isLeadByte(codePage, static_cast<unsigned char>(c))) {
            out += c;
            if (i + 1 < end)
                out += bytes[++i];
        } else if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < end && bytes[i + 1] == '\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

void TextBuffer::loadFromFile(const std::string& path, std::string_view displayName,
                              CodePage codePage) {
    try {
        std::string bytes;
        int error = 0;
        if (!readRegularFile(path, bytes, error))
            throw EFOpenError(displayName, error);
        m_text = normalizedLineBreaks(std::move(bytes), codePage, &m_cutAtNul);
    } catch (const std::bad_alloc&) {
        throw EInvalidOperation();
    } catch (const std::length_error&) {
        throw EInvalidOperation();
    }
}

void TextBuffer::loadFromBytes(std::string_view bytes, CodePage codePage) {
    m_text = normalizedLineBreaks(std::string(bytes), codePage, &m_cutAtNul);
}

void TextBuffer::clear() noexcept {
    m_text.clear();
}

bool TextBuffer::endsWithLineBreak() const noexcept {
    return m_text.empty() || m_text.ends_with("\r\n");
}

void TextBuffer::addLine(std::string_view line) {
    if (endsWithLineBreak())
        m_text.append(line).append("\r\n");
    else
        m_text.append("\r\n").append(line);
}

void TextBuffer::addLine(std::string&& line) {
    if (m_text.empty()) {
        m_text = std::move(line);
        m_text += "\r\n";
    } else {
        addLine(std::string_view(line));
    }
}

void TextBuffer::saveToFile(const std::string& path, std::string_view displayName) const {
    AtomicFileWriter file(path, displayName);
    file.write(m_text);
    file.commit();
}

namespace {
constexpr size_t gatherLimit = 64 * 1024;
}

AtomicFileWriter::AtomicFileWriter(const std::string& path, std::string_view displayName)
    : m_path(path), m_displayName(displayName) {
    m_fd = createTemporaryBeside(path, m_temporaryPath);
    if (m_fd < 0)
        throw EFCreateError(displayName, errno);
    m_ticket = noteTemporaryFile(m_temporaryPath.c_str());
}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporaryPath.c_str());
    }
    forgetTemporaryFile(m_ticket);
}

void AtomicFileWriter::write(std::string_view bytes) {
    if (m_pending.size() + bytes.size() <= gatherLimit) {
        if (m_pending.capacity() < gatherLimit)
            m_pending.reserve(gatherLimit);
        m_pending.append(bytes);
        return;
    }
    flush();
    if (!writeAll(m_fd, bytes.data(), bytes.size()))
        throw EWriteError(m_displayName, errno);
}

void AtomicFileWriter::flush() {
    if (!writeAll(m_fd, m_pending.data(), m_pending.size()))
        throw EWriteError(m_displayName, errno);
    m_pending.clear();
}

void AtomicFileWriter::commit() {
    flush();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(m_temporaryPath.c_str());
        throw EWriteError(m_displayName, error);
    }
    if (::rename(m_temporaryPath.c_str(), m_path.c_str()) != 0) {
        const int error = errno;
        ::unlink(m_temporaryPath.c_str());
        throw EFCreateError(m_displayName, error);
    }
    forgetTemporaryFile(m_ticket);
    m_ticket = -1;
}

} // namespace tervanil
