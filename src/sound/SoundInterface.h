#pragma once
// What the engine system asks of the sound services.
namespace tsukimi {

class TSoundInterface
{
public:
    virtual ~TSoundInterface() = default;
    virtual void PauseAll() = 0;
    virtual void ResumeAll() = 0;
    virtual void StopAll() = 0;
};

// No device: remembers only whether it is paused.
class TNullSound final : public TSoundInterface
{
public:
    void PauseAll() override { paused_ = true; }
    void ResumeAll() override { paused_ = false; }
    void StopAll() override { ++stops_; }
    bool Paused() const { return paused_; }
    int Stops() const { return stops_; }

private:
    bool paused_ = false;
    int stops_ = 0;
};

} // namespace tsukimi
