// A thread's alternate signal stack, so that a thread that overflowed its own
// stack still runs the crash handler. Every thread the console owns calls
// guardThisThread() as it starts; library threads get theirs at their first
// callback into the console (callbackgate.h).
#pragma once

namespace crash {

// Idempotent per thread; the stack is freed when the thread ends. A thread
// without one still reports every crash but a stack overflow.
void guardThisThread();

} // namespace crash
