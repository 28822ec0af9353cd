#pragma once
// Half-line (interlaced) drawing: a process-wide flag and a phase bit.
// While the flag is on every draw sets its destination's line parity to
// 1 - phase, and rows of that parity are neither scanned nor drawn; while
// it is off the parity is -1 and every row is drawn. The phase flips once
// per frame.
namespace tsukimi {

class THalfLineMode
{
public:
    static bool Enabled() { return enabled_; }
    static void SetEnabled(bool on) { enabled_ = on; }
    static int Phase() { return phase_; }
    static void SetPhase(int phase) { phase_ = phase & 1; }
    static void FlipPhase() { phase_ ^= 1; }
    // The excluded row parity a draw gives its destination: -1 or 1 - phase.
    static int DrawParity() { return enabled_ ? 1 - phase_ : -1; }

private:
    static inline bool enabled_ = false;
    static inline int phase_ = 0;
};

} // namespace tsukimi
