#pragma once
// The tray icon object: reacts to minimise and restore by the tray mode.
// The icon itself is the backend's; the desktop here has none, so the
// standard backend does nothing and minimising never hides the window.
#include <cstdint>
#include <functional>
#include <memory>

namespace tsukimi {

class TTrayBackend
{
public:
    virtual ~TTrayBackend() = default;
    virtual void AddIcon() {}
    virtual void RemoveIcon() {}
    virtual void HideAppWindow() {}
    virtual void ShowAppWindow() {}
};

class TTaskTray
{
public:
    explicit TTaskTray(std::unique_ptr<TTrayBackend> backend = nullptr);

    // Changes the tray mode (0-3; 4 or more does nothing); no-op when unchanged.
    void SetMode(uint8_t mode);
    // Reports the window's minimised state; acts when it changed.
    void Poll(bool iconic);

    std::function<void(bool)> MinimiseCallback;
    uint8_t Mode() const { return mode_; }

private:
    void OnMinimise();
    void OnRestore();
    void AddIcon();
    void RemoveIcon();

    std::unique_ptr<TTrayBackend> backend_;
    uint8_t lastIconic_ = 1;
    bool iconShown_ = false;
    uint8_t mode_ = 0;
};

} // namespace tsukimi
