#pragma once
// The scan of a folder for SGF records and the run that turns each into a page.

#include "options.h"
#include "page.h"
#include "page_fallback.h"
#include "run_events.h"
#include "text_buffer.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tervanil {

/// The names of the records of `folder`: regular files (links followed) whose
/// names end in ".sgf" in any case and do not begin with ".", ordered by name
/// compared case-insensitively (ASCII), then by bytes. Unreadable folder: none.
std::vector<std::string> ScanSources(const std::filesystem::path& folder);

/// "SGF Count = N".
std::string sourceCountText(size_t count);

/// The output folder's name below the source folder: "TervanilOB" or "TervanilQM".
std::string outputFolderName(Applet applet);

/// The two work texts of the front ends. Pages stream from their source file
/// to their page file, so a run leaves both empty.
struct WorkBuffers {
    TextBuffer record; // Memo2
    TextBuffer page;   // Memo1
};

/// Converts `sourceName` of `folder` into its page in `outputFolder`: the
/// record is read in chunks, reworked and escaped on its way into the page.
/// Throws EFOpenError when the source cannot be read, EFCreateError or
/// EWriteError when the page cannot be written (an existing page then stays
/// whole), EInvalidOperation when the root node is too large to hold.
PageReport WritePage(const std::filesystem::path& folder, const std::string& sourceName,
                     const std::string& tag, const std::filesystem::path& outputFolder,
                     const ConversionOptions& options, WorkBuffers& buffers,
                     PageAddOns* addOns = nullptr);

/// Converts every source, the last first, into the applet's output folder
/// below `folder` (created when missing). Pages are prepared ahead on up to
/// two threads of the run's own and put in place (renamed) on the calling
/// thread, in the run's order; `observer` hears of each then, on that thread.
/// The first failure ends the run with its exception: the pages before it are
/// in place, none after it is. Each page gets the add-ons `addOns` makes, by
/// default those of `pageAddOns(folder, options, false)`; with the viewer, the
/// run first writes tervanil-viewer.js into the output folder.
void RunConversion(const std::filesystem::path& folder, const std::vector<std::string>& sources,
                   const ConversionOptions& options, WorkBuffers& buffers,
                   RunObserver* observer = nullptr, const PageAddOnsFactory& addOns = {});

} // namespace tervanil
