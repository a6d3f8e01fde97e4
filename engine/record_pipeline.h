#pragma once
// The stages of one record's conversion, chained in one place: read in chunks
// -> cut at the first NUL -> line breaks normalised -> rework -> (add-ons see
// the record) -> HTML-escaped -> the page's lines around it.

#include "byte_sink.h"
#include "load_stages.h"
#include "options.h"
#include "page.h"
#include "root_stage.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tervanil {

/// From a source file's bytes to the record that goes into the page.
class RecordPipeline : public ByteSink {
  public:
    RecordPipeline(const ConversionOptions& options, ByteSink& next,
                   StageHandoff* handoff = nullptr)
        : m_rework(options, next, handoff), m_normaliser(options.codePage, m_rework),
          m_cut(m_normaliser) {}
    void feed(std::string_view bytes) override { m_cut.feed(bytes); }
    void finish() override { m_cut.finish(); }

    /// Whether more bytes of the source can change the record: not after a NUL.
    bool wantsMore() const noexcept { return !m_cut.cut(); }
    bool cutAtNul() const noexcept { return m_cut.cut(); }
    RootCollector& rework() noexcept { return m_rework; }

  private:
    RootCollector m_rework;
    LineBreakNormaliser m_normaliser;
    NulCut m_cut;
};

/// Shows the add-ons a record's bytes on their way to the page.
class AddOnsTap : public ByteSink {
  public:
    AddOnsTap(PageAddOns& addOns, ByteSink& next) : m_addOns(addOns), m_next(next) {}
    void feed(std::string_view bytes) override {
        m_addOns.recordBytes(bytes);
        m_next.feed(bytes);
    }
    void finish() override {
        m_addOns.recordEnds();
        m_next.finish();
    }

  private:
    PageAddOns& m_addOns;
    ByteSink& m_next;
};

/// Hands the rework's output to a thread of its own, which runs the reflow
/// and the stages after it: a large record then keeps both cores busy. Chunks
/// are copied and queued, a few at most. A failure on the other side comes
/// back at the next `send` or at `finishAndWait`.
class ThreadHandoff : public StageHandoff {
  public:
    ThreadHandoff();
    /// Drops what is still queued and ends the thread.
    ~ThreadHandoff() override;
    ThreadHandoff(const ThreadHandoff&) = delete;
    ThreadHandoff& operator=(const ThreadHandoff&) = delete;

    void send(ByteSink& to, std::string_view bytes) override;
    void end(ByteSink& to) override;
    /// Waits until everything sent has been through; rethrows a failure there.
    void finishAndWait();
    /// Drops what is queued and ends the thread.
    void abandon() noexcept;

  private:
    struct Item {
        ByteSink* to = nullptr;
        std::string bytes;
        bool end = false;
    };
    static constexpr size_t queueLimit = 4;

    void push(Item item);
    void work();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_queue;
    std::vector<std::string> m_spare; // buffers of chunks gone through
    std::exception_ptr m_failure;
    bool m_done = false; // the other side has seen the end, or failed
    bool m_abandoned = false;
    std::thread m_thread; // last: starts once the rest is in place
};

/// From a source file's bytes to its whole page, pushed to `out`. The add-ons
/// see the record on its way unless `showRecord` is false (they saw it
/// before). With `secondThread`, the reflow and the stages after it run on a
/// thread of their own; the add-ons' hooks are then called on either thread,
/// one at a time.
class PagePipeline : public ByteSink {
  public:
    PagePipeline(std::string_view sourceName, const ConversionOptions& options,
                 std::string_view tag, PageAddOns* addOns, ByteSink& out, bool showRecord = true,
                 bool secondThread = false);
    /// The second thread ends before the stages it works in go.
    ~PagePipeline() override;
    void feed(std::string_view bytes) override { m_record.feed(bytes); }
    void finish() override;
    bool wantsMore() const noexcept { return m_record.wantsMore(); }
    bool cutAtNul() const noexcept { return m_record.cutAtNul(); }
    const RecordFacts& facts() noexcept { return m_record.rework().facts(); }

  private:
    PageAssembler m_page;
    HtmlEscaper m_escaper;
    std::optional<AddOnsTap> m_tap;
    std::unique_ptr<ThreadHandoff> m_handoff;
    RecordPipeline m_record;
};

} // namespace tervanil
