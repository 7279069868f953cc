// What the threads of this process are waiting in, as the kernel shows it, so that a test
// can go on once another thread is blocked rather than after a guessed delay.
#pragma once

#include <sys/types.h>
#include <vector>

namespace corvid::testing {

// The system calls a thread waits in for a descriptor, and for a mutex or condition.
const std::vector<long>& PollCalls();
const std::vector<long>& FutexCalls();

// How many threads of this process are blocked in one of the system calls.
int ThreadsBlockedIn(const std::vector<long>& calls);
// Whether the thread tid of this process is blocked in one of them.
bool ThreadBlockedIn(pid_t tid, const std::vector<long>& calls);
// The calling thread's id, for ThreadBlockedIn.
pid_t ThisThreadId();

} // namespace corvid::testing
