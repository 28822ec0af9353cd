#pragma once
// Keeps SDL out of this header so the translation can be tested alone.
#include <cstdint>

namespace tsukimi::platform {

// Windows virtual-key code of an SDL keycode (SDL_Keycode); 0 for keys
// without one.
int VirtualKeyFromSdl(int32_t keycode);

} // namespace tsukimi::platform
