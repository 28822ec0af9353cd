#include "platform/Dialogs.h"

#include "platform/DialogText.h"

#include <cstdio>

namespace tsukimi::platform {

int HeadlessDialogs::Show(std::string_view caption, std::string_view text,
                          const std::vector<std::string>& buttons)
{
    shown_.push_back(Shown{std::string(caption), std::string(text), buttons});
    int answer = 0;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.erase(answers_.begin());
    }
    if (!quiet_) {
        const std::string line = DialogTextToUtf8(caption) + ": " + DialogTextToUtf8(text) + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    }
    return answer;
}

int HeadlessDialogs::Show(const DialogRequest& request)
{
    requests_.push_back(request);
    if (!keys_.empty()) {
        const char key = keys_.front();
        keys_.erase(keys_.begin());
        const int chosen = AcceleratorAnswer(request, key);
        if (chosen >= 0) {
            shown_.push_back(Shown{request.caption, request.text, request.buttons});
            return chosen;
        }
    }
    return Show(request.caption, request.text, request.buttons);
}

char AcceleratorOf(std::string_view caption)
{
    const size_t open = caption.find('(');
    if (open == std::string_view::npos || open + 1 >= caption.size())
        return 0;
    const unsigned char c = static_cast<unsigned char>(caption[open + 1]);
    if ((c >= 0x81 && c <= 0x9F) || c >= 0xE0)
        return 0;
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : static_cast<char>(c);
}

int AcceleratorAnswer(const DialogRequest& request, char key)
{
    if (key >= 'A' && key <= 'Z')
        key = static_cast<char>(key - 'A' + 'a');
    int chosen = -1;
    for (int index : request.acceleratorOrder) {
        if (index < 0 || index >= static_cast<int>(request.buttons.size()))
            continue;
        const char accelerator = AcceleratorOf(request.buttons[static_cast<size_t>(index)]);
        if (accelerator != 0 && accelerator == key)
            chosen = index;
    }
    return chosen;
}

} // namespace tsukimi::platform
