#include "signalstack.h"

#include <csignal>
#include <cstddef>

#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr size_t kAltStackBytes = 64 * 1024;

// A thread's alternate signal stack, with an inaccessible page below it, so
// that a thread that overflowed its own stack still writes its report.
class AltStack final {
public:
    AltStack()
    {
        stack_t current{};
        if (::sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0)
            return; // the thread has one already
        const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
        void* memory = ::mmap(nullptr, kAltStackBytes + page, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (memory == MAP_FAILED)
            return;
        ::mprotect(memory, page, PROT_NONE);
        stack_t stack{};
        stack.ss_sp = static_cast<char*>(memory) + page;
        stack.ss_size = kAltStackBytes;
        if (::sigaltstack(&stack, nullptr) != 0) {
            ::munmap(memory, kAltStackBytes + page);
            return;
        }
        m_memory = memory;
        m_bytes = kAltStackBytes + page;
    }

    ~AltStack()
    {
        if (m_memory == nullptr)
            return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        ::sigaltstack(&off, nullptr);
        ::munmap(m_memory, m_bytes);
    }

    AltStack(const AltStack&) = delete;
    AltStack& operator=(const AltStack&) = delete;

private:
    void* m_memory = nullptr;
    size_t m_bytes = 0;
};

} // namespace

namespace crash {

void guardThisThread()
{
    thread_local AltStack stack;
}

} // namespace crash
