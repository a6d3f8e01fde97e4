// Prints the conversion engine's speed and memory figures next to its goals:
// (a) a large record converts at 200 MB/s or more and twice the size takes at
// most twice the time; (b) many small records convert in at most twice the
// time `cp -r` needs to copy them; (c) peak memory stays under three times the
// largest record plus 16 MB. The verdicts are informational: it exits 0 unless
// a run itself fails.

#include "conversion_run.h"
#include "options.h"
#include "record_rework.h"
#include "text_buffer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr double mebibyte = 1024.0 * 1024.0;
constexpr double goalMegabytesPerSecond = 200.0;
constexpr double goalDoublingRatio = 2.0;
constexpr double goalCopyRatio = 2.0;
constexpr double memoryRecordFactor = 3.0;
constexpr double memoryAllowanceMegabytes = 16.0;

struct Settings {
    size_t largeMegabytes = 100;
    size_t smallCount = 10000;
    size_t smallMinBytes = 2048;
    size_t smallMaxBytes = 6144;
    int runs = 5;
    fs::path cli = TERVANIL_CLI_PATH;
    fs::path parent; // of the temporary work folder; empty: $TMPDIR or /tmp
    bool keep = false;
};

// ---------------------------------------------------------------- inputs

const char* const comments[] = {
    "Black takes the corner.",
    "A \"slack\" move & the wrong direction: <joseki> says hane.",
    "Variation: W[dd\\] was better, as in the game of 1998.", // "]" escaped in a value
    "White resigns the ko\r\nand plays elsewhere.",
    "This is the key point.",
};

