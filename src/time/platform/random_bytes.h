#pragma once

#include <cstddef>

namespace hodra {

// Fills buffer with bytes from the kernel's random source (getrandom), waiting for its
// pool at boot. False, with errno set, when there is no source to be had.
bool FillRandom(void* buffer, std::size_t size);

}  // namespace hodra
