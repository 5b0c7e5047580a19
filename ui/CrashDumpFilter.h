// CrashDumpFilter: the process-wide filter for faults that nobody handles.
//
// On the first fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) or std::terminate in any
// thread, the filter writes one crash report into the current directory, named
// "./tq_%04d_%02d_%02d_%02d_%02d_%02d.dmp" from the local year, month, day, hour, minute and
// second, and then lets the default action end the process: the signal is reset to SIG_DFL and
// raised again, so the process dies of it (std::terminate dies of SIGABRT). Execution never goes
// on past a fault, whether an instruction or software (abort(), an uncaught exception) raised it.
//
// The report is text: the signal and its code, the fault address, the faulting thread's id and
// name, the instruction pointer, a symbolised backtrace and the loaded modules (a copy of
// /proc/self/maps). It is written with async-signal-safe calls only: everything that is not safe
// (the local-time offsets, loading the unwinder, the alternate signal stack) is prepared when the
// filter is installed. Symbols of an executable resolve only when it exports them; linking
// rm_crashdump adds -rdynamic to the executable for that reason.
//
// At most one report is written in a run. A fault in another thread while the report is being
// written waits for the writer, which then ends the process; a fault inside the writer itself gets
// the default action at once. When the dump file cannot be created, no report is written and the
// process still ends the same way.
//
// Limits: the alternate signal stack is set up for the installing thread only (the main thread,
// during static initialisation), so a stack overflow is reported there; in other threads it ends
// the process without a report. The local-time offsets are computed for two years after
// installation; later the last known offset is used.
#pragma once

#include <csignal>

// Installs CrashDumpFilter for the five signals, an alternate signal stack for the calling thread
// and CrashDumpTerminateHandler as the std::terminate handler. The previous handlers are dropped.
// Meant for static initialisation, before the application object and any thread exist; later calls
// do nothing. Not async-signal-safe, and not to be called from two threads at once.
void InstallCrashDumpFilter();

// True once InstallCrashDumpFilter has run.
bool IsCrashDumpFilterInstalled();

// The signal handler (SA_SIGINFO form). Writes the report unless one is being or has been written,
// then ends the process through the signal's default action. Does not return.
void CrashDumpFilter(int signo, siginfo_t* info, void* context);

// The std::terminate handler: writes the report for an uncaught exception (or another call of
// std::terminate), then ends the process with SIGABRT. Does not return.
[[noreturn]] void CrashDumpTerminateHandler();
