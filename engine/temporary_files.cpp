#include "temporary_files.h"

#include <atomic>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace tervanil {
namespace {

// A fixed table, so that the handler touches no allocator and no lock: each
// slot owns a copy of its path. A slot is claimed (free -> filling), filled,
// then published (-> noted); the handler reads only published slots.
enum SlotState : int { freeSlot, fillingSlot, notedSlot };

struct Slot {
    std::atomic<int> state{freeSlot};
    char path[4096];
};

constexpr int slotCount = 64;
Slot slots[slotCount];

static_assert(std::atomic<int>::is_always_lock_free, "the handler needs lock-free atomics");

// Files are noted before they are created, and the handler waits for the
// creations under way: so every file that exists when it looks is noted, and
// none is created behind its back while it removes them.
std::atomic<int> creationsUnderWay{0};
std::atomic<bool> ending{false};

} // namespace

int beginTemporaryCreation(const char* path) noexcept {
    creationsUnderWay.fetch_add(1, std::memory_order_acq_rel);
    if (ending.load(std::memory_order_acquire)) {
        creationsUnderWay.fetch_sub(1, std::memory_order_acq_rel);
        return endingTicket;
    }
    return noteTemporaryFile(path);
}

void endTemporaryCreation() noexcept {
    creationsUnderWay.fetch_sub(1, std::memory_order_acq_rel);
}

int noteTemporaryFile(const char* path) noexcept {
    const size_t length = std::strlen(path);
    if (length >= sizeof slots[0].path)
        return -1;
    for (int ticket = 0; ticket < slotCount; ++ticket) {
        int expected = freeSlot;
        if (!slots[ticket].state.compare_exchange_strong(expected, fillingSlot,
                                                         std::memory_order_acquire))
            continue;
        std::memcpy(slots[ticket].path, path, length + 1);
        slots[ticket].state.store(notedSlot, std::memory_order_release);
        return ticket;
    }
    return -1;
}

void forgetTemporaryFile(int ticket) noexcept {
    if (ticket >= 0 && ticket < slotCount)
        slots[ticket].state.store(freeSlot, std::memory_order_release);
}

void removeTemporaryFiles() noexcept {
    ending.store(true, std::memory_order_release);
    // A creation takes a moment; the wait is bounded, since the handler may
    // run on the very thread whose creation it interrupted (its file is noted
    // already, and it creates nothing more).
    const timespec millisecond{0, 1000000};
    for (int waited = 0; waited < 200 && creationsUnderWay.load(std::memory_order_acquire) > 0;
         ++waited)
        ::nanosleep(&millisecond, nullptr);
    for (Slot& slot : slots)
        if (slot.state.load(std::memory_order_acquire) == notedSlot)
            ::unlink(slot.path);
}

void detail::allowTemporaryFilesAgain() noexcept {
    ending.store(false, std::memory_order_release);
}

} // namespace tervanil
