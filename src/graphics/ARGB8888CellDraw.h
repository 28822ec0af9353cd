#pragma once
// The frame compositor. During a frame, scene elements record cells (draw
// commands) into the command log; Render sorts them by priority and depth,
// applies the transform stack, the perspective projection and back-face
// culling, distributes them into bands of 100 rows and redraws into the
// back buffer only the bands whose cell lists differ from the previous
// frame's. Presentation then shows the bands whose redraw count is above 0.
//
// Extra buffers: a mask image (white = no masking) that masked draws read
// and mask cells draw into, and a secondary buffer that receives the
// drawing while a band's afterimage runs; each such frame moves the back
// buffer halfway towards the new picture.
#include "data/MemoryStream.h"
#include "graphics/ARGB8888.h"
#include "graphics/CellDrawRecord.h"
#include "graphics/CellDrawTransformStack.h"
#include "graphics/DrawQuad.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <vector>

namespace tsukimi {

// Everything of a quad or transition cell besides its vertices.
struct TCellStyle
{
    const TARGB8888* image = nullptr;
    int imageFrame = 0;
    const TARGB8888* third = nullptr; // transitions: rule or faded-to image
    int thirdFrame = 0;
    int filter = 0; // 2 = bilinear
    int blendMode = 1;
    uint32_t multiply = 0xFFFFFF;
    uint32_t add = 0;
    int opacity = 255;
    int h = 0; // strength / progress / mix
    int g = 0; // soft wipe softness
    double depth = 0;
    double priority = 0;
    bool noCull = false;
    int cullMode = 0;          // 1: drop counter-clockwise, 2: drop clockwise
    int columns = 1, rows = 1; // subdivision grid (2 .. 16 cells)
};

struct TCellRenderParams
{
    uint32_t background = 0;
    bool halfLine = false;
    static constexpr int ScreenCentre = 0xFFFFFFF;
    int centreY = ScreenCentre, centreX = ScreenCentre;
    // Cells at or above it are not drawn.
    double priorityLimit = std::numeric_limits<double>::infinity();
    int filterOverride = 0; // 1 or 2 replaces every cell's filter
    double scaleY = 1, scaleX = 1;
    double offsetY = 0, offsetX = 0;
};

class TARGB8888CellDraw
{
public:
    static constexpr int BandRows = 100;
    static constexpr int AfterimageFrames = 16;
    using Clock = std::function<uint32_t()>; // milliseconds

    TARGB8888CellDraw();
    TARGB8888CellDraw(const TARGB8888CellDraw&) = delete;
    TARGB8888CellDraw& operator=(const TARGB8888CellDraw&) = delete;

    // --- Set-up and control.
    // Recreates the buffers (mask white, the others 0) and the bands, clears
    // the log and the band lists. False (nothing changed) for a size below
    // 1 or over the image limits.
    bool SetSize(int width, int height);
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BandCount() const { return static_cast<int>(bands_.size()); }
    // The back buffer (presentation reads the redrawn bands from it).
    const TARGB8888& Target() const { return target_; }
    const TARGB8888& Secondary() const { return secondary_; }
    const TARGB8888& MaskImage() const { return mask_; }

    // Forces the bands of rows top .. bottom to be redrawn by the next Render.
    void Invalidate(int left, int top, int right, int bottom);
    void InvalidateAll();
    void StartAfterimage() { afterimageRequest_ = true; }
    void StopAfterimage();
    // Empties the log and every band list, stops the afterimage and
    // invalidates everything.
    void Reset();
    // The back buffer made opaque, as a BMP.
    bool SaveBmp(TMemoryStream* stream);