// A record shaped like a long game: a root node, then six-byte move nodes
// ";B[pd]" in turn, a CR LF every few nodes and now and then a comment.
std::string syntheticRecord(size_t targetBytes, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> coordinate(0, 18);
    std::uniform_int_distribution<int> nodesPerLine(4, 12);
    std::uniform_int_distribution<int> commentChance(0, 39);
    std::uniform_int_distribution<size_t> commentPick(0, std::size(comments) - 1);

    std::string text;
    text.reserve(targetBytes + 256);
    text += "(;GM[1]FF[4]SZ[19]KM[6.5]HA[0]RU[Japanese]\r\n"
            "PB[Kuroda Akira]BR[5d]PW[Shiroyama Ken]WR[5d]DT[2024-05-17]RE[B+R]\r\n"
            "C[A synthetic record for the conversion benchmark.]\r\n";
    bool black = true;
    int untilBreak = nodesPerLine(random);
    while (text.size() + 3 < targetBytes) {
        text += black ? ";B[" : ";W[";
        text += static_cast<char>('a' + coordinate(random));
        text += static_cast<char>('a' + coordinate(random));
        text += ']';
        black = !black;
        if (commentChance(random) == 0) {
            text += "C[";
            text += comments[commentPick(random)];
            text += ']';
        }
        if (--untilBreak == 0) {
            text += "\r\n";
            untilBreak = nodesPerLine(random);
        }
    }
    text += ")\r\n";
    return text;
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

// ---------------------------------------------------------------- measuring

struct ProcessRun {
    double seconds = 0;
    double userSeconds = 0;   // CPU time, less moved by other load than the wall time;
    double systemSeconds = 0; // here mostly page faults and file copies in the kernel
    double peakMegabytes = 0; // the child's own ru_maxrss
};

double toSeconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Starts the programs that the benchmark times. A child's ru_maxrss also
// counts the memory of the process that started it (Linux keeps the high-water
// mark across exec), so children started by the benchmark itself, which holds
// hundreds of MB at times, would all report its peak. The launcher is forked
// before the benchmark allocates anything and starts every child instead.
class Launcher {
  public:
    Launcher() {
        int requests[2], replies[2];
        if (::pipe2(requests, O_CLOEXEC) != 0 || ::pipe2(replies, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot make the launcher's pipes");
        std::fflush(nullptr);
        m_pid = ::fork();
        if (m_pid < 0)
            throw std::runtime_error("cannot start the launcher");
        if (m_pid == 0) {
            ::close(requests[1]);
            ::close(replies[0]);
            serve(requests[0], replies[1]);
            ::_exit(0);
        }
        ::close(requests[0]);
        ::close(replies[1]);
        m_requests = requests[1];
        m_replies = replies[0];
    }
    ~Launcher() {
        ::close(m_requests); // end of requests: the launcher leaves
        ::close(m_replies);
        ::waitpid(m_pid, nullptr, 0);
    }
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;

    /// Runs a program to its end; throws when it cannot start or fails.
    ProcessRun run(const std::vector<std::string>& arguments) {
        std::string request;
        for (const std::string& argument : arguments)
            request.append(argument).push_back('\0');
        const std::uint64_t size = request.size();
        Reply reply{};
        if (!writeAll(m_requests, &size, sizeof size) ||
            !writeAll(m_requests, request.data(), request.size()) ||
            !readAll(m_replies, &reply, sizeof reply))
            throw std::runtime_error("the launcher is gone");
        if (!reply.succeeded)
            throw std::runtime_error(arguments[0] + " failed");
        return {reply.seconds, reply.userSeconds, reply.systemSeconds,
                static_cast<double>(reply.peakKilobytes) * 1024.0 / mebibyte};
    }

  private:
    struct Reply {
        bool succeeded;
        double seconds;
        double userSeconds;
        double systemSeconds;
        long peakKilobytes;
    };

    static bool writeAll(int fd, const void* data, size_t size) {
        const char* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t written = ::write(fd, bytes, size);
            if (written <= 0)
                return false;
            bytes += written;
            size -= static_cast<size_t>(written);
        }
        return true;
    }
    static bool readAll(int fd, void* data, size_t size) {
        char* bytes = static_cast<char*>(data);
        while (size > 0) {
            const ssize_t got = ::read(fd, bytes, size);
            if (got <= 0)
                return false;
            bytes += got;
            size -= static_cast<size_t>(got);
        }
        return true;
    }

    static void serve(int requests, int replies) {
        std::uint64_t size = 0;
        while (readAll(requests, &size, sizeof size)) {
            std::string request(size, '\0');
            if (!readAll(requests, request.data(), request.size()))
                return;
            std::vector<char*> argv;
            for (size_t at = 0; at < request.size(); at += std::strlen(&request[at]) + 1)
                argv.push_back(&request[at]);
            argv.push_back(nullptr);
            const Reply reply = spawnAndWait(argv);
            if (!writeAll(replies, &reply, sizeof reply))
                return;
        }
    }

    // wait4 gives the rusage of this one child, so each case has its own peak
    // rather than the maximum over all children so far.
    static Reply spawnAndWait(std::vector<char*>& argv) {
        const Clock::time_point start = Clock::now();
        pid_t child = 0;
        if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            return {false, 0, 0, 0, 0};
        int status = 0;
        struct rusage usage {};
        if (::wait4(child, &status, 0, &usage) != child)
            return {false, 0, 0, 0, 0};
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const bool succeeded = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        return {succeeded, elapsed, toSeconds(usage.ru_utime), toSeconds(usage.ru_stime),
                usage.ru_maxrss};
    }

    pid_t m_pid = -1;
    int m_requests = -1;
    int m_replies = -1;
};

fs::path outputFolder(const fs::path& folder) {
    return folder / tervanil::outputFolderName(tervanil::ConversionOptions{}.applet);
}

// A run that did not write every page must not pass for a fast one.
void checkPages(const fs::path& folder, size_t expectedPages, uintmax_t minimumBytes) {
    size_t pages = 0;
    uintmax_t bytes = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(outputFolder(folder))) {
        if (entry.path().extension() == ".htm") {
            ++pages;
            bytes += entry.file_size();
        }
    }
    if (pages != expectedPages || bytes < minimumBytes)
        throw std::runtime_error("the run over " + folder.string() + " wrote " +
                                 std::to_string(pages) + " pages of " + std::to_string(bytes) +
                                 " bytes, expected " + std::to_string(expectedPages) +
                                 " pages of at least " + std::to_string(minimumBytes));
}

struct Input {
    fs::path folder;
    size_t records = 0;
    uintmax_t bytes = 0;
    uintmax_t largestBytes = 0;
};

// Where the runs work. The disk's ext4 here has no journal, and then a new
// inode is not taken from those freed in the last minute or more: each file
// made after many deletions walks past all of them. Deleting one run's 10,000
// pages before the next would make that run quadratic, so every run gets a
// fresh folder and keeps its files to the end; only a large record's single
// page goes at once, to bound the disk space.
class RunFolders {
  public:
    explicit RunFolders(fs::path root) : m_root(std::move(root)) { fs::create_directories(m_root); }

    /// A name that no run has used.
    fs::path fresh(const std::string& stem) {
        return m_root / (stem + "-" + std::to_string(++m_count));
    }

    /// A fresh folder with a hard link to every record of `input`: the same
    /// files, read from the same cache, and no output folder yet.
    fs::path linkedCopy(const Input& input) {
        const fs::path folder = fresh(input.folder.filename().string());
        fs::create_directory(folder);
        for (const fs::directory_entry& entry : fs::directory_iterator(input.folder))
            fs::create_hard_link(entry.path(), folder / entry.path().filename());
        return folder;
    }

  private:
    fs::path m_root;
    int m_count = 0;
};

rusage ownUsage() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage;
}

