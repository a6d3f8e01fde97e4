#include "conversion_run.h"

#include "exceptions.h"
#include "file_access.h"
#include "record_pipeline.h"
#include "typed_text.h"
#include "viewer_script.h"

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
// A record this large is worth a thread of its own for the second half of its
// stages; a smaller one is done before the thread would have started.
constexpr size_t secondThreadFrom = 4 * 1024 * 1024;

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
        throw EFOpenError(sourceName, source.error());
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
            throw EFOpenError(sourceName, source.error());
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
            record.rework().onSettled([addOns](const RecordFacts& facts) {
                addOns->recordStarts(facts.readIn, facts.namedCharset);
            });
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
        PagePipeline page(sourceName, options, tag, addOns, out, !showRecordFirst,
                          source.sizeAtOpen() >= secondThreadFrom);
        readInto(source, sourceName, page);
        file.finishWriting();
        const RecordFacts& facts = page.facts();
        report.embeddedAsLoaded = !facts.reworked;
        report.cutAtNul = page.cutAtNul();
        report.namedCharset = facts.namedCharset;
        report.readInNamedCodePage = namesOtherThanSystemCharset(facts.namedCharset);
        report.readIn = facts.readIn;
        if (addOns)
            addOns->completeReport(report);
        return {std::move(file), std::move(report)};
    } catch (const std::bad_alloc&) {
        throw EInvalidOperation();
    } catch (const std::length_error&) {
        throw EInvalidOperation();
    }
}

// Prepares the pages of a run ahead of their commits, on up to two threads of
// its own: each takes the next source in the run's order, and the pages are
// handed out in that order. After the first failure no further source is
// taken; the pages before it are still finished.
class PagePreparer {
  public:
    PagePreparer(const std::filesystem::path& folder, const std::vector<std::string>& sources,
                 const std::string& tag, const std::filesystem::path& outputFolder,
                 const ConversionOptions& options, const PageAddOnsFactory& addOns)
        : m_folder(folder), m_sources(sources), m_tag(tag), m_outputFolder(outputFolder),
          m_options(options), m_addOns(addOns) {
        const size_t cores = std::clamp(std::thread::hardware_concurrency(), 1u, 2u);
        for (size_t i = 0; i < std::min(cores, sources.size()); ++i)
            m_threads.emplace_back([this] { work(); });
    }

    /// Stops the work; pages prepared and not taken are removed with their
    /// temporary files.
    ~PagePreparer() {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_roomFree.notify_all();
        for (std::thread& thread : m_threads)
            thread.join();
    }
    PagePreparer(const PagePreparer&) = delete;
    PagePreparer& operator=(const PagePreparer&) = delete;

    struct Slot {
        std::optional<PreparedPage> page;
        std::exception_ptr failure;
        bool done = false;
    };

    /// The next pages in the run's order, as many as are ready, one at least;
    /// a page whose source failed comes last, with its failure.
    std::vector<Slot> nextPages() {
        std::vector<Slot> pages;
        {
            std::unique_lock lock(m_mutex);
            m_pageReady.wait(lock, [this] { return !m_slots.empty() && m_slots.front().done; });
            while (!m_slots.empty() && m_slots.front().done) {
                pages.push_back(std::move(m_slots.front()));
                m_slots.pop_front();
                ++m_firstSlot;
                if (pages.back().failure)
                    break;
            }
        }
        m_roomFree.notify_all();
        return pages;
    }

  private:
    // Enough for the commits to go in batches, few enough to hold little.
    static constexpr size_t pagesAhead = 32;
    // Small pages are prepared faster than a thread is woken: the committing
    // thread is woken for a batch of this many, not for each page.
    static constexpr size_t wakeFor = 8;

    // Whether the pages ready from the front are worth waking the committing
    // thread for: a batch of them, or all there will be for a while, as no
    // more sources are taken. Called with the lock held.
    bool batchReady() const {
        size_t ready = 0;
        while (ready < m_slots.size() && m_slots[ready].done)
            ++ready;
        if (ready >= wakeFor)
            return true;
        const bool noMoreTaken = m_failed || m_stopping || m_nextIndex == m_sources.size();
        return ready > 0 && ready == m_slots.size() && noMoreTaken;
    }

    void work() {
        for (;;) {
            size_t index = 0;
            {
                std::unique_lock lock(m_mutex);
                m_roomFree.wait(lock, [this] {
                    return m_stopping || m_failed || m_nextIndex == m_sources.size() ||
                           m_nextIndex < m_firstSlot + pagesAhead;
                });
                if (m_stopping || m_failed || m_nextIndex == m_sources.size())
                    return;
                index = m_nextIndex++;
                m_slots.emplace_back();
            }
            std::optional<PreparedPage> page;
            std::exception_ptr failure;
            try {
                // The run's order: the last source first.
                const std::string& sourceName = m_sources[m_sources.size() - 1 - index];
                const std::unique_ptr<PageAddOns> addOns =
                    m_addOns ? m_addOns(sourceName) : nullptr;
                page.emplace(preparePage(m_folder, sourceName, m_tag, m_outputFolder, m_options,
                                         addOns.get()));
            } catch (...) {
                failure = std::current_exception();
            }
            bool wake = false;
            {
                std::lock_guard lock(m_mutex);
                Slot& slot = m_slots[index - m_firstSlot];
                if (page)
                    slot.page.emplace(std::move(*page));
                slot.failure = failure;
                slot.done = true;
                m_failed = m_failed || failure;
                wake = batchReady();
            }
            if (wake)
                m_pageReady.notify_one();
        }
    }

    const std::filesystem::path& m_folder;
    const std::vector<std::string>& m_sources;
    const std::string& m_tag;
    const std::filesystem::path& m_outputFolder;
    const ConversionOptions& m_options;
    const PageAddOnsFactory& m_addOns;
    std::mutex m_mutex;
    std::condition_variable m_pageReady; // the committing thread waits on it
    std::condition_variable m_roomFree;  // the preparing threads wait on it
    std::deque<Slot> m_slots;            // from the page to commit next on, in the run's order
    size_t m_firstSlot = 0;              // the index in the run's order of the first slot
    size_t m_nextIndex = 0;              // of the next source to take
    bool m_failed = false;
    bool m_stopping = false;
    std::vector<std::thread> m_threads; // last: they start once the rest is in place
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

namespace {

// The script that pages with the viewer load, beside them, replaced whole.
void writeViewerScript(const std::filesystem::path& outputFolder) {
    AtomicFileWriter file(joined(outputFolder, viewerScriptName),
                          "./" + outputFolder.filename().native() + "/" + viewerScriptName);
    file.write(viewerScript());
    file.commit();
}

} // namespace

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
    if (options.fallback == Fallback::Viewer)
        writeViewerScript(outputFolder);
    const PageAddOnsFactory runAddOns = addOns ? addOns : pageAddOns(folder, options, false);
    PagePreparer preparer(folder, sources, tag, outputFolder, options, runAddOns);
    for (size_t committed = 0; committed < sources.size();) {
        for (PagePreparer::Slot& slot : preparer.nextPages()) {
            if (slot.failure)
                std::rethrow_exception(slot.failure);
            slot.page->file.commit();
            ++committed;
            if (observer)
                observer->pageWritten(slot.page->report);
        }
    }
}

} // namespace tervanil
