#include "platform/SdlDialogs.h"

#include "platform/DialogText.h"
#include "platform/FreeTypeOverlayText.h"
#include "platform/SdlDialogWindow.h"
#include "platform/SdlWindow.h"

#include <SDL.h>
#include <cstdio>

namespace tsukimi::platform {

SdlDialogs::SdlDialogs(SdlWindow* owner) : owner_(owner)
{
    int faceIndex = 0;
    const std::string file = FindJapaneseFont("IPAGothic", &faceIndex);
    text_ = std::make_unique<FreeTypeOverlayText>(file, faceIndex);
}

SdlDialogs::~SdlDialogs() = default;

int SdlDialogs::Show(const DialogRequest& request)
{
    SDL_Window* owner = owner_ && owner_->IsShowing() ? owner_->Handle() : nullptr;
    const int result = RunDialogWindow(request, owner, *text_);
    if (result != -2)
        return result;
    return Show(request.caption, request.text, request.buttons);
}

int SdlDialogs::Show(std::string_view caption, std::string_view text,
                     const std::vector<std::string>& buttons)
{
    const std::string title = DialogTextToUtf8(caption);
    const std::string message = DialogTextToUtf8(text);
    std::vector<std::string> labels;
    for (const std::string& button : buttons)
        labels.push_back(DialogTextToUtf8(button));
    if (labels.empty()) labels.emplace_back("OK");

    std::vector<SDL_MessageBoxButtonData> data;
    for (size_t i = 0; i < labels.size(); ++i) {
        SDL_MessageBoxButtonData button{};
        button.flags = i == 0 ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        button.buttonid = static_cast<int>(i);
        button.text = labels[i].c_str();
        data.push_back(button);
    }
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
    box.window = owner_ && owner_->IsShowing() ? owner_->Handle() : nullptr;
    box.title = title.c_str();
    box.message = message.c_str();
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();

    int chosen = -1;
    if (SDL_ShowMessageBox(&box, &chosen) != 0) {
        // No way to ask: say what it was about and count it as closed.
        const std::string line = title + ": " + message + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
        return -1;
    }
    return chosen >= 0 && chosen < static_cast<int>(labels.size()) ? chosen : -1;
}

} // namespace tsukimi::platform
