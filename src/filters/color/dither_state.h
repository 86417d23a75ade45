// The running phase of colour dithering. It lives for the whole run and
// starts at 0; each "-cd" continues from where the previous one stopped.
#pragma once

#include <cstdint>

namespace photofilter {

int32_t &dither_state();

}  // namespace photofilter
