#include "crashreport.h"

#include "crashtext.h"

#include <atomic>
#include <csetjmp>
#include <cstdint>
#include <cstring>

#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

// Static buffers: only the first crashing thread writes a report.
namespace crash {

namespace {

constexpr int kMaxFrames = 64;
constexpr size_t kMaxRanges = 1024;
constexpr size_t kPathPoolBytes = 256 * 1024;
constexpr size_t kMapsLineBytes = 4096;
constexpr size_t kStackScanBytes = 32 * 1024;
constexpr int kMaxStackReturns = 48;
constexpr int kRawStackWords = 64;
constexpr unsigned kUnwindSeconds = 5;

// An executable mapping of /proc/self/maps.
struct CodeRange {
    uintptr_t start;
    uintptr_t end;
    uintptr_t fileOffset;
    const char* path;
};

CodeRange g_ranges[kMaxRanges];
size_t g_rangeCount = 0;
char g_pathPool[kPathPoolBytes];
size_t g_pathPoolUsed = 0;

std::atomic<long> g_unwindingThread{0};
sigjmp_buf g_unwindEscape;

// Reads memory that may be unmapped without faulting: the kernel reports it.
bool readMemory(uintptr_t address, void* out, size_t size)
{
    iovec local{out, size};
    iovec remote{reinterpret_cast<void*>(address), size};
    return ::syscall(SYS_process_vm_readv, ::getpid(), &local, 1, &remote, 1, 0) ==
           static_cast<long>(size);
}

// Leading hex number of text; advances text past it.
uintptr_t parseHex(const char*& text)
{
    uintptr_t value = 0;
    for (;; ++text) {
        const char c = *text;
        if (c >= '0' && c <= '9')
            value = value * 16 + static_cast<uintptr_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            value = value * 16 + static_cast<uintptr_t>(c - 'a' + 10);
        else
            return value;
    }
}

const char* skipField(const char* text)
{
    while (*text != '\0' && *text != ' ')
        ++text;
    while (*text == ' ')
        ++text;
    return text;
}

// "start-end perms offset dev inode   path"
void addMapsLine(const char* line)
{
    if (g_rangeCount == kMaxRanges)
        return;
    CodeRange range{};
    range.start = parseHex(line);
    if (*line++ != '-')
        return;
    range.end = parseHex(line);
    line = skipField(line);
    if (std::strlen(line) < 4 || line[2] != 'x')
        return;
    line = skipField(line);
    range.fileOffset = parseHex(line);
    line = skipField(skipField(skipField(line))); // offset, dev, inode
    const size_t length = std::strlen(line);
    if (g_pathPoolUsed + length + 1 > kPathPoolBytes)
        return;
    std::memcpy(g_pathPool + g_pathPoolUsed, line, length + 1);
    range.path = g_pathPool + g_pathPoolUsed;
    g_pathPoolUsed += length + 1;
    g_ranges[g_rangeCount++] = range;
}

void loadCodeRanges()
{
    g_rangeCount = 0;
    g_pathPoolUsed = 0;
    const int in = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return;
    static char line[kMapsLineBytes];
    size_t used = 0;
    char buffer[1024];
    ssize_t got = 0;
    while ((got = ::read(in, buffer, sizeof buffer)) > 0) {
        for (ssize_t i = 0; i < got; ++i) {
            if (buffer[i] != '\n') {
                if (used + 1 < sizeof line)
                    line[used++] = buffer[i];
                continue;
            }
            line[used] = '\0';
            addMapsLine(line);
            used = 0;
        }
    }
    ::close(in);
}

const CodeRange* codeRangeOf(uintptr_t address)
{
    for (size_t i = 0; i < g_rangeCount; ++i) {
        if (address >= g_ranges[i].start && address < g_ranges[i].end)
            return &g_ranges[i];
    }
    return nullptr;
}

// "  #n 0x... path+0xfileoffset", the offset as addr2line -e path takes it.
void writeCodeAddress(const ReportOut& out, int index, uintptr_t address)
{
    out.text("  #");
    out.number(index);
    out.text(" ");
    out.hex(address);
    if (const CodeRange* range = codeRangeOf(address)) {
        out.text(" ");
        out.text(range->path[0] != '\0' ? range->path : "[anonymous]");
        out.text("+");
        out.hex(address - range->start + range->fileOffset);
    } else {
        out.text(" (not in any executable mapping)");
    }
    out.text("\n");
}

#if defined(__x86_64__)
struct RegisterName {
    const char* name;
    int index;
};
constexpr RegisterName kRegisters[] = {
    {"RIP", REG_RIP}, {"RSP", REG_RSP}, {"RBP", REG_RBP}, {"RAX", REG_RAX}, {"RBX", REG_RBX},
    {"RCX", REG_RCX}, {"RDX", REG_RDX}, {"RSI", REG_RSI}, {"RDI", REG_RDI}, {"R8", REG_R8},
    {"R9", REG_R9},   {"R10", REG_R10}, {"R11", REG_R11}, {"R12", REG_R12}, {"R13", REG_R13},
    {"R14", REG_R14}, {"R15", REG_R15}, {"EFL", REG_EFL}, {"ERR", REG_ERR}, {"TRAPNO", REG_TRAPNO},
    {"CR2", REG_CR2}};

uintptr_t registerValue(const ucontext_t* context, int index)
{
    return static_cast<uintptr_t>(context->uc_mcontext.gregs[index]);
}
#endif

void writeFault(const ReportOut& out, const Fault& fault)
{
    out.text("reason: ");
    out.text(fault.reason);
    out.text("\nsignal: ");
    out.number(fault.signalNumber);
    out.text("\nthread: ");
    out.number(fault.threadId);
    out.text("\nfault address: ");
    if (fault.info == nullptr) {
        out.text("none (no fault)");
    } else if (fault.info->si_code <= 0) {
        out.text("none (signal sent by process ");
        out.number(fault.info->si_pid);
        out.text(")");
    } else {
        out.hex(reinterpret_cast<uintptr_t>(fault.info->si_addr));
        out.text(" (code ");
        out.number(fault.info->si_code);
        out.text(")");
    }
    out.text("\n");
}

void writeRegisters(const ReportOut& out, const ucontext_t* context)
{
    out.text("registers:\n");
#if defined(__x86_64__)
    if (context == nullptr)
        return;
    for (const RegisterName& reg : kRegisters) {
        out.text("  ");
        out.text(reg.name);
        out.text(" ");
        out.hex(registerValue(context, reg.index));
        out.text("\n");
    }
#else
    (void)context;
    out.text("  (not read on this architecture)\n");
#endif
}

// The program counter, then every stack word from the stack pointer up that
// points into code: return addresses, found even when unwinding cannot be.
void writeStackBacktrace(const ReportOut& out, uintptr_t pc, uintptr_t sp)
{
    out.text("backtrace from the stack:\n");
    writeCodeAddress(out, 0, pc);
    int found = 0;
    uintptr_t words[64];
    for (size_t offset = 0; offset < kStackScanBytes && found < kMaxStackReturns;
         offset += sizeof words) {
        if (!readMemory(sp + offset, words, sizeof words))
            break;
        for (uintptr_t word : words) {
            if (found < kMaxStackReturns && codeRangeOf(word) != nullptr)
                writeCodeAddress(out, ++found, word);
        }
    }
    out.text("stack from RSP:\n");
    for (int i = 0; i < kRawStackWords; ++i) {
        const uintptr_t address = sp + static_cast<uintptr_t>(i) * sizeof(uintptr_t);
        uintptr_t word = 0;
        if (!readMemory(address, &word, sizeof word)) {
            out.text("  (unreadable from here)\n");
            break;
        }
        out.text("  ");
        out.hex(address);
        out.text(": ");
        out.hex(word);
        out.text("\n");
    }
}

void copyMaps(const ReportOut& out)
{
    out.text("memory map:\n");
    const int in = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(in, buffer, sizeof buffer)) > 0)
        out.write(buffer, static_cast<size_t>(got));
    ::close(in);
}

