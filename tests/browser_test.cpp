// A page as a real browser reads it: headless Chromium loads a page whose
// record carries markup and character references, and the DOM it builds must
// hold exactly one applet whose "moves" parameter is the reworked record, with
// no script element and nothing a script would have changed.

#include "options.h"
#include "process.h"
#include "record_rework.h"
#include "temp_folder.h"
#include "text_buffer.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using testing_support::ProcessResult;
using testing_support::TempFolder;

std::string browserPath() {
    for (const char* candidate : {"/usr/bin/chromium", "/usr/bin/chromium-browser"})
        if (std::filesystem::exists(candidate))
            return candidate;
    return {};
}

size_t occurrences(std::string_view text, std::string_view part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// An attribute value as the DOM serialiser writes it, read back: it writes
// "&", the quote, "<", ">" and the no-break space as references.
std::string decodedAttribute(std::string_view text) {
    static const std::pair<std::string_view, std::string_view> references[] = {
        {"&amp;", "&"}, {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", "\xc2\xa0"}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        for (const auto& [reference, character] : references) {
            if (text.substr(i, reference.size()) == reference) {
                out += character;
                i += reference.size();
                replaced = true;
                break;
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

// What an HTML parser makes of line breaks before it reads anything: CR LF
// and a lone CR become LF.
std::string parsedLineBreaks(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

TEST(Browser, RecordWithMarkupStaysInsideTheMovesParameter) {
    const std::string browser = browserPath();
    if (browser.empty())
        GTEST_SKIP() << "Chromium is not installed (Debian package chromium)";

    // The comment tries to close the attribute and the applet and run two
    // scripts, one of which would leave a mark in the DOM.
    const std::string record =
        "(;GM[1]FF[4]SZ[9]C[\"><script>alert(1)</script> and &amp; and "
        "\"></PARAM></APPLET><script>document.title='ran'</script><b id=\"x\">]\r\n"
        ";B[ee]C[<img src=x onerror=\"document.title='ran'\">];W[gc])\r\n";
    TempFolder folder;
    folder.write("game.sgf", record);
    const ProcessResult conversion =
        testing_support::runProcess(TERVANIL_CLI_PATH, {"--quiet"}, folder.root());
    ASSERT_EQ(conversion.exitCode, 0) << conversion.err;

    tervanil::TextBuffer buffer;
    buffer.loadFromBytes(record, tervanil::CodePage::SingleByte);
    ASSERT_TRUE(tervanil::ReworkRecord(buffer, tervanil::ConversionOptions{}));
    const std::string reworked = buffer.text();

    TempFolder profile;
    const ProcessResult dump = testing_support::runProcess(
        "/usr/bin/timeout",
        {"120", browser, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--user-data-dir=" + profile.root().native(), "--dump-dom",
         "file://" + folder.path("TervanilOB/game.htm")},
        folder.root());
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    const std::string& dom = dump.out;

    EXPECT_EQ(occurrences(dom, "<applet"), 1u) << dom;
    EXPECT_EQ(occurrences(dom, "<param"), 1u) << dom;
    EXPECT_EQ(occurrences(dom, "<script"), 0u) << dom;
    EXPECT_EQ(occurrences(dom, "<img"), 0u) << dom;
    EXPECT_EQ(occurrences(dom, "<b "), 0u) << dom;
    EXPECT_NE(dom.find("<title>game.sgf</title>"), std::string::npos) << dom;

    const std::string_view opening = "<param name=\"moves\" value=\"";
    const size_t start = dom.find(opening);
    ASSERT_NE(start, std::string::npos) << dom;
    const size_t valueStart = start + opening.size();
    const size_t valueEnd = dom.find('"', valueStart);
    ASSERT_NE(valueEnd, std::string::npos) << dom;
    // The value runs from the line break behind line 7 to the one behind the
    // record; the parser has turned every CR LF into LF.
    EXPECT_EQ(decodedAttribute(std::string_view(dom).substr(valueStart, valueEnd - valueStart)),
              parsedLineBreaks("\r\n" + reworked + "\r\n"));
}

} // namespace
