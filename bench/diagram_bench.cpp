// Prints what the diagram fallback costs a run: (a) reading many small records
// and writing their blocks, per page and against the bytes read; (b) streaming
// a large record with a huge move comment through the reader and the UTF-8
// check, in MB/s, with the peak memory before and after, which shows that
// memory does not grow with the record. Informational: it always exits 0.

#include "diagram.h"
#include "game_reader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/resource.h>
#include <time.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace tervanil;

constexpr double mebibyte = 1024.0 * 1024.0;

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of this thread: on a busy machine steadier than the wall clock.
double cpuSeconds() {
    timespec time{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

// A game of `moves` moves on 19x19 with a card and a comment now and then.
std::string smallRecord(int moves, std::mt19937& random) {
    std::uniform_int_distribution<int> coordinate(0, 18);
    std::uniform_int_distribution<int> commentChance(0, 19);
    std::string text = "(;GM[1]FF[4]SZ[19]KM[6.5]EV[Club <league> & cup]\r\n"
                       "PB[Kuroda Akira]BR[5d]PW[Shiroyama Ken]WR[5d]DT[2024-05-17]RE[B+R]\r\n"
                       "C[A synthetic record: \"quotes\", a \\] bracket\r\nand two lines.]\r\n";
    for (int move = 0; move < moves; ++move) {
        text += move % 2 == 0 ? ";B[" : ";W[";
        text += static_cast<char>('a' + coordinate(random));
        text += static_cast<char>('a' + coordinate(random));
        text += ']';
        if (commentChance(random) == 0)
            text += "C[A comment on this move, with <markup> & an escaped \\] bracket.]";
        if (move % 10 == 9)
            text += "\r\n";
    }
    return text + ")\r\n";
}

} // namespace

int main(int argc, char** argv) {
    std::size_t smallCount = 10000, largeMegabytes = 100;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--small-count") == 0)
            smallCount = std::strtoul(argv[i + 1], nullptr, 10);
        else if (std::strcmp(argv[i], "--large-mb") == 0)
            largeMegabytes = std::strtoul(argv[i + 1], nullptr, 10);
    }

    // (a) Many small records.
    std::mt19937 random(17);
    std::uniform_int_distribution<int> moveCount(80, 300);
    std::vector<std::string> records;
    std::size_t recordBytes = 0;
    for (std::size_t i = 0; i < smallCount; ++i) {
        records.push_back(smallRecord(moveCount(random), random));
        recordBytes += records.back().size();
    }
    std::size_t blockBytes = 0;
    const auto smallStart = Clock::now();
    const double smallCpuStart = cpuSeconds();
    for (const std::string& record : records) {
        GameReader reader(CodePage::SingleByte);
        Utf8Validator utf8;
        reader.feed(record);
        utf8.feed(record);
        reader.finish();
        blockBytes += fallbackHeadLines(CodePage::SingleByte, false, utf8.valid()).size();
        blockBytes += fallbackBlock(reader, "game.sgf", Fallback::Diagram).size();
    }
    const double smallSeconds = secondsSince(smallStart);
    const double smallCpu = cpuSeconds() - smallCpuStart;
    std::printf("small records: %zu, %.1f MB read\n", smallCount, recordBytes / mebibyte);
    std::printf("  read + block: %.3f s in all (%.3f s CPU), %.1f us CPU a page, %.0f MB/s "
                "of records by CPU time\n",
                smallSeconds, smallCpu, smallCpu * 1e6 / static_cast<double>(smallCount),
                recordBytes / mebibyte / smallCpu);
    std::printf("  block and head lines: %.0f bytes a page on average\n",
                static_cast<double>(blockBytes) / static_cast<double>(smallCount));

    // (b) One large record, streamed in 64 KiB chunks and never held whole: a
    // short game whose third move carries a comment of `largeMegabytes` MB.
    records.clear();
    records.shrink_to_fit();
    const double peakBefore = peakMegabytes();
    const std::string chunk(64 * 1024, 'c');
    const std::size_t chunks = largeMegabytes * 16;
    GameReader reader(CodePage::SingleByte);
    Utf8Validator utf8;
    double readerSeconds = 0, utf8Seconds = 0;
    auto feedBoth = [&](std::string_view bytes) {
        double start = cpuSeconds();
        reader.feed(bytes);
        readerSeconds += cpuSeconds() - start;
        start = cpuSeconds();
        utf8.feed(bytes);
        utf8Seconds += cpuSeconds() - start;
    };
    feedBoth("(;SZ[19]PB[Kuroda]C[root];B[pd];W[dp];B[pp]C[");
    for (std::size_t i = 0; i < chunks; ++i)
        feedBoth(chunk);
    feedBoth("];W[dd])\r\n");
    reader.finish();
    const double megabytes = static_cast<double>(chunks * chunk.size()) / mebibyte;
    std::printf("large record: %.0f MB move comment, read in 64 KiB chunks\n", megabytes);
    std::printf("  by CPU time: reader %.0f MB/s, UTF-8 check %.0f MB/s\n",
                megabytes / readerSeconds, megabytes / utf8Seconds);
    std::printf("  peak memory: %.1f MB before, %.1f MB after (moves read: %zu)\n", peakBefore,
                peakMegabytes(), reader.card().moves);

    // The same under Shift-JIS, where every byte of the comment is looked at
    // for a lead byte.
    std::string sjisChunk;
    while (sjisChunk.size() + 7 <= 64 * 1024)
        sjisChunk += "\x93\xFA\x96\x7B\x8C\xEA ";
    GameReader sjisReader(CodePage::ShiftJis);
    double sjisSeconds = 0;
    sjisReader.feed("(;SZ[19];B[pd]C[");
    for (std::size_t i = 0; i < chunks; ++i) {
        const double start = cpuSeconds();
        sjisReader.feed(sjisChunk);
        sjisSeconds += cpuSeconds() - start;
    }
    sjisReader.feed("];W[dd])");
    sjisReader.finish();
    std::printf("  by CPU time under Shift-JIS: reader %.0f MB/s (moves read: %zu)\n",
                static_cast<double>(chunks * sjisChunk.size()) / mebibyte / sjisSeconds,
                sjisReader.card().moves);
    return 0;
}