// Earlier writes are flushed before each run starts, so that their write-back
// to disk does not fall into its time.
ProcessRun engineRun(RunFolders& folders, const Input& input) {
    const fs::path folder = folders.linkedCopy(input);
    ::sync();
    const rusage usageBefore = ownUsage();
    const Clock::time_point start = Clock::now();
    const std::vector<std::string> sources = tervanil::ScanSources(folder);
    tervanil::ConversionOptions options;
    tervanil::WorkBuffers buffers;
    tervanil::RunConversion(folder, sources, options, buffers);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const rusage usageAfter = ownUsage();
    checkPages(folder, input.records, input.bytes);
    if (input.records == 1)
        fs::remove_all(outputFolder(folder));
    return {seconds, toSeconds(usageAfter.ru_utime) - toSeconds(usageBefore.ru_utime),
            toSeconds(usageAfter.ru_stime) - toSeconds(usageBefore.ru_stime), 0};
}

ProcessRun cliRun(Launcher& launcher, RunFolders& folders, const Settings& settings,
                  const Input& input) {
    const fs::path folder = folders.linkedCopy(input);
    ::sync();
    ProcessRun run = launcher.run({settings.cli.string(), "-C", folder.string(), "--quiet"});
    checkPages(folder, input.records, input.bytes);
    if (input.records == 1)
        fs::remove_all(outputFolder(folder));
    return run;
}

ProcessRun copyRun(Launcher& launcher, RunFolders& folders, const Input& input) {
    const fs::path target = folders.fresh("copy");
    ::sync();
    return launcher.run({"/bin/cp", "-r", input.folder.string(), target.string()});
}

struct Measured {
    double seconds = 0;       // the best run
    double worstSeconds = 0;  // shows how much the machine's load moved the runs
    double userSeconds = 0;   // of the best run
    double systemSeconds = 0; // of the best run
    double peakMegabytes = 0;
    std::vector<double> rounds; // the time of each round
};

// The median over the rounds of one case's time over another's in the same
// round. Runs of one round lie close in time, so a passing disturbance, such
// as many files deleted on the disk just before, tends to move both alike.
double medianRoundRatio(const Measured& over, const Measured& under) {
    std::vector<double> ratios;
    for (size_t i = 0; i < over.rounds.size() && i < under.rounds.size(); ++i)
        ratios.push_back(over.rounds[i] / under.rounds[i]);
    std::sort(ratios.begin(), ratios.end());
    const size_t middle = ratios.size() / 2;
    return ratios.size() % 2 == 1 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2;
}

