#include "process.h"

#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {
namespace {

std::string readAndRemove(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    std::remove(path.c_str());
    return contents.str();
}

int temporaryFile(std::string& path) {
    char pattern[] = "/tmp/tervanil-test-XXXXXX";
    int fd = ::mkstemp(pattern);
    if (fd < 0)
        throw std::runtime_error("cannot create a temporary file");
    path = pattern;
    return fd;
}

} // namespace

RunningProcess startProcess(const std::string& program, const std::vector<std::string>& arguments,
                            const std::string& workingDirectory, const std::string& stdoutPath) {
    RunningProcess process;
    const int outFd = temporaryFile(process.outPath);
    const int errFd = temporaryFile(process.errPath);
    process.pid = ::fork();
    if (process.pid == 0) {
        const int nullFd = ::open("/dev/null", O_RDONLY);
        ::dup2(nullFd, 0);
        if (stdoutPath.empty()) {
            ::dup2(outFd, 1);
        } else {
            const int givenFd = ::open(stdoutPath.c_str(), O_WRONLY);
            if (givenFd < 0)
                ::_exit(126);
            ::dup2(givenFd, 1);
        }
        ::dup2(errFd, 2);
        if (::chdir(workingDirectory.c_str()) != 0)
            ::_exit(126);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(outFd);
    ::close(errFd);
    return process;
}

ProcessResult finishProcess(const RunningProcess& process) {
    int status = 0;
    ::waitpid(process.pid, &status, 0);
    ProcessResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = readAndRemove(process.outPath);
    result.err = readAndRemove(process.errPath);
    return result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdoutPath) {
    return finishProcess(startProcess(program, arguments, workingDirectory, stdoutPath));
}

} // namespace testing_support
