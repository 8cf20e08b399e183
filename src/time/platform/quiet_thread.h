#pragma once

#include <functional>
#include <thread>

namespace hodra {

// A thread that takes none of the signals sent to the process: they stay with the threads
// that expect them. The clock helper blocks termination in its own thread around a step;
// a name lookup still running in a thread of ours must not take that signal and end it.
// Throws std::system_error as std::thread does.
std::thread StartQuietThread(std::function<void()> work);

}  // namespace hodra