// Runs every case once untimed to warm the caches, then `runs` rounds of every
// case in turn, so that a change in the machine's load falls on all cases
// alike rather than on the one that happened to run then.
std::vector<Measured> measureInRounds(int runs,
                                      const std::vector<std::function<ProcessRun()>>& cases) {
    std::vector<Measured> measured(cases.size());
    for (const auto& run : cases)
        run();
    for (int round = 0; round < runs; ++round) {
        for (size_t i = 0; i < cases.size(); ++i) {
            const ProcessRun now = cases[i]();
            Measured& m = measured[i];
            if (round == 0 || now.seconds < m.seconds) {
                m.seconds = now.seconds;
                m.userSeconds = now.userSeconds;
                m.systemSeconds = now.systemSeconds;
            }
            m.worstSeconds = std::max(m.worstSeconds, now.seconds);
            m.rounds.push_back(now.seconds);
            m.peakMegabytes = std::max(m.peakMegabytes, now.peakMegabytes);
        }
    }
    return measured;
}

// ---------------------------------------------------------------- printing

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

const char* verdict(bool met) {
    return met ? "PASS" : "FAIL";
}

void printRate(const char* how, const Input& input, const Measured& measured) {
    const double megabytes = static_cast<double>(input.bytes) / mebibyte;
    const double rate = megabytes / measured.seconds;
    std::printf(
        "  %-11s %5.0f MB  %6.3f s (slowest %6.3f; user %6.3f, sys %6.3f)  %6.1f MB/s   %s (goal "
        ">= %.0f)\n",
        how, megabytes, measured.seconds, measured.worstSeconds, measured.userSeconds,
        measured.systemSeconds, rate, verdict(rate >= goalMegabytesPerSecond),
        goalMegabytesPerSecond);
}

void printDoubling(const char* how, double small, double large, double sizeRatio) {
    const double ratio = large / small;
    std::printf("  %-11s time ratio 2x/1x record = %.3f (size ratio %.3f)   %s (goal <= %.1f)\n",
                how, ratio, sizeRatio, verdict(ratio <= goalDoublingRatio), goalDoublingRatio);
}

void printMemory(const char* what, const Input& input, double peakMegabytes) {
    const double largest = static_cast<double>(input.largestBytes) / mebibyte;
    const double limit = memoryRecordFactor * largest + memoryAllowanceMegabytes;
    std::printf("  %-22s peak RSS %8.1f MB   limit %8.1f MB (3 x %.3f + 16)   %5.1f%% of limit   "
                "%s\n",
                what, peakMegabytes, limit, largest, 100.0 * peakMegabytes / limit,
                verdict(peakMegabytes < limit));
}

// Where the time of a large record goes: each pass of the engine on its own, in
// memory, on buffers already touched once. What the end-to-end time has beyond
// their sum is file reading and writing and the first touch of fresh memory.
void printStages(const Input& input, int runs) {
    std::ifstream in(input.folder / "record.sgf", std::ios::binary);
    const std::string raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const tervanil::ConversionOptions options;
    const double megabytes = static_cast<double>(raw.size()) / mebibyte;

    std::string loaded, reworked, escaped;
    double normalise = 0, rework = 0, escape = 0;
    for (int round = 0; round <= runs; ++round) { // round 0 touches the buffers
        loaded = raw;
        Clock::time_point start = Clock::now();
        loaded = tervanil::normalizedLineBreaks(std::move(loaded), options.codePage);
        const double normaliseNow = std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        reworked = tervanil::reworkedRecord(loaded, options).value_or(std::string());
        const double reworkNow = std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        escaped = tervanil::htmlEscaped(reworked);
        const double escapeNow = std::chrono::duration<double>(Clock::now() - start).count();
        const auto keepBest = [round](double& best, double now) {
            if (round == 1 || (round > 1 && now < best))
                best = now;
        };
        keepBest(normalise, normaliseNow);
        keepBest(rework, reworkNow);
        keepBest(escape, escapeNow);
    }
    if (reworked.empty())
        throw std::runtime_error("the large record was not reworked");

    std::printf("\n(d) The passes over the %.1f MB record, engine API in memory (best of %d)\n",
                megabytes, runs);
    for (const auto& [what, seconds] : {std::pair{"load: line breaks normalised", normalise},
                                        std::pair{"rework: root and move layout", rework},
                                        std::pair{"page: record HTML-escaped", escape}})
        std::printf("  %-36s %7.3f s  %7.1f MB/s\n", what, seconds, megabytes / seconds);
}