    void SetDebugOverlay(bool on) { debugOverlay_ = on; }
    bool DebugOverlay() const { return debugOverlay_; }
    void SetPixelSnap(bool on) { pixelSnap_ = on; }
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // --- Recording (nothing is drawn until Render).
    void AddImageRect(const TARGB8888* image, int frame, int filter, int blendMode,
                      uint32_t multiply, uint32_t add, int opacity, double priority, int sourceLeft,
                      int sourceTop, int sourceRight, int sourceBottom, int x, int y);
    void AddFill(int alpha, int blendMode, uint32_t colour, double priority, float left, float top,
                 float right, float bottom);
    void AddFillColour(uint32_t argb, int blendMode, double priority, float left, float top,
                       float right, float bottom);
    void AddAlphaWipe(const TARGB8888* image, int threshold, int softness, int blendMode,
                      uint32_t multiply, uint32_t add, double priority, int sourceLeft,
                      int sourceTop, int sourceRight, int sourceBottom, int x, int y);
    void AddImageQuad(const TCellVertices& vertices, const TCellStyle& style);
    void AddMaskQuad(const TCellVertices& vertices, const TCellStyle& style);
    void AddCrossFade(const TCellVertices& vertices, const TCellStyle& style);
    void AddSoftWipe(const TCellVertices& vertices, const TCellStyle& style);
    void AddRuleMask(const TCellVertices& vertices, const TCellStyle& style);
    void AddMaskCrossFade(const TCellVertices& vertices, const TCellStyle& style);
    void AddMaskSoftWipe(const TCellVertices& vertices, const TCellStyle& style);
    void AddMaskRuleMask(const TCellVertices& vertices, const TCellStyle& style);
    // Level 0 .. 255 of the mask image for the cells after it; 255 = none.
    void AddMaskLevel(int level, double depth, double priority);
    void PushTransform(const TCellTransform& transform, double depth, double priority);
    void PopTransform(double depth, double priority);
    void ResetTransform(double depth, double priority);
    // The generic form: X, Y, U, V of the list, Z on the screen plane.
    void AddQuad(const TVertexList& vertices, const TCellStyle& style);

    // --- The frame.
    void Render(const TCellRenderParams& params);

    // Per band: above 0 when the band was redrawn by the last Render.
    const uint8_t* RedrawCounts() const { return redrawCounts_.data(); }
    int RedrawCountSize() const { return static_cast<int>(redrawCounts_.size()); }
    bool BandChanged(int band) const;
    // The cells drawn into the band by the last Render.
    const std::vector<TCellRecord>& BandEntries(int band) const;
    size_t LogSize() const { return log_.size(); }
    int AfterimageCount(int band) const;

private:
    struct TBand
    {
        std::vector<TCellRecord> previous, current;
        bool changed = false;
        bool forced = false;
        int afterimage = 0;
    };
    enum class TCover { Invisible, Covering, NotCovering };

    TCellRecord& Append(TCellKind kind, double priority, double depth);
    void AddStyled(TCellKind kind, const TCellVertices& vertices, const TCellStyle& style);
    void ScaleLog(const TCellRenderParams& params);
    void SortLog();
    void Distribute(const TCellRecord& record, TCover cover, int maskLevel);
    void AddToEveryBand(const TCellRecord& entry);
    bool ProcessTransform(const TCellRecord& record);
    TCover Classify(const TCellRecord& record) const;
    bool OffScreenOrDegenerate(const TCellRecord& record) const;
    bool CoversBand(const TCellRecord& record, int band) const;
    void RedrawBand(int band, bool startAfterimage, int filterOverride);
    void DrawEntry(const TCellRecord& entry, TARGB8888& buffer, int clipTop, int filter);
    void FillMaskBand(int band, uint32_t colour);
    void AverageBand(int band);
    void SetMaskLinks(bool on);
    void DrawOverlay();

    bool debugOverlay_ = false;
    bool pixelSnap_ = false;
    TARGB8888 target_, secondary_, mask_;
    int width_ = 0, height_ = 0;
    std::vector<TBand> bands_;
    std::vector<uint8_t> redrawCounts_;
    bool afterimageRequest_ = false;
    std::vector<TCellRecord> log_;
    std::vector<TCellTransform> transforms_; // pushed values, by record
    TCellDrawTransformStack stack_;
    Clock clock_;
};

// Truncation towards zero saturated to int32; NaN gives 0.
int TruncateToInt(double value);

} // namespace tsukimi
