#include "record_pipeline.h"

namespace tervanil {
namespace {

ByteSink& tapOr(std::optional<AddOnsTap>& tap, PageAddOns* addOns, ByteSink& next) {
    if (!addOns)
        return next;
    tap.emplace(*addOns, next);
    return *tap;
}

} // namespace

ThreadHandoff::ThreadHandoff() : m_thread([this] { work(); }) {}

ThreadHandoff::~ThreadHandoff() {
    abandon();
}

void ThreadHandoff::abandon() noexcept {
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ThreadHandoff::push(Item item) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < queueLimit || m_failure; });
    if (m_failure)
        std::rethrow_exception(m_failure);
    m_queue.push_back(std::move(item));
    lock.unlock();
    m_changed.notify_all();
}

void ThreadHandoff::send(ByteSink& to, std::string_view bytes) {
    std::string copy;
    {
        std::lock_guard lock(m_mutex);
        if (!m_spare.empty()) {
            copy = std::move(m_spare.back());
            m_spare.pop_back();
        }
    }
    copy.assign(bytes);
    push({&to, std::move(copy), false});
}

void ThreadHandoff::end(ByteSink& to) {
    push({&to, std::string(), true});
}

void ThreadHandoff::finishAndWait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void ThreadHandoff::work() {
    for (;;) {
        Item item;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_abandoned; });
            if (m_abandoned)
                return;
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_changed.notify_all();
        try {
            if (item.end)
                item.to->finish();
            else
                item.to->feed(item.bytes);
        } catch (...) {
            {
                std::lock_guard lock(m_mutex);
                m_failure = std::current_exception();
                m_done = true;
            }
            m_changed.notify_all();
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            if (item.end)
                m_done = true;
            else
                m_spare.push_back(std::move(item.bytes));
        }
        if (item.end) {
            m_changed.notify_all();
            return;
        }
    }
}

PagePipeline::PagePipeline(std::string_view sourceName, const ConversionOptions& options,
                           std::string_view tag, PageAddOns* addOns, ByteSink& out, bool showRecord,
                           bool secondThread)
    : m_page(sourceName, options, tag, addOns, out), m_escaper(m_page),
      m_handoff(secondThread ? std::make_unique<ThreadHandoff>() : nullptr),
      m_record(options, tapOr(m_tap, showRecord ? addOns : nullptr, m_escaper), m_handoff.get()) {
    // The head goes out once the code page is known, before the record.
    if (addOns)
        m_record.rework().onSettled([this, addOns, showRecord](const RecordFacts& facts) {
            if (showRecord)
                addOns->recordStarts(facts.readIn, facts.namedCharset);
            m_page.start();
        });
}

PagePipeline::~PagePipeline() {
    if (m_handoff)
        m_handoff->abandon();
}

void PagePipeline::finish() {
    m_record.finish();
    if (m_handoff)
        m_handoff->finishAndWait();
}

} // namespace tervanil
