#pragma once
// The index of a run: one UTF-8 page that lists the run's pages with what
// their records say about the game, beside the pages in the output folder.

#include "run_events.h"

#include <filesystem>
#include <string>
#include <vector>

namespace tervanil {

/// The index's file name in the output folder.
inline constexpr const char* indexPageName = "index.htm";

/// The index page of `pages`, in the order given: a table of the link to each
/// page, black, white, result, date, event and the number of moves. Each text
/// is taken from its record's character set into UTF-8 and HTML-escaped; file
/// names are taken from the system's. A page without a card has empty cells.
std::string indexPage(const std::vector<PageReport>& pages);

/// Writes `indexPage(pages)` to index.htm in `outputFolder`, replacing it
/// atomically. Throws EFCreateError or EWriteError as a page's save does.
void writeIndexPage(const std::filesystem::path& outputFolder,
                    const std::vector<PageReport>& pages);

} // namespace tervanil
