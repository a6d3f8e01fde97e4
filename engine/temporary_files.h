#pragma once
// The temporary files in flight, known to a signal handler: a run ended by a
// signal removes them before it ends, so that no half-written page stays
// behind. Several may be in flight at once, written on different threads.

namespace tervanil {

/// Notes the temporary file `path` (created and not yet renamed or removed).
/// Returns a ticket for `forgetTemporaryFile`, or -1 when the path is too long
/// or the registry is full, and the file is then not removed by a signal.
int noteTemporaryFile(const char* path) noexcept;

/// Forgets the file of `ticket` (-1: nothing).
void forgetTemporaryFile(int ticket) noexcept;

/// Removes every file noted and not forgotten. Async-signal-safe: meant for a
/// handler of SIGINT or SIGTERM that then ends the process by the signal.
void removeTemporaryFiles() noexcept;

} // namespace tervanil
