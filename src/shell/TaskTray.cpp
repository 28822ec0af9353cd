#include "shell/TaskTray.h"

namespace tsukimi {

TTaskTray::TTaskTray(std::unique_ptr<TTrayBackend> backend) : backend_(std::move(backend))
{
    if (!backend_)
        backend_ = std::make_unique<TTrayBackend>();
}

void TTaskTray::AddIcon()
{
    if (iconShown_)
        return;
    backend_->AddIcon();
    iconShown_ = true;
}

void TTaskTray::RemoveIcon()
{
    if (!iconShown_)
        return;
    backend_->RemoveIcon();
    iconShown_ = false;
}

void TTaskTray::SetMode(uint8_t mode)
{
    if (mode == mode_)
        return;
    mode_ = mode;
    switch (mode) {
    case 0:
    case 3:
        backend_->ShowAppWindow();
        RemoveIcon();
        break;
    case 1:
    case 2:
        backend_->ShowAppWindow();
        AddIcon();
        break;
    default: break;
    }
}

void TTaskTray::OnMinimise()
{
    switch (mode_) {
    case 0: RemoveIcon(); break;
    case 1: AddIcon(); break;
    case 2:
    case 3:
        AddIcon();
        backend_->HideAppWindow();
        break;
    default: break;
    }
}

void TTaskTray::OnRestore()
{
    if (mode_ >= 4)
        return;
    backend_->ShowAppWindow();
    if (mode_ == 1 || mode_ == 2)
        AddIcon();
    else
        RemoveIcon();
}

void TTaskTray::Poll(bool iconic)
{
    const uint8_t value = iconic ? 1 : 0;
    if (value == lastIconic_)
        return;
    if (MinimiseCallback)
        MinimiseCallback(iconic);
    if (iconic)
        OnMinimise();
    else
        OnRestore();
    lastIconic_ = value;
}

} // namespace tsukimi