// ---------------------------------------------------------------- main

Settings parseArguments(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--large-mb" && hasValue)
            settings.largeMegabytes = std::stoul(argv[++i]);
        else if (argument == "--small-count" && hasValue)
            settings.smallCount = std::stoul(argv[++i]);
        else if (argument == "--runs" && hasValue)
            settings.runs = std::max(1, std::stoi(argv[++i]));
        else if (argument == "--cli" && hasValue)
            settings.cli = argv[++i];
        else if (argument == "--in" && hasValue)
            settings.parent = argv[++i];
        else if (argument == "--keep")
            settings.keep = true;
        else
            throw std::invalid_argument(
                "usage: conversion_bench [--large-mb N] [--small-count N] [--runs N] "
                "[--cli PATH] [--in DIR] [--keep]");
    }
    return settings;
}

// Always a new folder, so that removing it at the end removes only what the
// benchmark made.
fs::path makeWorkFolder(const Settings& settings) {
    const char* temporary = std::getenv("TMPDIR");
    const fs::path parent = !settings.parent.empty()          ? settings.parent
                            : temporary && *temporary != '\0' ? fs::path(temporary)
                                                              : fs::path("/tmp");
    std::string pattern = (parent / "tervanil-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder");
    return pattern;
}

// The freed inodes then reach the disk at once: until then ext4 without a
// journal keeps them from reuse for six minutes instead of one, which would
// slow every file made on this disk meanwhile, by anyone.
void removeWorkFolder(const fs::path& work) {
    fs::remove_all(work);
    ::sync();
}

Input makeLargeInput(const fs::path& folder, size_t bytes, std::uint32_t seed) {
    fs::create_directories(folder);
    const std::string record = syntheticRecord(bytes, seed);
    writeFile(folder / "record.sgf", record);
    return {folder, 1, record.size(), record.size()};
}

Input makeSmallInputs(const fs::path& folder, const Settings& settings) {
    fs::create_directories(folder);
    std::mt19937 random(7);
    std::uniform_int_distribution<size_t> size(settings.smallMinBytes, settings.smallMaxBytes);
    Input input{folder, settings.smallCount, 0, 0};
    char name[32];
    for (size_t i = 0; i < settings.smallCount; ++i) {
        const std::string record = syntheticRecord(size(random), static_cast<std::uint32_t>(i));
        std::snprintf(name, sizeof name, "game%05zu.sgf", i);
        writeFile(folder / name, record);
        input.bytes += record.size();
        input.largestBytes = std::max<uintmax_t>(input.largestBytes, record.size());
    }
    return input;
}

