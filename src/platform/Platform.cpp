#include "platform/Platform.h"

#include "platform/SdlDialogs.h"
#include "platform/SdlPresenter.h"
#include "platform/SdlWindow.h"

namespace tsukimi::platform {

// The overlay font: a Japanese gothic face.
constexpr std::string_view kOverlayFamily = "IPAGothic";

Platform::Platform() = default;
Platform::~Platform() = default;
Platform::Platform(Platform&&) noexcept = default;

Platform& Platform::operator=(Platform&& other) noexcept
{
    if (this == &other) return *this;
    // The presenter and dialogs lean on the window: release in reverse order.
    overlayText.reset();
    files.reset();
    dialogs.reset();
    presenter.reset();
    window.reset();
    clock.reset();
    clock = std::move(other.clock);
    window = std::move(other.window);
    presenter = std::move(other.presenter);
    dialogs = std::move(other.dialogs);
    files = std::move(other.files);
    overlayText = std::move(other.overlayText);
    headless = other.headless;
    return *this;
}

std::unique_ptr<Platform> CreateRealPlatform(const std::string& gameFolder, std::string* error)
{
    std::unique_ptr<SdlWindow> window = SdlWindow::Create(error);
    if (!window) return nullptr;
    auto platform = std::make_unique<Platform>();
    platform->clock = CreateSystemClock();
    platform->presenter = std::make_unique<SdlPresenter>(*window);
    platform->dialogs = std::make_unique<SdlDialogs>(window.get());
    platform->window = std::move(window);
    platform->files = CreateNativeFileSystem(gameFolder);
    platform->overlayText = CreateOverlayText(kOverlayFamily);
    platform->headless = false;
    return platform;
}

std::unique_ptr<Platform> CreateHeadlessPlatform(const std::string& gameFolder, uint32_t clockStart)
{
    auto platform = std::make_unique<Platform>();
    platform->clock = std::make_unique<VirtualClock>(clockStart);
    platform->window = std::make_unique<HeadlessWindow>();
    platform->presenter = std::make_unique<HeadlessPresenter>();
    platform->dialogs = std::make_unique<HeadlessDialogs>();
    platform->files = CreateNativeFileSystem(gameFolder);
    platform->overlayText = CreateOverlayText(kOverlayFamily);
    platform->headless = true;
    return platform;
}

} // namespace tsukimi::platform
