#pragma once
// The built-in screens as the engine system drives them: the system menu,
// the backlog, the save and load selection and the configuration dialog.
#include <cstdint>
#include <string>

namespace tsukimi {

// A screen stepped frame by frame while its mode is current.
class TSystemScreen
{
public:
    virtual ~TSystemScreen() = default;
    // False when the game data has no layout for it; the engine then runs
    // the screen's script label instead.
    virtual bool Available() const = 0;
    virtual void Open() = 0;
    virtual void Close() = 0;
    virtual void Reset() {}
    // Menu: the choice (0 = still open). Backlog: 1 once closed.
    // Save/load: -1 cancelled, 0 open, 1 chosen.
    virtual int Step(uint32_t interval) = 0;
    virtual void Draw() {}
    // Save/load: the chosen file and the after-load label of its entry.
    virtual std::string ChosenFile() const { return {}; }
    virtual std::string ChosenLabel() const { return {}; }
};

// A screen the game data does not provide.
class TUnavailableScreen final : public TSystemScreen
{
public:
    bool Available() const override { return false; }
    void Open() override {}
    void Close() override {}
    int Step(uint32_t) override { return 1; }
};

// The configuration dialog, shown modally on a page.
class TConfigDialogInterface
{
public:
    virtual ~TConfigDialogInterface() = default;
    virtual void Prepare() {}
    virtual void ShowModal(int page) = 0;
    // Re-reads and re-applies the stored settings (after a reset).
    virtual void Reapply() {}
};

class TNullConfigDialog final : public TConfigDialogInterface
{
public:
    void ShowModal(int page) override { lastPage_ = page; ++shown_; }
    int Shown() const { return shown_; }
    int LastPage() const { return lastPage_; }

private:
    int shown_ = 0;
    int lastPage_ = 0;
};

} // namespace tsukimi
