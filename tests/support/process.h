#pragma once
// Runs a program as a child process and collects what it printed.

#include <string>
#include <sys/types.h>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1; // -1 when the child did not exit normally
    int signal = 0;    // the signal that ended the child, if one did
    std::string out;
    std::string err;
};

/// A child started and not yet waited for.
struct RunningProcess {
    pid_t pid = -1;
    std::string outPath, errPath;
};

/// Starts `program` with `arguments` in `workingDirectory`, stdin closed.
/// Its stdout goes to `stdoutPath` when one is given (and is then not collected).
RunningProcess startProcess(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& workingDirectory,
                            const std::string& stdoutPath = "");

/// Waits for the child to end and collects what it printed.
ProcessResult finishProcess(const RunningProcess& process);

/// Runs `program` with `arguments` in `workingDirectory`, stdin closed.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdoutPath = "");

} // namespace testing_support
