#pragma once
// What a page offers the browsers that run no applet, as add-ons of a run: the
// head lines that name the page's charset, the diagram block behind the PARAM,
// and the game card that the run's index shows.

#include "game_reader.h"
#include "options.h"
#include "page.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tervanil {

/// Makes the add-ons of one page, or none; called once for each source, on a
/// thread that prepares pages: two may call it at once, and not in the run's
/// order.
using PageAddOnsFactory = std::function<std::unique_ptr<PageAddOns>(const std::string& sourceName)>;

/// The add-ons of one page: the fallback that `options` ask for, and the game
/// card in the page's report when `readCard`.
class FallbackAddOns : public PageAddOns {
  public:
    FallbackAddOns(std::string sourcePath, std::string sourceName, Fallback fallback,
                   bool readCard);

    void recordStarts(CodePage readIn, std::string_view namedCharset) override;
    void recordBytes(std::string_view bytes) override;
    void recordEnds() override;
    std::string headLines() override;
    std::string blockBeforeAppletEnd() override;
    void completeReport(PageReport& report) override;

  private:
    std::string m_sourcePath;
    std::string m_sourceName;
    Fallback m_fallback;
    bool m_readCard;
    CodePage m_readIn = CodePage::SingleByte;
    bool m_namesUtf8 = false;
    std::optional<GameReader> m_reader;
};

/// The add-ons a run in `folder` with `options` needs: none when the pages get
/// no fallback and no card is asked for.
PageAddOnsFactory pageAddOns(const std::filesystem::path& folder, const ConversionOptions& options,
                             bool readCards);

/// Whether the source file's bytes, up to its first NUL, are UTF-8. A file
/// that cannot be read counts as not UTF-8: its run fails at it anyway.
bool sourceIsUtf8(const std::string& sourcePath);

} // namespace tervanil