void benchmark(Launcher& launcher, const Settings& settings, const fs::path& work) {
    const size_t largeBytes = settings.largeMegabytes * 1024 * 1024;
    const Input large1 = makeLargeInput(work / "large-1x", largeBytes, 1);
    const Input large2 = makeLargeInput(work / "large-2x", 2 * largeBytes, 2);
    const Input small = makeSmallInputs(work / "small", settings);
    const double sizeRatio = static_cast<double>(large2.bytes) / static_cast<double>(large1.bytes);

    std::printf("Inputs in %s: one record of %.1f MB, one of %.1f MB, %zu records of %.1f-%.1f KB "
                "(%.1f MB in all)\n\n",
                work.c_str(), static_cast<double>(large1.bytes) / mebibyte,
                static_cast<double>(large2.bytes) / mebibyte, small.records,
                static_cast<double>(settings.smallMinBytes) / 1024.0,
                static_cast<double>(settings.smallMaxBytes) / 1024.0,
                static_cast<double>(small.bytes) / mebibyte);

    RunFolders folders(work / "runs");
    const auto engine = [&folders](const Input& input) {
        return [&folders, &input] { return engineRun(folders, input); };
    };
    const auto cli = [&launcher, &folders, &settings](const Input& input) {
        return [&launcher, &folders, &settings, &input] {
            return cliRun(launcher, folders, settings, input);
        };
    };

    std::printf("(a) One large record, end to end (read, rework, page, write)\n");
    const std::vector<Measured> large =
        measureInRounds(settings.runs, {engine(large1), engine(large2), cli(large1), cli(large2)});
    const Measured &engine1 = large[0], &engine2 = large[1], &cli1 = large[2], &cli2 = large[3];
    printRate("engine API", large1, engine1);
    printRate("engine API", large2, engine2);
    printDoubling("engine API", engine1.seconds, engine2.seconds, sizeRatio);
    printRate("CLI", large1, cli1);
    printRate("CLI", large2, cli2);
    printDoubling("CLI", cli1.seconds, cli2.seconds, sizeRatio);

    std::printf("\n(b) %zu small records against cp -r of the same folder\n", small.records);
    const std::vector<Measured> smallRuns =
        measureInRounds(settings.runs, {[&] { return copyRun(launcher, folders, small); },
                                        engine(small), cli(small)});
    const Measured &copy = smallRuns[0], &engineSmall = smallRuns[1], &cliSmall = smallRuns[2];
    std::printf("  %-11s %6.3f s (slowest %6.3f; user %6.3f, sys %6.3f)\n", "cp -r", copy.seconds,
                copy.worstSeconds, copy.userSeconds, copy.systemSeconds);
    for (const auto& [how, run] :
         {std::pair{"engine API", engineSmall}, std::pair{"CLI", cliSmall}}) {
        const double ratio = run.seconds / copy.seconds;
        std::printf("  %-11s %6.3f s (slowest %6.3f; user %6.3f, sys %6.3f)  %.2f x cp -r   %s "
                    "(goal <= %.1f x; median of the rounds' ratios %.2f)\n",
                    how, run.seconds, run.worstSeconds, run.userSeconds, run.systemSeconds, ratio,
                    verdict(ratio <= goalCopyRatio), goalCopyRatio, medianRoundRatio(run, copy));
    }

    std::printf("\n(c) Peak memory of one CLI process per case (ru_maxrss of the child)\n");
    printMemory("1x record", large1, cli1.peakMegabytes);
    printMemory("2x record", large2, cli2.peakMegabytes);
    printMemory("small records", small, cliSmall.peakMegabytes);
    std::printf("  %-22s peak RSS %8.1f MB   (for scale: a process that copies the small "
                "records)\n",
                "cp -r", copy.peakMegabytes);

    printStages(large1, settings.runs);
}

} // namespace

int main(int argc, char** argv) {
    try {
        Launcher launcher; // first, while this process is still small
        const Settings settings = parseArguments(argc, argv);
        const fs::path work = makeWorkFolder(settings);
        std::printf("Tervanil conversion benchmark: MB = 2^20 bytes; each time is the best of %d "
                    "rounds after one warm-up round, warm cache.\n"
                    "CPUs online: %ld; load average at start: %s\n",
                    settings.runs, ::sysconf(_SC_NPROCESSORS_ONLN), loadAverage().c_str());
        std::fflush(stdout);
        try {
            benchmark(launcher, settings, work);
        } catch (...) {
            if (!settings.keep)
                removeWorkFolder(work);
            throw;
        }
        if (!settings.keep)
            removeWorkFolder(work);
        std::printf("\nLoad average at end: %s. Other work on the machine slows every figure; "
                    "the verdicts are informational.\n",
                    loadAverage().c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::cerr << "conversion_bench: " << e.what() << '\n';
        return 1;
    }
}
