#include "conversion_run.h"

#include "card_reader.h"
#include "record_rework.h"
#include "typed_text.h"

#include <algorithm>
#include <array>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tervanil {
namespace {

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool hasSgfExtension(std::string_view name) {
    if (name.size() < 4)
        return false;
    std::string_view extension = name.substr(name.size() - 4);
    return extension[0] == '.' && asciiLower(extension[1]) == 's' &&
           asciiLower(extension[2]) == 'g' && asciiLower(extension[3]) == 'f';
}

// Name order as a case-insensitive file system lists names: ASCII letters
// folded, ties broken by the bytes themselves.
bool listedBefore(const std::string& a, const std::string& b) {
    const auto folded = [](char x, char y) {
        return static_cast<unsigned char>(asciiLower(x)) <
               static_cast<unsigned char>(asciiLower(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), folded))
        return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), folded))
        return false;
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    });
}

// Links are followed: a link to a regular file counts, a broken one does not.
bool isRegularFile(DIR* folder, const dirent& entry) {
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat status {};
    return ::fstatat(::dirfd(folder), entry.d_name, &status, 0) == 0 && S_ISREG(status.st_mode);
}

std::string joined(const std::filesystem::path& folder, std::string_view name) {
    std::string path = folder.native();
    if (!path.empty() && path.back() != '/')
        path += '/';
    path.append(name);
    return path;
}

// Finds the bytes that HTML needs escaped (& " < >) in order. Each of the four
// is looked for with memchr, the fastest scan the library has, and looked for
// again only once passed, so the text is read four times over at most.
class HtmlSpecialFinder {
  public:
    explicit HtmlSpecialFinder(std::string_view text) : m_text(text) {
        for (size_t k = 0; k < specials.size(); ++k)
            m_next[k] = find(k, 0);
    }

    /// The position of the first special byte at or after `from`, or the size.
    size_t next(size_t from) {
        size_t first = m_text.size();
        for (size_t k = 0; k < specials.size(); ++k) {
            if (m_next[k] < from)
                m_next[k] = find(k, from);
            first = std::min(first, m_next[k]);
        }
        return first;
    }

  private:
    size_t find(size_t special, size_t from) const {
        const size_t found = m_text.find(specials[special], from);
        return found == std::string_view::npos ? m_text.size() : found;
    }

    static constexpr std::array<char, 4> specials{'&', '"', '<', '>'};
    std::string_view m_text;
    std::array<size_t, 4> m_next;
};

const char* htmlReference(char special) {
    switch (special) {
    case '&':
        return "&amp;";
    case '"':
        return "&quot;";
    case '<':
        return "&lt;";
    default:
        return "&gt;";
    }
}

// Hands `text` HTML-escaped to `emit`, in runs between the escaped bytes, so
// that a record without any goes out in one piece and is never copied.
template <class Emit> void forEachHtmlEscapedPiece(std::string_view text, Emit&& emit) {
    HtmlSpecialFinder specials(text);
    size_t runStart = 0;
    for (size_t i = specials.next(0); i < text.size(); i = specials.next(i + 1)) {
        emit(text.substr(runStart, i - runStart));
        emit(std::string_view(htmlReference(text[i])));
        runStart = i + 1;
    }
    emit(text.substr(runStart));
}

} // namespace

std::vector<std::string> ScanSources(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr)
        return names;
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name.front() == '.' || !hasSgfExtension(name) || !isRegularFile(directory, *entry))
            continue;
        names.emplace_back(name);
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end(), listedBefore);
    return names;
}

std::string sourceCountText(size_t count) {
    return "SGF Count = " + std::to_string(count);
}

std::string outputFolderName(Applet applet) {
    return applet == Applet::Orbanel ? "TervanilOB" : "TervanilQM";
}

std::string htmlEscaped(std::string_view text) {
    std::string out;
    forEachHtmlEscapedPiece(text, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

std::string appletTag(const ConversionOptions& options) {
    return "<APPLET CODEBASE=\"" + htmlEscaped(options.codebase) + "\" CODE=\"" +
           htmlEscaped(options.appletClass) + "\"WIDTH=" + htmlEscaped(options.width) +
           " HEIGHT=" + htmlEscaped(options.height) + ">";
}

std::string pageName(std::string_view sourceName) {
    return std::string(sourceName.substr(0, sourceName.size() - 3)) + "htm";
}

void WritePage(const std::filesystem::path& folder, const std::string& sourceName,
               const std::string& tag, const std::filesystem::path& outputFolder,
               const ConversionOptions& options, WorkBuffers& buffers, PageReport* report,
               bool readCards) {
    buffers.record.loadFromFile(joined(folder, sourceName), sourceName, options.codePage);
    if (report != nullptr && readCards)
        report->card = readGameCard(buffers.record.text(), options.codePage);
    RecordReading reading;
    const bool reworked = ReworkRecord(buffers.record, options, &reading);

    // The page goes out as it is assembled: its lines around the record from
    // the page buffer, the record itself escaped straight from the record
    // buffer, so that a large record is never held twice.
    const std::string name = pageName(sourceName);
    const std::string shownName = "./" + outputFolder.filename().native() + "/" + name;
    TextBuffer& page = buffers.page;
    page.clear(); // no line of a page that failed to save may reach this one
    page.addLine("<HTML>");
    page.addLine("<HEAD>");
    page.addLine("<TITLE>" + htmlEscaped(sourceName) + "</TITLE>");
    page.addLine("</HEAD>");
    page.addLine("<BODY BGCOLOR=\"#" + htmlEscaped(options.backgroundColour) + "\">");
    page.addLine(tag);
    page.addLine("<PARAM NAME=\"moves\" VALUE=\"");
    AtomicFileWriter file(joined(outputFolder, name), shownName);
    file.write(page.text());
    forEachHtmlEscapedPiece(buffers.record.text(),
                            [&file](std::string_view piece) { file.write(piece); });
    // The record is one line of the page: CR LF follows it, whether or not it
    // ends with one itself.
    file.write("\r\n");
    page.clear();
    page.addLine("\">");
    page.addLine("</APPLET>");
    page.addLine("</BODY>");
    page.addLine("</HTML>");
    file.write(page.text());
    file.commit();
    page.clear();
    if (report != nullptr) {
        report->sourceName = sourceName;
        report->pageName = name;
        report->embeddedAsLoaded = !reworked;
        report->cutAtNul = buffers.record.cutAtNul();
        report->readInNamedCodePage = namesOtherThanSystemCharset(reading.namedCharset);
        report->namedCharset = std::move(reading.namedCharset);
        report->readIn = reading.readIn;
    }
}

void RunConversion(const std::filesystem::path& folder, const std::vector<std::string>& sources,
                   const ConversionOptions& options, WorkBuffers& buffers, RunObserver* observer,
                   bool readCards) {
    const std::string tag = appletTag(options);
    const std::filesystem::path outputFolder = folder / outputFolderName(options.applet);
    // An existing folder is used as it is; one that cannot be made shows as
    // the first page's failure to save.
    ::mkdir(outputFolder.c_str(), 0777);
    PageReport report;
    for (size_t remaining = sources.size(); remaining > 0; --remaining) {
        report = PageReport();
        WritePage(folder, sources[remaining - 1], tag, outputFolder, options, buffers,
                  observer != nullptr ? &report : nullptr, readCards);
        if (observer != nullptr)
            observer->pageWritten(report);
    }
}

} // namespace tervanil
