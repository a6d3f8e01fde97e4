// Faults around a run: unreadable and vanishing sources, output folders that
// refuse pages, a full disk, odd files and odd names. Each failing run must say
// why (the exception's message and "."), keep the pages written before it, leave
// an existing page whole and no temporary file behind, and a second run after
// the cause is mended must complete.

#include "conversion_run.h"
#include "exceptions.h"
#include "expect_throw.h"
#include "process.h"
#include "temp_folder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing_support::ProcessResult;
using testing_support::runProcess;
using testing_support::TempFolder;

const std::string record = "(;GM[1]SZ[9];B[aa];W[bb])";
const std::string oldPage = "an existing page, older than the run\r\n";

ProcessResult cli(const std::filesystem::path& folder, std::vector<std::string> arguments = {}) {
    return runProcess(TERVANIL_CLI_PATH, std::move(arguments), folder);
}

// Runs a system tool; whether it worked.
bool tool(const std::string& program, std::vector<std::string> arguments) {
    return runProcess(program, std::move(arguments), "/").exitCode == 0;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

// Names of the temporary files that saving a page uses.
std::vector<std::string> temporaryFiles(const std::filesystem::path& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().native();
        if (name.starts_with(".tervanil-") && name.ends_with(".tmp"))
            found.push_back(name);
    }
    return found;
}

// The message and "." on the first line; the system's reason, with the name of
// the file it concerns, on the second.
void expectFailedRun(const ProcessResult& run, size_t count, const std::string& message,
                     const std::string& name, int error) {
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, tervanil::sourceCountText(count) + "\n");
    EXPECT_EQ(run.err, message + ".\ntervanil-cli: " + name + ": " + std::strerror(error) + "\n");
}

void expectCompletedRun(const ProcessResult& run, size_t count) {
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, tervanil::sourceCountText(count) + "\nTervanil OK\n");
    EXPECT_EQ(run.err, "");
}

std::string openError(const std::string& name) {
    return tervanil::EFOpenError(name).message();
}
std::string createError(const std::string& name) {
    return tervanil::EFCreateError(name).message();
}

// A folder with a.sgf and b.sgf (b is converted first) and an existing page
// for a.sgf, the source the faults hit.
class RunFault : public ::testing::Test {
  protected:
    void SetUp() override {
        folder.write("a.sgf", record);
        folder.write("b.sgf", record);
        std::filesystem::create_directory(folder.root() / "TervanilOB");
        folder.write("TervanilOB/a.htm", oldPage);
    }

    // What a run that failed at a.sgf must leave: b's page, a's old page,
    // no temporary file.
    void expectNothingLost() {
        EXPECT_TRUE(folder.exists("TervanilOB/b.htm"));
        EXPECT_EQ(folder.read("TervanilOB/a.htm"), oldPage);
        EXPECT_EQ(temporaryFiles(folder.root() / "TervanilOB"), std::vector<std::string>{});
        EXPECT_EQ(temporaryFiles(folder.root()), std::vector<std::string>{});
    }

    void expectSecondRunCompletes() {
        expectCompletedRun(cli(folder.root()), 2);
        EXPECT_NE(folder.read("TervanilOB/a.htm"), oldPage);
        EXPECT_EQ(temporaryFiles(folder.root() / "TervanilOB"), std::vector<std::string>{});
    }

    TempFolder folder;
};

TEST_F(RunFault, SourceWithoutReadPermission) {
    if (runningAsRoot())
        GTEST_SKIP() << "root reads files of mode 000; SourceThatFailsToRead covers a source "
                        "that cannot be read";
    ::chmod(folder.path("a.sgf").c_str(), 0);
    expectFailedRun(cli(folder.root()), 2, openError("a.sgf"), "a.sgf", EACCES);
    expectNothingLost();
    ::chmod(folder.path("a.sgf").c_str(), 0644);
    expectSecondRunCompletes();
}

// A source that opens but whose read fails (EIO): a link to a process's
// memory file, which is a regular file that cannot be read from its start.
TEST_F(RunFault, SourceThatFailsToRead) {
    std::filesystem::remove(folder.root() / "a.sgf");
    std::filesystem::create_symlink("/proc/self/mem", folder.root() / "a.sgf");
    expectFailedRun(cli(folder.root()), 2, openError("a.sgf"), "a.sgf", EIO);
    expectNothingLost();
    std::filesystem::remove(folder.root() / "a.sgf");
    folder.write("a.sgf", record);
    expectSecondRunCompletes();
}

