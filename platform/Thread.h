#pragma once
#include <string>

namespace orv {

enum class TThreadPriority { Normal, Higher, Highest };

// Names the calling thread for debuggers and /proc (cut to the 15 characters
// the system keeps).
void SetCurrentThreadName(const std::string& name);
// Raises the calling thread's scheduling priority where the system allows
// it; without the privilege the thread keeps the normal priority.
void SetCurrentThreadPriority(TThreadPriority priority);

} // namespace orv
