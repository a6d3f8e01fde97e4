#pragma once
// What the conversion fuzzer checks of every input beyond "no crash": the
// streamed page equals the whole-buffer reference's, and the reference's
// rework and page keep what they promise, read by the tests' own SGF reader.

#include "conversion_run.h"
#include "fuzz_input.h"
#include "record_rework.h"
#include "sgf_reference.h"
#include "typed_text.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <string>
#include <string_view>

namespace fuzzing {

using namespace testing_support;
using tervanil::CodePage;
using tervanil::ConversionOptions;

[[noreturn]] inline void fail(const char* what, std::string_view detail = {}) {
    std::fprintf(stderr, "INVARIANT BROKEN: %s\n", what);
    if (!detail.empty())
        std::fprintf(stderr, "  near: %.*s\n",
                     static_cast<int>(std::min<size_t>(detail.size(), 400)), detail.data());
    std::abort();
}

inline void check(bool condition, const char* what, std::string_view detail = {}) {
    if (!condition)
        fail(what, detail);
}

// A typed text in the character set of a record read in `codePage` that names
// `charset`: its transcoding has a table of its own; here it only has to close.
inline std::string typedInRecord(const std::string& text, const ConversionOptions& o,
                                 std::string_view charset, CodePage codePage) {
    return tervanil::transcoded(text, o.typedTextCharset,
                                tervanil::recordCharset(charset, codePage))
        .bytes;
}

// The additions the options call for at a root node holding `tags`, typed
// texts in the record's character set, escaped for `codePage`.
inline std::string expectedAdditions(const std::vector<std::string>& tags,
                                     const ConversionOptions& o, std::string_view charset,
                                     CodePage codePage) {
    const auto typed = [&](const std::string& text) {
        return typedInRecord(text, o, charset, codePage);
    };
    const auto has = [&tags](std::string_view tag) {
        return std::find(tags.begin(), tags.end(), tag) != tags.end();
    };
    std::string additions;
    if (!has("GO"))
        additions += std::string("\r\nGO[") +
                     char('0' + (o.number ? 0 : 2) + (o.advancemoves ? 1 : 0)) + "]";
    const bool interactive = o.applet == tervanil::Applet::Quillamy && o.clickable;
    if (interactive && !has("CL"))
        additions += o.freeclick ? "\r\nCL[1]" : "\r\nCL[2]";
    if (interactive && o.askstyle && !has("QS"))
        additions += "\r\nQS[1]";
    if (interactive && o.nextWhite && !has("NE"))
        additions += "\r\nNE[W]";
    if ((o.startupNumber != "1" || o.startupMoves != "0") && !has("AS"))
        additions += "\r\nAS[" + escapedValue(typed(o.startupMoves), codePage) + "," +
                     escapedValue(typed(o.startupNumber), codePage) + "]";
    if (!o.startupMessage.empty())
        additions += "\r\nC[" + escapedValue(typed(o.startupMessage), codePage) + "]";
    return additions;
}

inline void checkRework(std::string_view loaded, std::string_view reworked, bool replaced,
                        const ConversionOptions& options) {
    // The root node as the rework finds it: in the options' code page, then in
    // the one the record names, if it names another. A rework needs a second
    // node behind the root node.
    CodePage codePage = options.codePage;
    std::optional<RootNode> root = rootNodeOf(loaded, codePage);
    if (root && root->charset) {
        const std::optional<CodePage> named = tervanil::codePageNamed(*root->charset);
        if (named && *named != codePage) {
            codePage = *named;
            root = rootNodeOf(loaded, codePage);
        }
    }
    const bool splits = root && root->end;
    check(replaced == splits, "the rework replaced the text exactly when it splits", loaded);
    if (!splits) {
        check(reworked == loaded, "a text without a root node stays as loaded", loaded);
        return;
    }
    check(reworked.ends_with("\r\n"), "a reworked record ends with CR LF", reworked);

    // The opening stays byte for byte and the additions follow right behind it.
    const size_t afterOpening = root->opening + 1;
    check(reworked.substr(0, afterOpening) == loaded.substr(0, afterOpening),
          "the text up to the opening \";\" is unchanged", reworked);
    const std::string charset = root->charset.value_or(std::string());
    const std::string additions = expectedAdditions(root->tags, options, charset, codePage);
    check(reworked.substr(afterOpening, additions.size()) == additions,
          "the additions stand right behind the opening", reworked.substr(afterOpening));

    // The additions are whole properties whose values are the typed texts.
    const std::optional<std::vector<std::string>> values = valuesOf(additions, codePage);
    check(values.has_value(), "every added value is closed", additions);
    if (!options.startupMessage.empty())
        check(!values->empty() && values->back() == typedInRecord(options.startupMessage, options,
                                                                  charset, codePage),
              "the added comment reads back as the typed message", additions);

    // Take the additions out, then compare without the line breaks outside
    // values: the rework adds and removes nothing else, inside values nothing.
    // The final CR LF is the record's line end, not a byte of its last value.
    std::string withoutAdditions(reworked.substr(0, afterOpening));
    withoutAdditions.append(reworked.substr(afterOpening + additions.size()));
    withoutAdditions.resize(withoutAdditions.size() - 2);
    const std::string flatReworked = withoutOutsideBreaks(withoutAdditions, afterOpening, codePage);
    const std::string flatLoaded = withoutOutsideBreaks(loaded, afterOpening, codePage);
    if (flatReworked != flatLoaded) {
        size_t at = 0;
        while (at < flatReworked.size() && at < flatLoaded.size() &&
               flatReworked[at] == flatLoaded[at])
            ++at;
        fail("the reworked record is the loaded one with line breaks outside values moved only",
             flatReworked.substr(at > 40 ? at - 40 : 0));
    }

    // The root header keeps its line breaks; every break behind it was put by
    // the reflow at a safe spot: outside values, not behind a letter.
    const size_t headerEnd = *root->end + additions.size();
    check(withoutAdditions.substr(0, *root->end) == loaded.substr(0, *root->end),
          "the root header is unchanged", reworked);
    ValueTracker tracker(codePage);
    for (size_t i = afterOpening + additions.size(); i < reworked.size(); ++i) {
        const bool settled = tracker.settled();
        if (i >= headerEnd && settled && reworked[i] == '\r' && i + 1 < reworked.size() &&
            reworked[i + 1] == '\n' && i + 4 < reworked.size())
            check(!isLetter(reworked[i - 1]), "a reflow break does not follow a letter",
                  reworked.substr(i > 20 ? i - 20 : 0, 40));
        tracker.step(static_cast<unsigned char>(reworked[i]));
    }
}

inline std::string expectedPageStart(const Input& input) {
    const ConversionOptions& o = input.options;
    return "<HTML>\r\n<HEAD>\r\n<TITLE>" + escapedHtml(input.sourceName) +
           "</TITLE>\r\n</HEAD>\r\n" + "<BODY BGCOLOR=\"#" + escapedHtml(o.backgroundColour) +
           "\">\r\n" + "<APPLET CODEBASE=\"" + escapedHtml(o.codebase) + "\" CODE=\"" +
           escapedHtml(o.appletClass) + "\"WIDTH=" + escapedHtml(o.width) +
           " HEIGHT=" + escapedHtml(o.height) + ">\r\n<PARAM NAME=\"moves\" VALUE=\"\r\n";
}

inline constexpr std::string_view pageEnd = "\r\n\">\r\n</APPLET>\r\n</BODY>\r\n</HTML>\r\n";

inline void checkPage(const std::string& page, const Input& input, std::string_view record) {
    const std::string start = expectedPageStart(input);
    check(page.starts_with(start), "the page's first seven lines follow the layout", page);
    check(page.ends_with(pageEnd), "the page's last four lines follow the layout", page);
    check(page.size() >= start.size() + pageEnd.size(), "the page holds its layout", page);
    const std::string_view line8 =
        std::string_view(page).substr(start.size(), page.size() - start.size() - pageEnd.size());
    const std::optional<std::string> decoded = decodedHtml(line8);
    check(decoded.has_value(), "the record in the page is HTML-escaped", line8);
    check(*decoded == record, "line 8, decoded, is the record buffer's text", line8);
}

// A folder for one input, in memory where the system has such a folder,
// removed with its contents when the input is done.
class WorkFolder {
  public:
    WorkFolder() {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "tervanil-fuzz-XXXXXX").native();
        check(::mkdtemp(pattern.data()) != nullptr, "the fuzzer makes its work folder");
        m_path = pattern;
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
};

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    check(file.good(), "the fuzzer writes its source file");
}

} // namespace fuzzing
