// Prints the conversion engine's speed and memory figures beside its goals,
// each as a ratio measured in the same run, on disk and in memory (/dev/shm):
// (a) a large record end to end within 3 x the time `cp` needs to copy the
//     same file, and a record four times as large within 4.2 x its time;
// (b) peak memory for the larger record within 32 MB plus its root node;
// (c) folders of many small records within 1.0 x `cp -r` of the same folder
//     (median over the rounds of the per-round ratio);
// (d) with the viewer fallback, the large record within 5 x `cp` and the first
//     folder of small records within 3 x `cp -r`, in the same rounds as (a)
//     and (c).
// The verdicts are informational: it exits 0 unless a run itself fails.

#include "conversion_run.h"
#include "options.h"
#include "record_pipeline.h"

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
#include <sstream>
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
constexpr double goalCopyRatioLarge = 3.0;
constexpr double goalLargerRatio = 4.2;
constexpr double goalCopyRatioSmall = 1.0;
constexpr double goalViewerRatioLarge = 5.0;
constexpr double goalViewerRatioSmall = 3.0;
constexpr double memoryAllowanceMegabytes = 32.0;

struct Settings {
    size_t largeMegabytes = 100;
    size_t largerMegabytes = 400;
    std::vector<size_t> smallCounts{10000, 100000};
    size_t smallMinBytes = 2048;
    size_t smallMaxBytes = 6144;
    int runs = 5;
    fs::path cli = TERVANIL_CLI_PATH;
    std::vector<fs::path> places; // where the work folders go; default: $TMPDIR or /tmp, /dev/shm
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
// ";B[pd]" in turn, a CR LF every few nodes and now and then a comment. Handed
// to `flush` in pieces of about a megabyte, so that a large record is never
// held whole here. Returns the root node's length.
size_t generateRecord(size_t targetBytes, std::uint32_t seed,
                      const std::function<void(std::string&)>& flush) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> coordinate(0, 18);
    std::uniform_int_distribution<int> nodesPerLine(4, 12);
    std::uniform_int_distribution<int> commentChance(0, 39);
    std::uniform_int_distribution<size_t> commentPick(0, std::size(comments) - 1);

    std::string text = "(;GM[1]FF[4]SZ[19]KM[6.5]HA[0]RU[Japanese]\r\n"
                       "PB[Kuroda Akira]BR[5d]PW[Shiroyama Ken]WR[5d]DT[2024-05-17]RE[B+R]\r\n"
                       "C[A synthetic record for the conversion benchmark.]\r\n";
    const size_t rootBytes = text.size();
    size_t written = 0;
    bool black = true;
    int untilBreak = nodesPerLine(random);
    while (written + text.size() + 3 < targetBytes) {
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
        if (text.size() >= (1u << 20)) {
            written += text.size();
            flush(text);
            text.clear();
        }
    }
    text += ")\r\n";
    flush(text);
    return rootBytes;
}

std::string syntheticRecord(size_t targetBytes, std::uint32_t seed) {
    std::string record;
    generateRecord(targetBytes, seed, [&record](std::string& piece) { record += piece; });
    return record;
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
    uintmax_t rootBytes = 0; // of the large record
};

// Where the runs work. The disk's ext4 here has no journal, and then a new
// inode is not taken from those freed in the last minute or more: each file
// made after many deletions walks past all of them. Deleting one run's 10,000
// pages before the next would make that run quadratic, so every run gets a
// fresh folder and keeps its files to the end; only a large record's single
// page goes at once, to bound the disk space.
class RunFolders {
  public:
    RunFolders(fs::path root, bool inMemory) : m_root(std::move(root)), m_inMemory(inMemory) {
        fs::create_directories(m_root);
    }

    /// In memory, a run's files go as soon as it is done: they take memory,
    /// and no file system slows down for the deletions.
    bool inMemory() const { return m_inMemory; }

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
    bool m_inMemory;
    int m_count = 0;
};

