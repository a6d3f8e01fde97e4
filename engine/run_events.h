#pragma once
// What a run tells its front end about each page, in the run's order, once the
// page is in place.

#include "code_page.h"
#include "game_card.h"

#include <optional>
#include <string>

namespace tervanil {

struct PageReport {
    std::string sourceName; // as listed
    std::string pageName;   // the page's file name in the output folder
    /// No game tree was found: the page embeds the record as loaded.
    bool embeddedAsLoaded = false;
    /// The record held a NUL byte and was cut there.
    bool cutAtNul = false;
    /// The CA value of the root node, empty when there is none.
    std::string namedCharset;
    /// The record is read in a code page named by its CA that differs from the
    /// system's.
    bool readInNamedCodePage = false;
    CodePage readIn = CodePage::SingleByte;
    /// The game card, where the run was asked to read it.
    std::optional<GameCard> card;
};

class RunObserver {
  public:
    virtual ~RunObserver() = default;
    virtual void pageWritten(const PageReport& report) = 0;
};

} // namespace tervanil
