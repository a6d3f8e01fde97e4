#include "conversion_run.h"

#include "exceptions.h"
#include "file_access.h"
#include "record_pipeline.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <dirent.h>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
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

constexpr size_t readChunk = 256 * 1024;

// Passes the page's bytes to its file.
class FileSink : public ByteSink {
  public:
    explicit FileSink(AtomicFileWriter& file) : m_file(file) {}
    void feed(std::string_view bytes) override { m_file.write(bytes); }
    void finish() override {}

  private:
    AtomicFileWriter& m_file;
};

// Swallows a stream: the end of the pass that shows add-ons a record before
// its page is written.
class NoSink : public ByteSink {
  public:
    void feed(std::string_view) override {}
    void finish() override {}
};

RegularFileReader openSource(const std::string& sourcePath, const std::string& sourceName) {
    RegularFileReader source(sourcePath);
    if (!source.isOpen())
        throw EFOpenError(sourceName);
    return source;
}

// Feeds the source file into `pipeline` in chunks, up to its end or until the
// pipeline wants no more.
template <class Pipeline>
void readInto(RegularFileReader& source, const std::string& sourceName, Pipeline& pipeline) {
    // Small records get a small buffer: one of the full size for each of many
    // small files would cost a fresh mapping each.
    const size_t chunkSize = std::min(readChunk, source.sizeAtOpen() + 1);
    const std::unique_ptr<char[]> chunk(new char[chunkSize]);
    while (pipeline.wantsMore()) {
        const std::optional<size_t> got = source.read(chunk.get(), chunkSize);
        if (!got)
            throw EFOpenError(sourceName);
        if (*got == 0)
            break;
        pipeline.feed(std::string_view(chunk.get(), *got));
    }
    pipeline.finish();
}

// A page written to its temporary file, waiting to be put in place.
struct PreparedPage {
    AtomicFileWriter file;
    PageReport report;
};

PreparedPage preparePage(const std::filesystem::path& folder, const std::string& sourceName,
                         const std::string& tag, const std::filesystem::path& outputFolder,
                         const ConversionOptions& options, PageAddOns* addOns) {
    const std::string sourcePath = joined(folder, sourceName);
    try {
        const bool showRecordFirst = addOns && addOns->headNeedsRecord();
        if (showRecordFirst) {
            NoSink nowhere;
            AddOnsTap tap(*addOns, nowhere);
            RecordPipeline record(options, tap);
            record.rework().onSettled(
                [addOns](const RecordFacts& facts) { addOns->recordStarts(facts.readIn); });
            RegularFileReader source = openSource(sourcePath, sourceName);
            readInto(source, sourceName, record);
        }
        PageReport report;
        report.sourceName = sourceName;
        report.pageName = pageName(sourceName);
        const std::string shownName =
            "./" + outputFolder.filename().native() + "/" + report.pageName;
        // The source is opened first: one that cannot be read fails as such,
        // whatever the output folder is like.
        RegularFileReader source = openSource(sourcePath, sourceName);
        AtomicFileWriter file(joined(outputFolder, report.pageName), shownName);
        FileSink out(file);
        PagePipeline page(sourceName, options, tag, addOns, out, !showRecordFirst);
        readInto(source, sourceName, page);
        file.finishWriting();
        const RecordFacts& facts = page.facts();
        report.embeddedAsLoaded = !facts.reworked;
        report.cutAtNul = page.cutAtNul();
        report.namedCharset = facts.namedCharset;
        report.readInNamedCodePage = facts.readInNamedCodePage;
        report.readIn = facts.readIn;
        return {std::move(file), std::move(report)};
    } catch (const std::bad_alloc&) {
        throw EInvalidOperation();
    } catch (const std::length_error&) {
        throw EInvalidOperation();
    }
}

// Prepares the pages of a run on a thread of its own, in the run's order and
// a few ahead of their commits; stops at its first failure.
class PagePreparer {
  public:
    PagePreparer(const std::filesystem::path& folder, const std::vector<std::string>& sources,
                 const std::string& tag, const std::filesystem::path& outputFolder,
                 const ConversionOptions& options, const PageAddOnsFactory& addOns)
        : m_folder(folder), m_sources(sources), m_tag(tag), m_outputFolder(outputFolder),
          m_options(options), m_addOns(addOns), m_thread([this] { work(); }) {}

    /// Stops the work; pages prepared and not taken are removed with their
    /// temporary files.
    ~PagePreparer() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    PagePreparer(const PagePreparer&) = delete;
    PagePreparer& operator=(const PagePreparer&) = delete;

    /// The next page in the run's order; rethrows the failure that stopped
    /// the preparing at it.
    PreparedPage next() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_failure; });
        if (m_ready.empty())
            std::rethrow_exception(m_failure);
        PreparedPage page = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return page;
    }

  private:
    static constexpr size_t pagesAhead = 8;

    void work() {
        for (size_t remaining = m_sources.size(); remaining > 0; --remaining) {
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return m_stopping || m_ready.size() < pagesAhead; });
                if (m_stopping)
                    return;
            }
            try {
                const std::string& sourceName = m_sources[remaining - 1];
                const std::unique_ptr<PageAddOns> addOns =
                    m_addOns ? m_addOns(sourceName) : nullptr;
                PreparedPage page = preparePage(m_folder, sourceName, m_tag, m_outputFolder,
                                                m_options, addOns.get());
                std::lock_guard lock(m_mutex);
                m_ready.push_back(std::move(page));
            } catch (...) {
                std::lock_guard lock(m_mutex);
                m_failure = std::current_exception();
            }
            m_changed.notify_all();
            if (m_failure)
                return;
        }
    }

    const std::filesystem::path& m_folder;
    const std::vector<std::string>& m_sources;
    const std::string& m_tag;
    const std::filesystem::path& m_outputFolder;
    const ConversionOptions& m_options;
    const PageAddOnsFactory& m_addOns;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<PreparedPage> m_ready;
    std::exception_ptr m_failure;
    bool m_stopping = false;
    std::thread m_thread; // last: starts once the rest is in place
};

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

PageReport WritePage(const std::filesystem::path& folder, const std::string& sourceName,
                     const std::string& tag, const std::filesystem::path& outputFolder,
                     const ConversionOptions& options, WorkBuffers& buffers, PageAddOns* addOns) {
    // No text of a page that failed may reach a later one.
    buffers.record.clear();
    buffers.page.clear();
    PreparedPage page = preparePage(folder, sourceName, tag, outputFolder, options, addOns);
    page.file.commit();
    return std::move(page.report);
}

void RunConversion(const std::filesystem::path& folder, const std::vector<std::string>& sources,
                   const ConversionOptions& options, WorkBuffers& buffers, RunObserver* observer,
                   const PageAddOnsFactory& addOns) {
    buffers.record.clear();
    buffers.page.clear();
    const std::string tag = appletTag(options);
    const std::filesystem::path outputFolder = folder / outputFolderName(options.applet);
    // An existing folder is used as it is; one that cannot be made shows as
    // the first page's failure to save.
    ::mkdir(outputFolder.c_str(), 0777);
    if (sources.empty())
        return;
    PagePreparer preparer(folder, sources, tag, outputFolder, options, addOns);
    for (size_t committed = 0; committed < sources.size(); ++committed) {
        PreparedPage page = preparer.next();
        page.file.commit();
        if (observer)
            observer->pageWritten(page.report);
    }
}

} // namespace tervanil
