#pragma once
// A modal question in a window of its own, drawn with the overlay text's
// Japanese font, so captions with "(Y)" answer to their keys and Japanese
// text shows whatever the desktop's own message boxes can do.
#include "platform/Dialogs.h"

#include <SDL.h>

namespace tsukimi::platform {

class FreeTypeOverlayText;

// -1 closed; -2 when no window could be made (the caller falls back).
int RunDialogWindow(const DialogRequest& request, SDL_Window* owner, FreeTypeOverlayText& text);

} // namespace tsukimi::platform
