#pragma once
// The temporary files in flight, known to a signal handler: a run ended by a
// signal removes them before it ends, so that no half-written page stays
// behind. Several may be in flight at once, written on different threads.

namespace tervanil {

/// Notes the temporary file `path` (created and not yet renamed or removed).
/// Returns a ticket for `forgetTemporaryFile`, or -1 when the path is too long
/// or the registry is full, and the file is then not removed by a signal.
int noteTemporaryFile(const char* path) noexcept;

/// What `beginTemporaryCreation` answers once the files are being removed:
/// no file may be created any more.
inline constexpr int endingTicket = -2;

/// Notes `path` as `noteTemporaryFile` does, right before the file is created,
/// and marks a creation under way until `endTemporaryCreation`; the ticket may
/// be -1 as there. Answers `endingTicket`, with nothing to end, once
/// `removeTemporaryFiles` has begun.
int beginTemporaryCreation(const char* path) noexcept;
void endTemporaryCreation() noexcept;

/// Forgets the file of `ticket` (negative: nothing).
void forgetTemporaryFile(int ticket) noexcept;

/// Removes every file noted and not forgotten, after the creations under way,
/// and lets no further one begin. Async-signal-safe: meant for a handler of
/// SIGINT or SIGTERM that then ends the process by the signal.
void removeTemporaryFiles() noexcept;

namespace detail {
/// Lets files be created again after `removeTemporaryFiles`, which in a
/// program only ever runs right before its end: for the tests.
void allowTemporaryFilesAgain() noexcept;
} // namespace detail

} // namespace tervanil