TEST_F(RunFault, OutputFolderIsAFile) {
    std::filesystem::remove_all(folder.root() / "TervanilOB");
    folder.write("TervanilOB", oldPage);
    expectFailedRun(cli(folder.root()), 2, createError("./TervanilOB/b.htm"), "./TervanilOB/b.htm",
                    ENOTDIR);
    EXPECT_EQ(folder.read("TervanilOB"), oldPage);
    EXPECT_EQ(temporaryFiles(folder.root()), std::vector<std::string>{});
    std::filesystem::remove(folder.root() / "TervanilOB");
    expectCompletedRun(cli(folder.root()), 2);
    EXPECT_TRUE(folder.exists("TervanilOB/a.htm"));
}

// Root passes over permissions: there the folder is made immutable instead.
TEST_F(RunFault, OutputFolderWithoutWritePermission) {
    const std::string output = folder.path("TervanilOB");
    bool immutable = false;
    if (runningAsRoot()) {
        immutable = tool("/usr/bin/chattr", {"+i", output});
        if (!immutable)
            GTEST_SKIP() << "running as root, and chattr +i is refused here, so no folder can be "
                            "made unwritable";
    } else {
        ::chmod(output.c_str(), 0555);
    }
    const auto mend = [&] {
        if (immutable)
            tool("/usr/bin/chattr", {"-i", output});
        else
            ::chmod(output.c_str(), 0755);
    };

    const ProcessResult run = cli(folder.root());
    mend();
    expectFailedRun(run, 2, createError("./TervanilOB/b.htm"), "./TervanilOB/b.htm",
                    immutable ? EPERM : EACCES);
    EXPECT_EQ(folder.read("TervanilOB/a.htm"), oldPage);
    EXPECT_EQ(temporaryFiles(output), std::vector<std::string>{});
    expectSecondRunCompletes();
}

// The output folder is a small tmpfs: b's page fits, a's does not.
TEST_F(RunFault, FullDisk) {
    const std::string output = folder.path("TervanilOB");
    if (!tool("/usr/bin/mount", {"-t", "tmpfs", "-o", "size=256k", "tmpfs", output}))
        GTEST_SKIP() << "mounting a tmpfs is not allowed here";
    struct Unmount {
        std::string at;
        ~Unmount() { tool("/usr/bin/umount", {"-l", at}); }
    } unmount{output};
    folder.write("TervanilOB/a.htm", oldPage);
    folder.write("a.sgf", "(;GM[1]C[" + std::string(600 * 1024, 'x') + "];B[aa])");

    expectFailedRun(cli(folder.root()), 2, tervanil::EWriteError().message(), "./TervanilOB/a.htm",
                    ENOSPC);
    expectNothingLost();

    ASSERT_TRUE(tool("/usr/bin/mount", {"-o", "remount,size=4m", output}));
    expectSecondRunCompletes();
    EXPECT_GT(std::filesystem::file_size(output + "/a.htm"), 600u * 1024);
}

// A source that is gone by the time the run reaches it.
TEST(RunFaultInProcess, SourceRemovedAfterTheScan) {
    TempFolder folder;
    folder.write("a.sgf", record);
    folder.write("b.sgf", record);
    const std::vector<std::string> sources = tervanil::ScanSources(folder.root());
    ASSERT_EQ(sources, (std::vector<std::string>{"a.sgf", "b.sgf"}));
    std::filesystem::remove(folder.root() / "a.sgf");

    tervanil::WorkBuffers buffers;
    EXPECT_THROW_MSG(tervanil::RunConversion(folder.root(), sources, {}, buffers),
                     tervanil::EFOpenError, openError("a.sgf"));
    EXPECT_EQ(folder.names("TervanilOB"), std::vector<std::string>{"b.htm"});

    folder.write("a.sgf", record);
    tervanil::RunConversion(folder.root(), sources, {}, buffers);
    EXPECT_EQ(folder.names("TervanilOB"), (std::vector<std::string>{"a.htm", "b.htm"}));
}

// The page of `name` converted alone in a fresh folder.
std::string pageOf(const std::string& name, const std::string& bytes) {
    TempFolder folder;
    folder.write(name, bytes);
    expectCompletedRun(cli(folder.root()), 1);
    return folder.read("TervanilOB/" + name.substr(0, name.size() - 3) + "htm");
}

