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

} // namespace tsukimi::platform
