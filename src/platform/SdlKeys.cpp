#include "platform/SdlKeys.h"

#include "platform/Events.h"

#include <SDL.h>

namespace tsukimi::platform {

int VirtualKeyFromSdl(int32_t keycode)
{
    // Keys are translated by their SDL name, so one table serves both the
    // key names in settings and the live keyboard. The keypad Enter key is
    // named "Keypad Enter" and maps to Return, as on Windows.
    if (keycode == SDLK_UNKNOWN) return 0;
    return VirtualKeyFromName(SDL_GetKeyName(static_cast<SDL_Keycode>(keycode)));
}

} // namespace tsukimi::platform
