// Crash reports: on a fatal signal or std::terminate the process writes
// tmp/yyyyMMddhhmmss.dmp below the program folder (signal, thread, faulting
// address, registers, return addresses found on the stack and its raw words,
// memory map, then what the unwinder gives), prints its path on standard
// error and dies by the same signal.
#pragma once

#include <QString>

namespace crash {

// The folder of the running program file, from /proc/self/exe; usable
// before any Qt object exists.
QString programDir();

// programDir + "/" (unless it ends in one) + "tmp/".
QString dumpFolder(const QString& programDir);

// Installs the handlers for the life of the process and guards the calling
// thread (signalstack.h). Reports go to dumpFolder(programDir), created when
// the first crash happens.
void install(const QString& programDir);

} // namespace crash
