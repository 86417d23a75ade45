// The vector types of the fast paths, one name each: GCC and Clang vectors
// whose arithmetic works lane by lane, as the scalar code it replaces does
// sample by sample.
#pragma once

#include <cstdint>

namespace photofilter {

using Doubles = double __attribute__((vector_size(32)));       // 4 doubles
using LaneMasks = int64_t __attribute__((vector_size(32)));    // comparisons of Doubles
using Words = uint64_t __attribute__((vector_size(32)));       // 4 unsigned 64-bit
using Ints4 = int32_t __attribute__((vector_size(16)));        // 4 signed 32-bit
using Ints8 = int32_t __attribute__((vector_size(32)));        // 8 signed 32-bit
using PixelSamples = int16_t __attribute__((vector_size(8)));  // r, g, b, aux of a Pixel

}  // namespace photofilter
