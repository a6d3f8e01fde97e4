#pragma once
// The scan of a folder for SGF records and the run that turns each into a page.

#include "options.h"
#include "run_events.h"
#include "text_buffer.h"

#include <filesystem>
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

/// The opening tag of the applet, its values HTML-escaped.
std::string appletTag(const ConversionOptions& options);

/// The page's file name for a source: its last three bytes become "htm".
std::string pageName(std::string_view sourceName);

/// `text` with & " < > written as HTML character references.
std::string htmlEscaped(std::string_view text);

/// The two work texts of a run.
struct WorkBuffers {
    TextBuffer record; // Memo2
    TextBuffer page;   // Memo1
};

/// Converts `sourceName` of `folder` into its page in `outputFolder`, and
/// fills `report` (when given) with what the conversion learnt on the way,
/// the game card too when `readCards`.
void WritePage(const std::filesystem::path& folder, const std::string& sourceName,
               const std::string& tag, const std::filesystem::path& outputFolder,
               const ConversionOptions& options, WorkBuffers& buffers, PageReport* report = nullptr,
               bool readCards = false);

/// Converts every source, the last first, into the applet's output folder
/// below `folder` (created when missing). The first failure ends the run with
/// its exception; pages written before it stay. `observer`, when given, hears
/// of each page once it is in place; `readCards` asks for the game card of
/// each record in the reports.
void RunConversion(const std::filesystem::path& folder, const std::vector<std::string>& sources,
                   const ConversionOptions& options, WorkBuffers& buffers,
                   RunObserver* observer = nullptr, bool readCards = false);

} // namespace tervanil
