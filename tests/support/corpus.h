#pragma once
// The shared corpus of real records, read in place beside the checkout. A
// clone on its own has none: the tests over it then skip, and CI requires it.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace testing_support {

inline bool corpusPresent() {
    return std::filesystem::is_directory(TERVANIL_CORPUS_DIR);
}

/// The corpus's records in name order; none when it is absent.
inline std::vector<std::filesystem::path> corpusRecords() {
    std::vector<std::filesystem::path> records;
    if (!corpusPresent())
        return records;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(TERVANIL_CORPUS_DIR))
        if (entry.is_regular_file() && entry.path().extension() == ".sgf")
            records.push_back(entry.path());
    std::sort(records.begin(), records.end());
    return records;
}

inline std::string fileContents(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace testing_support

/// Skips the test where the shared corpus is absent.
#define SKIP_WITHOUT_CORPUS()                                                                      \
    if (!testing_support::corpusPresent())                                                         \
    GTEST_SKIP() << "the shared corpus is absent: " << TERVANIL_CORPUS_DIR