// Earlier writes are flushed before each run starts, so that their write-back
// to disk does not fall into its time.
// `extra` goes on the CLI's command line, such as the fallback to add.
ProcessRun cliRun(Launcher& launcher, RunFolders& folders, const Settings& settings,
                  const Input& input, const std::vector<std::string>& extra = {}) {
    const fs::path folder = folders.linkedCopy(input);
    ::sync();
    std::vector<std::string> arguments{settings.cli.string(), "-C", folder.string(), "--quiet"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    ProcessRun run = launcher.run(arguments);
    checkPages(folder, input.records, input.bytes);
    if (input.records == 1 || folders.inMemory())
        fs::remove_all(folder);
    return run;
}

// `cp` of the large record's file, or `cp -r` of a folder of small ones.
ProcessRun copyRun(Launcher& launcher, RunFolders& folders, const Input& input) {
    const fs::path target = folders.fresh("copy");
    const bool oneFile = input.records == 1;
    const fs::path source = oneFile ? input.folder / "record.sgf" : input.folder;
    ::sync();
    ProcessRun run = oneFile ? launcher.run({"/bin/cp", source.string(), target.string()})
                             : launcher.run({"/bin/cp", "-r", source.string(), target.string()});
    if (oneFile || folders.inMemory())
        fs::remove_all(target);
    return run;
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

double megabytes(uintmax_t bytes) {
    return static_cast<double>(bytes) / mebibyte;
}

void printTime(const char* what, const Measured& m) {
    std::printf("  %-24s %8.3f s (slowest %8.3f; user %7.3f, sys %7.3f)\n", what, m.seconds,
                m.worstSeconds, m.userSeconds, m.systemSeconds);
}

void printRatio(const char* what, const Measured& over, const Measured& under, double goal) {
    const double median = medianRoundRatio(over, under);
    std::printf("  %-40s %6.2f x (best against best %6.2f x)   %s (goal <= %.1f x)\n", what, median,
                over.seconds / under.seconds, verdict(median <= goal), goal);
}

// ---------------------------------------------------------------- main

std::vector<size_t> parseCounts(const std::string& text) {
    std::vector<size_t> counts;
    std::stringstream list(text);
    for (std::string item; std::getline(list, item, ',');)
        if (!item.empty())
            counts.push_back(std::stoul(item));
    return counts;
}

Settings parseArguments(int argc, char** argv) {
    Settings settings;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--large-mb" && hasValue)
            settings.largeMegabytes = std::stoul(argv[++i]);
        else if (argument == "--larger-mb" && hasValue)
            settings.largerMegabytes = std::stoul(argv[++i]);
        else if (argument == "--small-counts" && hasValue)
            settings.smallCounts = parseCounts(argv[++i]);
        else if (argument == "--runs" && hasValue)
            settings.runs = std::max(1, std::stoi(argv[++i]));
        else if (argument == "--cli" && hasValue)
            settings.cli = argv[++i];
        else if (argument == "--in" && hasValue)
            settings.places.emplace_back(argv[++i]);
        else if (argument == "--keep")
            settings.keep = true;
        else
            throw std::invalid_argument(
                "usage: conversion_bench [--large-mb N] [--larger-mb N] [--small-counts N,N...] "
                "[--runs N] [--cli PATH] [--in DIR]... [--keep]");
    }
    if (settings.places.empty()) {
        const char* temporary = std::getenv("TMPDIR");
        settings.places.emplace_back(temporary && *temporary != '\0' ? temporary : "/tmp");
        if (fs::is_directory("/dev/shm"))
            settings.places.emplace_back("/dev/shm");
    }
    return settings;
}

// Always a new folder, so that removing it at the end removes only what the
// benchmark made.
fs::path makeWorkFolder(const fs::path& parent) {
    std::string pattern = (parent / "tervanil-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder in " + parent.string());
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
    std::ofstream out(folder / "record.sgf", std::ios::binary);
    uintmax_t written = 0;
    const size_t rootBytes = generateRecord(bytes, seed, [&](std::string& piece) {
        out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
        written += piece.size();
    });
    if (!out)
        throw std::runtime_error("cannot write the large record in " + folder.string());
    return {folder, 1, written, rootBytes};
}

Input makeSmallInputs(const fs::path& folder, size_t count, const Settings& settings) {
    fs::create_directories(folder);
    std::mt19937 random(7);
    std::uniform_int_distribution<size_t> size(settings.smallMinBytes, settings.smallMaxBytes);
    Input input{folder, count, 0, 0};
    char name[32];
    for (size_t i = 0; i < count; ++i) {
        const std::string record = syntheticRecord(size(random), static_cast<std::uint32_t>(i));
        std::snprintf(name, sizeof name, "game%06zu.sgf", i);
        writeFile(folder / name, record);
        input.bytes += record.size();
    }
    return input;
}

void benchmarkIn(Launcher& launcher, const Settings& settings, const fs::path& work,
                 bool inMemory) {
    RunFolders folders(work / "runs", inMemory);
    const auto cli = [&](const Input& input) {
        return [&launcher, &folders, &settings, &input] {
            return cliRun(launcher, folders, settings, input);
        };
    };
    // The pages with the viewer fallback: head lines, a diagram and the script.
    const auto cliViewer = [&](const Input& input) {
        return [&launcher, &folders, &settings, &input] {
            return cliRun(launcher, folders, settings, input, {"--fallback", "viewer"});
        };
    };
    const auto copy = [&](const Input& input) {
        return [&launcher, &folders, &input] { return copyRun(launcher, folders, input); };
    };

    {
        const Input large = makeLargeInput(work / "large", settings.largeMegabytes << 20, 1);
        const Input larger = makeLargeInput(work / "larger", settings.largerMegabytes << 20, 2);
        std::printf("\n(a) One large record end to end (read, rework, page, write): %.1f MB and "
                    "%.1f MB\n",
                    megabytes(large.bytes), megabytes(larger.bytes));
        const std::vector<Measured> m = measureInRounds(
            settings.runs, {copy(large), cli(large), cli(larger), cliViewer(large)});
        const Measured &copyLarge = m[0], &cliLarge = m[1], &cliLarger = m[2], &viewerLarge = m[3];
        printTime("cp of the record", copyLarge);
        printTime("CLI", cliLarge);
        printTime("CLI, larger record", cliLarger);
        printTime("CLI with viewer", viewerLarge);
        std::printf("  %-24s %8.1f MB/s\n", "CLI rate", megabytes(large.bytes) / cliLarge.seconds);
        printRatio("CLI / cp of the same file", cliLarge, copyLarge, goalCopyRatioLarge);
        printRatio("CLI larger / CLI large record", cliLarger, cliLarge, goalLargerRatio);
        printRatio("(d) CLI with viewer / cp of the same file", viewerLarge, copyLarge,
                   goalViewerRatioLarge);

        const double limit = memoryAllowanceMegabytes + megabytes(larger.rootBytes);
        std::printf("\n(b) Peak memory of the CLI process (ru_maxrss of the child)\n");
        std::printf("  %-24s %8.1f MB   limit %.1f MB (32 + root node %.3f)   %s\n",
                    "larger record", cliLarger.peakMegabytes, limit, megabytes(larger.rootBytes),
                    verdict(cliLarger.peakMegabytes <= limit));
        std::printf("  %-24s %8.1f MB\n", "large record", cliLarge.peakMegabytes);
        fs::remove_all(large.folder);
        fs::remove_all(larger.folder);
        std::fflush(stdout);
    }

    for (size_t count : settings.smallCounts) {
        const Input small =
            makeSmallInputs(work / ("small-" + std::to_string(count)), count, settings);
        std::printf("\n(c) %zu small records of %.1f-%.1f KB (%.1f MB in all) against cp -r\n",
                    count, static_cast<double>(settings.smallMinBytes) / 1024.0,
                    static_cast<double>(settings.smallMaxBytes) / 1024.0, megabytes(small.bytes));
        // The viewer's figure is taken for the first folder only (10,000 by
        // default): a second pass over the largest one would double its time.
        const bool withViewer = count == settings.smallCounts.front();
        std::vector<std::function<ProcessRun()>> cases{copy(small), cli(small)};
        if (withViewer)
            cases.push_back(cliViewer(small));
        const std::vector<Measured> m = measureInRounds(settings.runs, cases);
        printTime("cp -r of the folder", m[0]);
        printTime("CLI", m[1]);
        if (withViewer)
            printTime("CLI with viewer", m[2]);
        printRatio("CLI / cp -r (median of the rounds)", m[1], m[0], goalCopyRatioSmall);
        if (withViewer)
            printRatio("(d) CLI with viewer / cp -r", m[2], m[0], goalViewerRatioSmall);
        std::printf("  %-24s %8.1f MB peak RSS\n", "CLI", m[1].peakMegabytes);
        fs::remove_all(small.folder);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    try {
        Launcher launcher; // first, while this process is still small
        const Settings settings = parseArguments(argc, argv);
        std::printf("Tervanil conversion benchmark: MB = 2^20 bytes; times are the best of %d "
                    "rounds after one warm-up round, warm cache; each ratio is the median of the "
                    "rounds' ratios.\nCPUs online: %ld; load average at start: %s\n",
                    settings.runs, ::sysconf(_SC_NPROCESSORS_ONLN), loadAverage().c_str());
        for (const fs::path& place : settings.places) {
            const bool inMemory = place.string().starts_with("/dev/shm");
            const fs::path work = makeWorkFolder(place);
            std::printf("\n==== %s: %s\n", inMemory ? "In memory" : "On disk", work.c_str());
            std::fflush(stdout);
            try {
                benchmarkIn(launcher, settings, work, inMemory);
            } catch (...) {
                if (!settings.keep)
                    removeWorkFolder(work);
                throw;
            }
            if (!settings.keep)
                removeWorkFolder(work);
            std::fflush(stdout);
        }
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
