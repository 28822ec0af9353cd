#pragma once
// Shared fakes for the script tests: a message recorder, object callbacks
// that record what they are asked, and an in-memory script source.
#include "script/ScriptSource.h"
#include "script/ValueArray.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace tsukimi::testing {

struct MessageLog
{
    std::vector<std::string> messages;
    TScriptErrorReport Sink()
    {
        return [this](std::string_view m) { messages.emplace_back(m); };
    }
    bool Has(const std::string& text) const
    {
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }
};

class RecordingCallbacks : public TObjectCallbacks
{
public:
    std::vector<std::string> calls;
    bool failCreate = false, failDelete = false;

    bool CreateObject(std::string_view kind, std::string_view, std::string_view element) override
    {
        calls.push_back("create " + std::string(kind) + " " + std::string(element));
        return !failCreate;
    }
    bool DeleteObject(std::string_view kind, std::string_view, std::string_view element) override
    {
        calls.push_back("delete " + std::string(kind) + " " + std::string(element));
        return !failDelete;
    }
    void SaveObject(TMemoryStream& stream, std::string_view, std::string_view,
                    std::string_view element) override
    {
        calls.push_back("save " + std::string(element));
        stream.WriteU32(0xC0FFEE);
    }
    void LoadObject(TMemoryStream& stream, std::string_view, std::string_view,
                    std::string_view element) override
    {
        calls.push_back("load " + std::string(element) +
                        (stream.ReadU32() == 0xC0FFEE ? "" : " bad"));
    }
};

// Names resolve without ASCII case and with "/" taken as "\".
class MapSource : public TScriptSource
{
public:
    void Put(std::string name, std::string text) { files_[Key(name)] = {name, std::move(text)}; }
    std::string ResolveName(std::string_view name) override
    {
        const auto it = files_.find(Key(name));
        return it == files_.end() ? std::string() : it->second.first;
    }
    std::optional<TMemoryStream> LoadData(std::string_view name) override
    {
        const auto it = files_.find(Key(name));
        if (it == files_.end()) return std::nullopt;
        return TMemoryStream(std::string_view(it->second.second));
    }

private:
    static std::string Key(std::string_view name)
    {
        std::string key(name);
        for (char& c : key) {
            if (c == '/') c = '\\';
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return key;
    }
    std::map<std::string, std::pair<std::string, std::string>> files_;
};

} // namespace tsukimi::testing
