#include "script/NullScript.h"

#include <algorithm>

namespace tsukimi {
namespace {

// Unquotes "\go,"label","file"" into label and file for the position read-out.
void ParseGo(std::string_view command, std::string& label, std::string& file)
{
    std::vector<std::string> parts;
    size_t i = 0;
    while ((i = command.find('"', i)) != std::string_view::npos) {
        const size_t end = command.find('"', i + 1);
        if (end == std::string_view::npos) break;
        parts.emplace_back(command.substr(i + 1, end - i - 1));
        i = end + 1;
    }
    if (parts.size() == 2) {
        label = parts[0];
        file = parts[1];
    }
}

} // namespace

TNullScript::TNullScript(std::string name, int width, int height)
    : name_(std::move(name)), width_(std::max(width, 1)), height_(std::max(height, 1)),
      pixels_(static_cast<size_t>(width_) * height_, fill_)
{}

void TNullScript::ExecuteCommandText(std::string_view text)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t next = text.find('\\', start + 1);
        if (next == std::string_view::npos) next = text.size();
        std::string_view piece = text.substr(start, next - start);
        if (!piece.empty() && piece.front() == '\\') piece.remove_prefix(1);
        if (!piece.empty()) {
            std::string command = "\\" + std::string(piece);
            if (command.rfind("\\go,", 0) == 0) ParseGo(command, currentLabel_, currentFile_);
            commands_.push_back(std::move(command));
        }
        start = next;
    }
}

void TNullScript::Reset()
{
    ++resets_;
    playMode_ = 0;
    request_ = {};
}

void TNullScript::Step(uint32_t elapsed, bool inputEnabled, bool runScript)
{
    ++steps_;
    if (inputEnabled) ++stepsWithInput_;
    if (runScript) ++scriptRuns_;
    lastInterval_ = elapsed;
    if (OnStep) OnStep();
}

void TNullScript::Render(const TRenderOptions&)
{
    std::fill(pixels_.begin(), pixels_.end(), fill_);
}

platform::FrameView TNullScript::Graphic() const
{
    return {pixels_.data(), width_, height_, width_};
}

platform::MutableFrame TNullScript::MutableGraphic()
{
    return {pixels_.data(), width_, height_, width_};
}

void TNullScript::CancelPlayMode(bool)
{
    playMode_ = 0;
}

TSystemRequest TNullScript::TakeRequest()
{
    TSystemRequest out = std::move(request_);
    request_ = {};
    return out;
}

} // namespace tsukimi
