// The streaming stages against the whole-buffer reference: the same page, byte
// for byte, whatever the chunk size, for the shared corpus, the fuzz seeds, the
// golden pages' record and generated texts full of the bytes the stages react to.

#include "corpus.h"
#include "example_options.h"
#include "fuzz_input.h"
#include "reference_conversion.h"
#include "streamed_page.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using tervanil::CodePage;
using tervanil::ConversionOptions;

constexpr size_t chunkSizes[] = {1, 2, 3, 7, 64 * 1024};

std::string fileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// The first byte where two pages part, with a little of each around it.
std::string firstDifference(const std::string& streamed, const std::string& reference) {
    size_t at = 0;
    while (at < streamed.size() && at < reference.size() && streamed[at] == reference[at])
        ++at;
    const size_t from = at > 30 ? at - 30 : 0;
    return "at byte " + std::to_string(at) +
           "\n  streamed:  " + testing::PrintToString(streamed.substr(from, 60)) +
           "\n  reference: " + testing::PrintToString(reference.substr(from, 60));
}

void expectSamePage(std::string_view sourceName, std::string_view bytes,
                    const ConversionOptions& options, bool alsoOnSecondThread = true) {
    const std::string reference = reference::page(sourceName, bytes, options);
    for (size_t chunkSize : chunkSizes) {
        // The second thread is tried with a small chunk, where most chunks
        // cross between the threads, and with a large one.
        for (bool secondThread : {false, true}) {
            if (secondThread && (!alsoOnSecondThread || (chunkSize != 7 && chunkSize != 64 * 1024)))
                continue;
            const std::string streamed =
                testing_support::streamedPage(sourceName, bytes, options, chunkSize, secondThread);
            if (streamed != reference) {
                ADD_FAILURE() << "chunks of " << chunkSize << " bytes"
                              << (secondThread ? ", second thread, " : ", ")
                              << firstDifference(streamed, reference);
                return;
            }
        }
    }
}

std::vector<ConversionOptions> optionSets() {
    ConversionOptions shiftJis;
    shiftJis.codePage = CodePage::ShiftJis;
    shiftJis.startupMessage = "\x83\x5C]"; // a character whose second byte is "\"
    return {ConversionOptions{}, testing_support::secondAppletExampleOptions(), shiftJis};
}

TEST(StreamedPage, CorpusMatchesTheReference) {
    SKIP_WITHOUT_CORPUS();
    size_t records = 0;
    for (const fs::path& path : testing_support::corpusRecords()) {
        const auto& entry = std::filesystem::directory_entry(path);
        ++records;
        SCOPED_TRACE(entry.path().native());
        const std::string bytes = fileBytes(entry.path());
        for (const ConversionOptions& options : optionSets())
            expectSamePage(entry.path().filename().native(), bytes, options);
    }
    EXPECT_GT(records, 0u);
}

TEST(StreamedPage, FuzzSeedsMatchTheReference) {
    size_t seeds = 0;
    for (const auto& entry : fs::directory_iterator(TERVANIL_FUZZ_SEEDS_DIR)) {
        ++seeds;
        SCOPED_TRACE(entry.path().native());
        const std::string data = fileBytes(entry.path());
        const testing_support::Input input = testing_support::decodeInput(data);
        expectSamePage(input.sourceName, input.record, input.options);
    }
    EXPECT_GT(seeds, 5u);
}

TEST(StreamedPage, GoldenRecordMatchesTheReference) {
    const std::string bytes = fileBytes(std::string(TERVANIL_FIXTURES_DIR) + "/page/game1.sgf");
    ASSERT_FALSE(bytes.empty());
    for (const ConversionOptions& options : optionSets())
        expectSamePage("game1.sgf", bytes, options);
}

// Texts drawn mostly from the bytes that steer the stages: nodes, brackets,
// escapes, parentheses, line breaks of every kind, letters, Shift-JIS lead
// bytes, NUL, and now and then a run of six-byte moves.
std::string generatedText(std::mt19937& random) {
    static const std::string_view pieces[] = {";",
                                              ";",
                                              ";",
                                              "[",
                                              "]",
                                              "\\",
                                              "(",
                                              ")",
                                              "(;",
                                              "\r\n",
                                              "\n",
                                              "\r",
                                              "B",
                                              "W",
                                              "a",
                                              "ab",
                                              "abc",
                                              " ",
                                              "\x81",
                                              "\x83\x5C",
                                              "\xE0",
                                              "C[",
                                              "CA[Shift_JIS]",
                                              "CA[UTF-8]",
                                              "GO[",
                                              ";B[aa]",
                                              ";W[bb]",
                                              ";B[cc];W[dd];B[ee];W[ff]",
                                              "&",
                                              "<",
                                              "\"",
                                              std::string_view("\0", 1)};
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 300);
    std::string text = random() % 3 == 0 ? "" : "(;GM[1]";
    for (int n = length(random); n > 0; --n)
        text += pieces[pick(random)];
    if (random() % 2 == 0)
        text += ")";
    return text;
}

TEST(StreamedPage, GeneratedTextsMatchTheReference) {
    std::mt19937 random(20240517);
    const std::vector<ConversionOptions> options = optionSets();
    for (int round = 0; round < 20000; ++round) {
        const std::string text = generatedText(random);
        SCOPED_TRACE(testing::PrintToString(text));
        expectSamePage("g.sgf", text, options[round % options.size()], round % 20 == 0);
        if (HasFailure())
            return; // one text shows the fault; thousands more would bury it
    }
}

} // namespace
