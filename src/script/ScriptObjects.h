#pragma once
// What the interpreter asks of its object manager: commands for target
// objects, pointer and click offers, the per-frame update, and the sound and
// message-window states that its waits depend on. TNullScriptObjects knows
// no objects.
#include "script/ValueArray.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tsukimi {

enum class TDispatchResult : uint8_t {
    NotFound,       // no object of that name
    Handled,        // the object's kind took the command
    UnknownCommand, // the object's kind has no such command
};

class TScriptObjects
{
public:
    virtual ~TScriptObjects() = default;

    // The callbacks the variable stores use for owning object arrays.
    virtual TObjectCallbacks* Callbacks() { return nullptr; }
    // `arguments[0]` is the command token; `kindName` receives the short
    // name of the object's kind ("none" for a kind without commands).
    virtual TDispatchResult Dispatch(std::string_view target, uint32_t code,
                                     const std::vector<std::string>& arguments,
                                     std::string& kindName) = 0;
    virtual void Reset() {}
    virtual void Update(uint32_t /*elapsed*/) {}
    virtual void Hover(int /*x*/, int /*y*/) {}
    // Kind 0 mouse click, 2 other button. True when an object took it.
    virtual bool OfferClick(int /*x*/, int /*y*/, int /*kind*/) { return false; }
    virtual bool VoicePlaying() const { return false; }
    // Channels of the stream bank; a channel outside counts as stopped.
    virtual int SoundChannelCount() const { return 0; }
    virtual bool SoundPlaying(int /*channel*/) const { return false; }
    // 0 every message window idle, 1 one is printing, 2 one waits for a page.
    virtual int MessageWaitState() const { return 0; }
};

class TNullScriptObjects final : public TScriptObjects
{
public:
    TDispatchResult Dispatch(std::string_view, uint32_t, const std::vector<std::string>&,
                             std::string&) override
    {
        return TDispatchResult::NotFound;
    }
};

} // namespace tsukimi
