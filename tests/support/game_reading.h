#pragma once
// Helpers of the diagram tests: a record read in chunks of a given size, and a
// board written as rows of text that a test can compare at a glance.

#include "game_reader.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace testing_support {

/// `record` read by a reader in chunks of `chunk` bytes (0: all at once).
inline tervanil::GameReader
readInChunks(std::string_view record, std::size_t chunk = 0,
             tervanil::CodePage codePage = tervanil::CodePage::SingleByte) {
    tervanil::GameReader reader(codePage);
    if (chunk == 0)
        chunk = std::max<std::size_t>(record.size(), 1);
    for (std::size_t at = 0; at < record.size(); at += chunk)
        reader.feed(record.substr(at, chunk));
    reader.finish();
    return reader;
}

/// The board's rows from the top, "X" black, "O" white, "." empty, joined by "/".
inline std::string boardRows(const tervanil::GoBoard& board) {
    std::string rows;
    for (int y = 0; y < board.height(); ++y) {
        if (y > 0)
            rows += '/';
        for (int x = 0; x < board.width(); ++x) {
            const tervanil::Stone stone = board.at(x, y);
            rows += stone == tervanil::Stone::Black ? 'X'
                                                    : (stone == tervanil::Stone::White ? 'O' : '.');
        }
    }
    return rows;
}

} // namespace testing_support
