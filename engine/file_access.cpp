#include "file_access.h"

#include "exceptions.h"
#include "temporary_files.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tervanil {
namespace {

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
// so that a target name of the longest legal length still works. The file is
// noted for removal by a signal before it is created; `ticket` is its note.
int createTemporaryBeside(const std::string& path, std::string& temporaryPath, int& ticket) {
    static const std::string process = std::to_string(::getpid());
    // Pages are prepared on a worker thread while others are committed.
    static std::atomic<unsigned long> counter{0};
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = folder + ".tervanil-" + process + "-" + std::to_string(++counter) + ".tmp";
        ticket = beginTemporaryCreation(temporaryPath.c_str());
        if (ticket == endingTicket) {
            errno = EINTR;
            return -1;
        }
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const int error = errno;
        endTemporaryCreation();
        if (fd < 0) {
            forgetTemporaryFile(ticket);
            ticket = -1;
        }
        errno = error;
        if (fd >= 0 || error != EEXIST)
            return fd;
    }
    return -1;
}

constexpr size_t gatherLimit = 64 * 1024;

} // namespace

RegularFileReader::RegularFileReader(const std::string& path) {
    // O_NONBLOCK has no effect on the reads of a regular file.
    m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return;
    }
    struct stat status {};
    const bool statted = ::fstat(m_fd, &status) == 0;
    if (!statted || !S_ISREG(status.st_mode)) {
        m_error = !statted ? errno : S_ISDIR(status.st_mode) ? EISDIR : 0;
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_sizeAtOpen = static_cast<size_t>(status.st_size);
}

RegularFileReader::RegularFileReader(RegularFileReader&& other) noexcept
    : m_fd(other.m_fd), m_error(other.m_error), m_sizeAtOpen(other.m_sizeAtOpen),
      m_atEnd(other.m_atEnd) {
    other.m_fd = -1;
}

RegularFileReader::~RegularFileReader() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<size_t> RegularFileReader::read(char* data, size_t size) {
    if (m_fd < 0)
        return std::nullopt;
    if (m_atEnd || size == 0)
        return 0;
    size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(m_fd, data + filled, size - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return std::nullopt;
        }
        if (got == 0) {
            m_atEnd = true;
            break;
        }
        filled += static_cast<size_t>(got);
        // A regular file reads short only at its end: no need to ask again.
        if (filled < size) {
            m_atEnd = true;
            break;
        }
    }
    return filled;
}

AtomicFileWriter::AtomicFileWriter(const std::string& path, std::string_view displayName)
    : m_path(path), m_displayName(displayName) {
    m_fd = createTemporaryBeside(path, m_temporaryPath, m_ticket);
    if (m_fd < 0)
        throw EFCreateError(displayName, errno);
    m_temporaryExists = true;
}

AtomicFileWriter::AtomicFileWriter(AtomicFileWriter&& other) noexcept
    : m_path(std::move(other.m_path)), m_displayName(std::move(other.m_displayName)),
      m_temporaryPath(std::move(other.m_temporaryPath)), m_pending(std::move(other.m_pending)),
      m_fd(other.m_fd), m_temporaryExists(other.m_temporaryExists), m_ticket(other.m_ticket) {
    other.m_fd = -1;
    other.m_temporaryExists = false;
    other.m_ticket = -1;
}

AtomicFileWriter::~AtomicFileWriter() {
    removeTemporary();
}

void AtomicFileWriter::removeTemporary() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_temporaryExists) {
        ::unlink(m_temporaryPath.c_str());
        m_temporaryExists = false;
    }
    forgetTemporaryFile(m_ticket);
    m_ticket = -1;
}

void AtomicFileWriter::write(std::string_view bytes) {
    // The gathering buffer grows as it fills: a small page never takes the
    // whole of it, whose allocation and release would cost fresh memory for
    // every page of a run.
    if (m_pending.size() + bytes.size() <= gatherLimit) {
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

void AtomicFileWriter::finishWriting() {
    if (m_fd < 0)
        return;
    try {
        flush();
    } catch (...) {
        removeTemporary();
        throw;
    }
    m_pending = std::string();
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        removeTemporary();
        throw EWriteError(m_displayName, error);
    }
}

void AtomicFileWriter::commit() {
    finishWriting();
    if (::rename(m_temporaryPath.c_str(), m_path.c_str()) != 0) {
        const int error = errno;
        removeTemporary();
        throw EFCreateError(m_displayName, error);
    }
    m_temporaryExists = false;
    forgetTemporaryFile(m_ticket);
    m_ticket = -1;
}

} // namespace tervanil