void onUnwindTimeout(int)
{
    escapeFromUnwinder(static_cast<long>(::syscall(SYS_gettid)));
    // Delivered to another thread: pass it on to the one unwinding.
    const long unwinding = g_unwindingThread;
    if (unwinding != 0)
        ::syscall(SYS_tgkill, ::getpid(), unwinding, SIGALRM);
}

// glibc's unwinder from here through the signal frame. A fault inside it
// (a garbage program counter is read as code) or a hang on its locks ends
// this section only.
void writeUnwinderBacktrace(const ReportOut& out, long threadId)
{
    out.text("backtrace from the unwinder:\n");
    struct sigaction timeout {};
    timeout.sa_handler = onUnwindTimeout;
    sigemptyset(&timeout.sa_mask);
    ::sigaction(SIGALRM, &timeout, nullptr);
    if (sigsetjmp(g_unwindEscape, 1) == 0) {
        g_unwindingThread = threadId;
        ::alarm(kUnwindSeconds);
        void* frames[kMaxFrames];
        const int count = ::backtrace(frames, kMaxFrames);
        ::backtrace_symbols_fd(frames, count, out.fd());
    } else {
        out.text("  (unwinding stopped: it faulted or hung)\n");
    }
    ::alarm(0);
    g_unwindingThread = 0;
}

} // namespace

void prepareReports()
{
    // backtrace() loads its unwinder on first use; do that outside a handler.
    void* frame[1];
    ::backtrace(frame, 1);
}

void escapeFromUnwinder(long threadId)
{
    if (threadId != 0 && g_unwindingThread == threadId)
        siglongjmp(g_unwindEscape, 1);
}

void writeReport(const ReportOut& out, const Fault& fault)
{
    loadCodeRanges();
    writeFault(out, fault);
    writeRegisters(out, fault.context);
#if defined(__x86_64__)
    if (fault.context != nullptr)
        writeStackBacktrace(out, registerValue(fault.context, REG_RIP),
                            registerValue(fault.context, REG_RSP));
#endif
    copyMaps(out);
    writeUnwinderBacktrace(out, fault.threadId);
}

} // namespace crash