// The page of a source `title` with the default options, up to and after its
// record line.
std::string pageStart(const std::string& title) {
    return "<HTML>\r\n<HEAD>\r\n<TITLE>" + title +
           "</TITLE>\r\n</HEAD>\r\n<BODY BGCOLOR=\"#f8e0e0\">\r\n"
           "<APPLET CODEBASE=\"Orbanel\" CODE=\"Orbanel.Orbanel.class\"WIDTH=575 HEIGHT=454>\r\n"
           "<PARAM NAME=\"moves\" VALUE=\"\r\n";
}
const std::string pageEnd = "\r\n\">\r\n</APPLET>\r\n</BODY>\r\n</HTML>\r\n";

std::string pageAround(const std::string& title, const std::string& line8) {
    return pageStart(title) + line8 + pageEnd;
}

TEST(OddSources, EmptyFileGivesAnEmptyRecordLine) {
    EXPECT_EQ(pageOf("empty.sgf", ""), pageAround("empty.sgf", ""));
}

TEST(OddSources, BinaryFileEndsAtItsFirstNul) {
    const std::string bytes = std::string("(;GM[1];B[aa]C[x]") + '\0' + "\xff\xfe;W[bb]\0\x01)";
    EXPECT_EQ(pageOf("binary.sgf", bytes),
              pageAround("binary.sgf", "(;\r\nGO[0]GM[1];B[aa]C[x]\r\n"));
}

// A record far beyond any real game: converted whole, nothing cut.
TEST(OddSources, RecordOf200Megabytes) {
    const size_t nodes = 35'000'000; // six bytes each
    std::string bytes = "(;GM[1]";
    bytes.reserve(nodes * 6 + 16);
    for (size_t i = 0; i < nodes; ++i)
        bytes += i % 2 ? ";W[bb]" : ";B[aa]";
    bytes += ")";
    TempFolder folder;
    folder.write("large.sgf", bytes);
    bytes.clear();
    bytes.shrink_to_fit();

    expectCompletedRun(cli(folder.root()), 1);
    const std::string page = folder.read("TervanilOB/large.htm");
    // Ten nodes and a break to a line; the last node is not counted.
    const size_t breaks = (nodes - 1) / 10;
    const std::string head = "(;\r\nGO[0]GM[1]";
    const size_t recordSize = head.size() + nodes * 6 + breaks * 2 + 1 + 2;
    EXPECT_EQ(page.size(), pageAround("large.sgf", "").size() + recordSize);
    const std::string start = pageStart("large.sgf") + head + ";B[aa];W[bb]";
    EXPECT_EQ(page.substr(0, start.size()), start);
    const std::string end = ";B[aa];W[bb])\r\n" + pageEnd;
    EXPECT_EQ(page.substr(page.size() - end.size()), end);
}

// Names the file system allows but HTML and UTF-8 do not like.
TEST(OddSources, NamesAreKeptAndEscapedInTheTitle) {
    struct Case {
        std::string source, page, title;
    };
    const std::vector<Case> cases{
        {"with spaces.sgf", "with spaces.htm", "with spaces.sgf"},
        {"say \"hi\".sgf", "say \"hi\".htm", "say &quot;hi&quot;.sgf"},
        {"it's.sgf", "it's.htm", "it's.sgf"},
        {"Tom & Jerry.sgf", "Tom & Jerry.htm", "Tom &amp; Jerry.sgf"},
        {"<b>.sgf", "<b>.htm", "&lt;b&gt;.sgf"},
        {"\xff\xfe\x81.sgf", "\xff\xfe\x81.htm", "\xff\xfe\x81.sgf"},
        {std::string(246, 'n') + ".sgf", std::string(246, 'n') + ".htm",
         std::string(246, 'n') + ".sgf"},
        {std::string(251, 'm') + ".SGF", std::string(251, 'm') + ".htm",
         std::string(251, 'm') + ".SGF"},
    };
    TempFolder folder;
    for (const Case& c : cases)
        folder.write(c.source, record);
    expectCompletedRun(cli(folder.root()), cases.size());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        ASSERT_TRUE(folder.exists("TervanilOB/" + c.page));
        const std::string page = folder.read("TervanilOB/" + c.page);
        EXPECT_EQ(page, pageAround(c.title, "(;\r\nGO[0]GM[1]SZ[9];B[aa];W[bb])\r\n"));
    }
    EXPECT_EQ(folder.names("TervanilOB").size(), cases.size());
}

