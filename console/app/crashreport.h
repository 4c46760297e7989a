// The body of a crash report, written from inside a signal handler with
// async-signal-safe calls only. The sections that cannot fail come first
// (fault, registers, return addresses and raw words read from the stack,
// memory map); the unwinder, which can itself fault on a corrupted stack or a
// garbage program counter, runs last and is cut short rather than taking the
// report down with it.
#pragma once

#include <csignal>

#include <ucontext.h>

namespace crash {

class ReportOut;

struct Fault {
    const char* reason;
    int signalNumber;
    const siginfo_t* info;     // null for std::terminate
    const ucontext_t* context; // registers at the fault
    long threadId;
};

// Outside any handler, once: loads what the unwinder needs.
void prepareReports();

void writeReport(const ReportOut& out, const Fault& fault);

// Called first by the fatal-signal handler: when this thread faulted inside
// the unwinder, returns to the report writer and does not return here.
void escapeFromUnwinder(long threadId);

} // namespace crash
