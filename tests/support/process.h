#pragma once
// Runs a program as a child process and collects what it printed.

#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1; // -1 when the child did not exit normally
    std::string out;
    std::string err;
};

/// Runs `program` with `arguments` in `workingDirectory`, stdin closed.
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory);

} // namespace testing_support