// Entries named like records that are no regular files are not listed and
// do not stop or hang the run.
TEST(OddSources, FifoDirectoryAndLinkLoopsAreNotListed) {
    TempFolder folder;
    folder.write("real.sgf", record);
    ASSERT_EQ(::mkfifo(folder.path("x.sgf").c_str(), 0644), 0);
    std::filesystem::create_directory(folder.root() / "y.sgf");
    std::filesystem::create_symlink("self.sgf", folder.root() / "self.sgf");
    std::filesystem::create_symlink("ping.sgf", folder.root() / "pong.sgf");
    std::filesystem::create_symlink("pong.sgf", folder.root() / "ping.sgf");
    std::filesystem::create_symlink("gone.sgf", folder.root() / "broken.sgf");

    expectCompletedRun(cli(folder.root()), 1);
    EXPECT_EQ(folder.names("TervanilOB"), std::vector<std::string>{"real.htm"});
}

// Output that cannot be written is a failure, not a success unseen.
TEST(OutputFault, StdoutOnAFullDevice) {
    TempFolder folder;
    folder.write("a.sgf", record);
    const ProcessResult run = runProcess(TERVANIL_CLI_PATH, {}, folder.root(), "/dev/full");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              std::string("tervanil-cli: standard output: ") + std::strerror(ENOSPC) + "\n");
    EXPECT_TRUE(folder.exists("TervanilOB/a.htm"));
    EXPECT_EQ(runProcess(TERVANIL_CLI_PATH, {"--help"}, folder.root(), "/dev/full").exitCode, 1);
    // Nothing written, nothing lost.
    EXPECT_EQ(runProcess(TERVANIL_CLI_PATH, {"--quiet"}, folder.root(), "/dev/full").exitCode, 0);
}

// -C DIR works wherever running inside DIR works: a folder path of 3,990 bytes
// with a record of a 244-byte name, which together pass the longest path the
// system opens.
TEST(LongPaths, DashCIntoADeepFolder) {
    TempFolder folder;
    std::string deep = folder.root().native();
    while (deep.size() < 3990) {
        deep += '/' + std::string(std::min<size_t>(200, 3990 - deep.size() - 1), 'd');
        ASSERT_EQ(::mkdir(deep.c_str(), 0755), 0) << deep.size();
    }
    ASSERT_EQ(deep.size(), 3990u);
    const std::string name = std::string(240, 'n') + ".sgf";
    const int dirFd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dirFd, 0);
    const int recordFd = ::openat(dirFd, name.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(recordFd, 0);
    ASSERT_EQ(::write(recordFd, record.data(), record.size()), static_cast<ssize_t>(record.size()));
    ::close(recordFd);

    const ProcessResult run = cli("/", {"-C", deep});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    struct stat page {};
    EXPECT_EQ(::fstatat(dirFd, ("TervanilOB/" + std::string(240, 'n') + ".htm").c_str(), &page, 0),
              0);
    EXPECT_GT(page.st_size, 0);
    ::close(dirFd);
}

// SIGINT and SIGTERM in the middle of a page remove its temporary file, and
// the run still ends by the signal.
class EndingSignal : public testing::TestWithParam<int> {};

TEST_P(EndingSignal, LeavesNoTemporaryFile) {
    TempFolder folder;
    // Large records, so that a page spends a while in its temporary file.
    std::string large = "(;GM[1]C[";
    large.append(48 << 20, '&');
    large += "];B[aa])";
    for (const char* name : {"a.sgf", "b.sgf", "c.sgf"})
        folder.write(name, large);
    large.clear();
    large.shrink_to_fit();

    const testing_support::RunningProcess process =
        testing_support::startProcess(TERVANIL_CLI_PATH, {}, folder.root());
    const std::filesystem::path output = folder.root() / "TervanilOB";
    bool seen = false;
    for (int wait = 0; wait < 20000 && !seen; ++wait) {
        seen = !temporaryFiles(output).empty();
        if (!seen)
            ::usleep(1000);
    }
    ::kill(process.pid, GetParam());
    const ProcessResult run = testing_support::finishProcess(process);
    ASSERT_TRUE(seen) << "no page was in flight to be interrupted";
    EXPECT_EQ(run.signal, GetParam());
    EXPECT_EQ(run.exitCode, -1);
    EXPECT_EQ(temporaryFiles(output), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Signals, EndingSignal, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) {
                             return info.param == SIGINT ? "SIGINT" : "SIGTERM";
                         });

} // namespace
