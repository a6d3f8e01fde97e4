#pragma once
// How a fuzz input is read: the bytes before the last NUL are the record
// (earlier NULs included, so that the load's cut at the first NUL is
// exercised); the bytes behind it are the options: one byte of flags, then
// texts separated by 0x01 in the order of `optionTexts` below. Without a NUL
// the whole input is the record and the options keep their defaults, so plain
// SGF files serve as seeds. Shared by the fuzz target and the tests that
// replay its seeds.

#include "options.h"

#include <string>
#include <string_view>

namespace testing_support {

struct Input {
    std::string_view record;
    tervanil::ConversionOptions options;
    std::string sourceName = "game"; // ".sgf" is appended
};

inline Input decodeInput(std::string_view data) {
    Input input;
    const size_t nul = data.rfind('\0');
    if (nul == std::string_view::npos) {
        input.record = data;
        input.sourceName += ".sgf";
        return input;
    }
    input.record = data.substr(0, nul);
    std::string_view tail = data.substr(nul + 1);
    tervanil::ConversionOptions& o = input.options;
    if (!tail.empty()) {
        const unsigned flags = static_cast<unsigned char>(tail.front());
        tail.remove_prefix(1);
        o.codePage = (flags & 1) ? tervanil::CodePage::ShiftJis : tervanil::CodePage::SingleByte;
        o.applet = (flags & 2) ? tervanil::Applet::Quillamy : tervanil::Applet::Orbanel;
        o.clickable = flags & 4;
        o.freeclick = flags & 8;
        o.nextWhite = flags & 16;
        o.askstyle = flags & 32;
        o.advancemoves = flags & 64;
        o.number = !(flags & 128);
    }
    std::string* const optionTexts[] = {&o.startupMessage,   &o.startupMoves, &o.startupNumber,
                                        &o.backgroundColour, &o.width,        &o.height,
                                        &o.codebase,         &o.appletClass,  &input.sourceName};
    for (std::string* text : optionTexts) {
        if (tail.empty())
            break;
        const size_t separator = tail.find('\x01');
        *text = std::string(tail.substr(0, separator));
        tail =
            separator == std::string_view::npos ? std::string_view() : tail.substr(separator + 1);
    }
    // The source name is a file name: no "/", and room for ".sgf" within 255 bytes.
    if (input.sourceName.empty() || input.sourceName.size() > 200 ||
        input.sourceName.find('/') != std::string::npos || input.sourceName == "." ||
        input.sourceName == "..")
        input.sourceName = "game";
    input.sourceName += ".sgf";
    return input;
}

} // namespace testing_support
