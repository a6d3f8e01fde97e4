#include "run_index.h"

#include "conversion_run.h"
#include "diagram.h"
#include "file_access.h"
#include "typed_text.h"

namespace tervanil {
namespace {

void addCell(std::string& page, std::string_view text, std::string_view charset) {
    page += "<TD>";
    page += htmlEscaped(transcoded(text, charset, "UTF-8").bytes);
    page += "</TD>";
}

// "name rank", or whichever of the two is given.
std::string withRank(const std::string& name, const std::string& rank) {
    if (name.empty() || rank.empty())
        return name + rank;
    return name + " " + rank;
}

} // namespace

std::string indexPage(const std::vector<PageReport>& pages) {
    std::string page = "<!DOCTYPE html>\r\n<HTML>\r\n<HEAD>\r\n<META charset=\"UTF-8\">\r\n"
                       "<TITLE>Index</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<TABLE>\r\n"
                       "<TR><TH>Page</TH><TH>Black</TH><TH>White</TH><TH>Result</TH>"
                       "<TH>Date</TH><TH>Event</TH><TH>Moves</TH></TR>\r\n";
    for (const PageReport& report : pages) {
        page += "<TR><TD><A HREF=\"";
        page += percentEncoded(report.pageName);
        page += "\">";
        page += htmlEscaped(transcoded(report.sourceName, systemCharset(), "UTF-8").bytes);
        page += "</A></TD>";
        const std::string charset = recordCharset(report.namedCharset, report.readIn);
        const GameCard card = report.card.value_or(GameCard());
        addCell(page, withRank(card.black, card.blackRank), charset);
        addCell(page, withRank(card.white, card.whiteRank), charset);
        addCell(page, card.result, charset);
        addCell(page, card.date, charset);
        addCell(page, card.event, charset);
        page += "<TD>";
        if (report.card)
            page += std::to_string(card.moves);
        page += "</TD></TR>\r\n";
    }
    page += "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";
    return page;
}

void writeIndexPage(const std::filesystem::path& outputFolder,
                    const std::vector<PageReport>& pages) {
    const std::string shownName = "./" + outputFolder.filename().native() + "/" + indexPageName;
    AtomicFileWriter file((outputFolder / indexPageName).native(), shownName);
    file.write(indexPage(pages));
    file.commit();
}

} // namespace tervanil
