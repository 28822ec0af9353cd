#include "graphics/ARGB8888CellDraw.h"

#include "graphics/BlendHalfLine.h"
#include "graphics/BlendTransitions.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace tsukimi {
namespace {

constexpr float ScreenPlane = 1000.0f;
constexpr int NoMask = 255;
constexpr int MaskDrawing = 4095;
constexpr double BackgroundPriority = -65530;

int VertexCount(int count)
{
    return count < 3 ? 4 : std::min(count, 4);
}

uint32_t SteadyMilliseconds()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

float Mix(const float (&p)[4], double s, double t)
{
    const double top = (1 - s) * p[0] + s * p[1];
    const double bottom = (1 - s) * p[3] + s * p[2];
    return static_cast<float>((1 - t) * top + t * bottom);
}

// The grid cell (c, r) of a quad, every value mixed bilinearly from the corners.
TCellVertices GridCell(const TCellVertices& q, int c, int r, int columns, int rows, bool third)
{
    TCellVertices out = q;
    const double s0 = static_cast<double>(c) / columns, s1 = static_cast<double>(c + 1) / columns;
    const double t0 = static_cast<double>(r) / rows, t1 = static_cast<double>(r + 1) / rows;
    const double ss[4] = {s0, s1, s1, s0}, ts[4] = {t0, t0, t1, t1};
    for (int i = 0; i < 4; ++i) {
        out.x[i] = Mix(q.x, ss[i], ts[i]);
        out.y[i] = Mix(q.y, ss[i], ts[i]);
        out.z[i] = Mix(q.z, ss[i], ts[i]);
        out.u[i] = Mix(q.u, ss[i], ts[i]);
        out.v[i] = Mix(q.v, ss[i], ts[i]);
        if (third) {
            out.u2[i] = Mix(q.u2, ss[i], ts[i]);
            out.v2[i] = Mix(q.v2, ss[i], ts[i]);
        }
    }
    return out;
}

bool IsTransition(TCellKind kind)
{
    return kind == TCellKind::CrossFade || kind == TCellKind::SoftWipe ||
           kind == TCellKind::RuleMask || kind == TCellKind::MaskCrossFade ||
           kind == TCellKind::MaskSoftWipe || kind == TCellKind::MaskRuleMask;
}

bool IsMaskDraw(TCellKind kind)
{
    return kind == TCellKind::MaskQuad || kind == TCellKind::MaskCrossFade ||
           kind == TCellKind::MaskSoftWipe || kind == TCellKind::MaskRuleMask;
}

bool IsScreenDraw(TCellKind kind)
{
    return static_cast<int>(kind) >= 0 && static_cast<int>(kind) <= 4;
}

// Kinds whose vertices the render-wide scale and offset move.
bool IsScalable(TCellKind kind)
{
    return kind == TCellKind::Quad || kind == TCellKind::CrossFade || kind == TCellKind::SoftWipe ||
           kind == TCellKind::RuleMask || IsMaskDraw(kind);
}

// Perspective onto the screen plane; true when the record is culled.
bool ProjectAndCull(TCellRecord& r, int width, int height)
{
    TCellVertices& v = r.vertices;
    const int n = VertexCount(v.count);
    bool allNear = true;
    for (int i = 0; i < n; ++i)
        if (!(v.z[i] < 10)) allNear = false;
    if (allNear) return true;
    const double cx = width / 2.0, cy = height / 2.0;
    for (int i = 0; i < n; ++i) {
        if (v.z[i] == ScreenPlane) continue;
        const double f = 1000.0 / std::max(static_cast<double>(v.z[i]), 10.0);
        v.x[i] = static_cast<float>(cx + (v.x[i] - cx) * f);
        v.y[i] = static_cast<float>(cy + (v.y[i] - cy) * f);
    }
    auto cross = [&v](int a, int b, int c) {
        return (static_cast<double>(v.x[b]) - v.x[a]) * (static_cast<double>(v.y[c]) - v.y[a]) -
               (static_cast<double>(v.y[b]) - v.y[a]) * (static_cast<double>(v.x[c]) - v.x[a]);
    };
    const double c1 = cross(0, 1, 2);
    const double c2 = n == 4 ? cross(0, 2, 3) : 0;
    if (r.cullMode == 1) return n == 3 ? c1 < 0 : !(c1 >= 0 && c2 >= 0);
    if (r.cullMode == 2) return c1 > 0 || (n == 4 && c2 > 0);
    return false;
}

bool CoversByMode(int mode, int opacity, uint32_t add, uint32_t multiply, bool fill)
{
    if (opacity != 255) return false;
    switch (mode) {
    case 1:
    case 2:
    case 3:
        return true;
    case 4:
    case 7:
    case 9:
    case 10:
        return (fill ? AddColours(multiply, add) : add) == 0xFFFFFF;
    case 5:
    case 8:
        return fill ? AddColours(multiply, add) == 0 : multiply == 0 && add == 0;
    default:
        return false;
    }
}

TVertexList ToVertexList(const TCellVertices& v, bool snap)
{
    TVertexList l;
    l.count = v.count;
    auto fix = [snap](float f) { return snap ? std::floor(f + 0.5f) : f; };
    for (int i = 0; i < 4; ++i) {
        l.x[i] = fix(v.x[i]) - 0.5f;
        l.y[i] = fix(v.y[i]) - 0.5f;
        l.u[i] = fix(v.u[i]);
        l.v[i] = fix(v.v[i]);
        l.u2[i] = fix(v.u2[i]);
        l.v2[i] = fix(v.v2[i]);
    }
    return l;
}

} // namespace

int TruncateToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

TARGB8888CellDraw::TARGB8888CellDraw() : clock_(SteadyMilliseconds)
{
    SetSize(128, 128);
}

bool TARGB8888CellDraw::SetSize(int width, int height)
{
    if (width < 1 || height < 1 || !TImageLimits{}.Allows(width, height)) return false;
    if (!target_.SetSize(width, height) || !secondary_.SetSize(width, height) ||
        !mask_.SetSize(width, height))
        return false;
    mask_.FillRect(0, 0, 0xFFFFFFFF, height, width);
    width_ = width;
    height_ = height;
    const int count = (height + BandRows - 1) / BandRows;
    bands_.assign(static_cast<size_t>(count), TBand{});
    redrawCounts_.assign(static_cast<size_t>(count), 0);
    stack_.SetScreenSize(width, height);
    log_.clear();
    transforms_.clear();
    return true;
}

void TARGB8888CellDraw::Invalidate(int /*left*/, int top, int /*right*/, int bottom)
{
    if (bands_.empty()) return;
    const int last = BandCount() - 1;
    const int first = std::clamp(std::min(top, bottom) / BandRows, 0, last);
    const int end = std::clamp(std::max(top, bottom) / BandRows, 0, last);
    for (int i = first; i <= end; ++i)
        bands_[static_cast<size_t>(i)].forced = true;
}

void TARGB8888CellDraw::InvalidateAll()
{
    Invalidate(0, 0, width_, height_);
}

void TARGB8888CellDraw::StopAfterimage()
{
    afterimageRequest_ = false;
    for (TBand& b : bands_)
        b.afterimage = 0;
}

void TARGB8888CellDraw::Reset()
{
    log_.clear();
    transforms_.clear();
    for (TBand& b : bands_) {
        b.previous.clear();
        b.current.clear();
    }
    StopAfterimage();
    InvalidateAll();
}

bool TARGB8888CellDraw::SaveBmp(TMemoryStream* stream)
{
    if (TALSGBitmap* buffer = target_.Buffer()) {
        for (int y = 0; y < buffer->Height(); ++y) {
            uint32_t* row = buffer->Row(y);
            for (int x = 0; x < buffer->Width(); ++x)
                row[x] |= 0xFF000000u;
        }
    }
    return target_.SaveBmp(stream);
}

bool TARGB8888CellDraw::BandChanged(int band) const
{
    return band >= 0 && band < BandCount() && bands_[static_cast<size_t>(band)].changed;
}

const std::vector<TCellRecord>& TARGB8888CellDraw::BandEntries(int band) const
{
    static const std::vector<TCellRecord> none;
    if (band < 0 || band >= BandCount()) return none;
    return bands_[static_cast<size_t>(band)].previous;
}

int TARGB8888CellDraw::AfterimageCount(int band) const
{
    return band >= 0 && band < BandCount() ? bands_[static_cast<size_t>(band)].afterimage : 0;
}

// --- Recording.

TCellRecord& TARGB8888CellDraw::Append(TCellKind kind, double priority, double depth)
{
    if (log_.size() == log_.capacity()) log_.reserve(log_.size() + 256);
    TCellRecord& r = log_.emplace_back();
    r.kind = kind;
    r.priority = TruncateToInt(priority);
    r.depth = TruncateToInt(depth * 128);
    r.sequence = static_cast<int>(log_.size() - 1);
    return r;
}

void TARGB8888CellDraw::AddImageRect(const TARGB8888* image, int frame, int filter, int blendMode,
                                     uint32_t multiply, uint32_t add, int opacity, double priority,
                                     int sourceLeft, int sourceTop, int sourceRight,
                                     int sourceBottom, int x, int y)
{
    if (opacity == 0) return;
    TCellRecord& r = Append(TCellKind::Quad, priority, 0);
    r.image = image;
    r.imageFrame = frame;
    r.serial = image ? image->Serial() : 0;
    r.filter = filter;
    r.blendMode = blendMode;
    r.multiply = multiply;
    r.add = add;
    r.opacity = opacity;
    const double w = static_cast<double>(sourceRight) - sourceLeft;
    const double h = static_cast<double>(sourceBottom) - sourceTop;
    r.vertices = RectangleCell(static_cast<float>(x), static_cast<float>(y),
                               static_cast<float>(x + w), static_cast<float>(y + h),
                               static_cast<float>(sourceLeft), static_cast<float>(sourceTop),
                               static_cast<float>(sourceRight), static_cast<float>(sourceBottom));
}

void TARGB8888CellDraw::AddFill(int alpha, int blendMode, uint32_t colour, double priority,
                                float left, float top, float right, float bottom)
{
    TCellRecord& r = Append(TCellKind::Quad, priority, 0);
    r.filter = 1;
    r.blendMode = blendMode;
    r.multiply = colour & 0xFFFFFF;
    r.add = 0;
    r.opacity = alpha;
    r.vertices = RectangleCell(left, top, right, bottom);
}

void TARGB8888CellDraw::AddFillColour(uint32_t argb, int blendMode, double priority, float left,
                                      float top, float right, float bottom)
{
    AddFill(static_cast<int>(argb >> 24), blendMode, argb, priority, left, top, right, bottom);
}

void TARGB8888CellDraw::AddAlphaWipe(const TARGB8888* image, int threshold, int softness,
                                     int blendMode, uint32_t multiply, uint32_t add,
                                     double priority, int sourceLeft, int sourceTop,
                                     int sourceRight, int sourceBottom, int x, int y)
{
    TCellRecord& r = Append(TCellKind::AlphaWipe, priority, 0);
    r.image = image;
    r.serial = image ? image->Serial() : 0;
    r.blendMode = blendMode;
    r.multiply = multiply;
    r.add = add;
    r.opacity = threshold;
    r.h = softness;
    const double w = static_cast<double>(sourceRight) - sourceLeft;
    const double h = static_cast<double>(sourceBottom) - sourceTop;
    r.vertices = RectangleCell(static_cast<float>(x), static_cast<float>(y),
                               static_cast<float>(x + w), static_cast<float>(y + h),
                               static_cast<float>(sourceLeft), static_cast<float>(sourceTop),
                               static_cast<float>(sourceRight), static_cast<float>(sourceBottom));
}

void TARGB8888CellDraw::AddStyled(TCellKind kind, const TCellVertices& vertices,
                                  const TCellStyle& s)
{
    TCellRecord base;
    base.kind = kind;
    base.blendMode = s.blendMode;
    base.filter = s.filter;
    base.image = s.image;
    base.third = IsTransition(kind) ? s.third : nullptr;
    base.cullMode = s.cullMode;
    base.opacity = s.opacity;
    base.add = s.add;
    base.multiply = s.multiply;
    base.serial = (s.image ? s.image->Serial() : 0) | (base.third ? base.third->Serial() : 0);
    base.h = s.h;
    base.g = s.g;
    base.imageFrame = s.imageFrame;
    base.thirdFrame = s.thirdFrame;
    base.noCull = s.noCull;
    TCellVertices v = vertices;
    v.count = v.count < 3 ? 4 : std::min(v.count, 4);
    const int cells = s.columns * s.rows;
    const bool grid = s.columns > 0 && s.rows > 0 && cells >= 2 && cells <= 16 && v.count == 4;
    const int columns = grid ? s.columns : 1, rows = grid ? s.rows : 1;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            TCellRecord& rec = Append(kind, s.priority, s.depth);
            const int sequence = rec.sequence, priority = rec.priority, depth = rec.depth;
            rec = base;
            rec.sequence = sequence;
            rec.priority = priority;
            rec.depth = depth;
            rec.vertices = grid ? GridCell(v, c, r, columns, rows, base.third != nullptr) : v;
        }
    }
}

void TARGB8888CellDraw::AddImageQuad(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::Quad, v, s);
}
void TARGB8888CellDraw::AddMaskQuad(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::MaskQuad, v, s);
}
void TARGB8888CellDraw::AddCrossFade(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::CrossFade, v, s);
}
void TARGB8888CellDraw::AddSoftWipe(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::SoftWipe, v, s);
}
void TARGB8888CellDraw::AddRuleMask(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::RuleMask, v, s);
}
void TARGB8888CellDraw::AddMaskCrossFade(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::MaskCrossFade, v, s);
}
void TARGB8888CellDraw::AddMaskSoftWipe(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::MaskSoftWipe, v, s);
}
void TARGB8888CellDraw::AddMaskRuleMask(const TCellVertices& v, const TCellStyle& s)
{
    AddStyled(TCellKind::MaskRuleMask, v, s);
}

void TARGB8888CellDraw::AddQuad(const TVertexList& list, const TCellStyle& s)
{
    TCellVertices v;
    v.count = list.count;
    for (int i = 0; i < 4; ++i) {
        v.x[i] = list.x[i];
        v.y[i] = list.y[i];
        v.z[i] = ScreenPlane;
        v.u[i] = list.u[i];
        v.v[i] = list.v[i];
    }
    TCellStyle single = s;
    single.columns = single.rows = 1;
    AddStyled(TCellKind::Quad, v, single);
}

void TARGB8888CellDraw::AddMaskLevel(int level, double depth, double priority)
{
    TCellRecord& r = Append(TCellKind::MaskLevel, priority, depth);
    r.opacity = std::clamp(level, 0, 255);
}

void TARGB8888CellDraw::PushTransform(const TCellTransform& transform, double depth,
                                      double priority)
{
    TCellRecord& r = Append(TCellKind::PushTransform, priority, depth);
    r.h = static_cast<int>(transforms_.size());
    transforms_.push_back(transform);
}

void TARGB8888CellDraw::PopTransform(double depth, double priority)
{
    Append(TCellKind::PopTransform, priority, depth);
}

void TARGB8888CellDraw::ResetTransform(double depth, double priority)
{
    Append(TCellKind::ResetTransform, priority, depth);
}

// --- Render.

void TARGB8888CellDraw::ScaleLog(const TCellRenderParams& p)
{
    if (p.scaleX == 1 && p.scaleY == 1 && p.offsetX == 0 && p.offsetY == 0) return;
    const double cx = p.centreX == TCellRenderParams::ScreenCentre ? width_ / 2.0 : p.centreX;
    const double cy = p.centreY == TCellRenderParams::ScreenCentre ? height_ / 2.0 : p.centreY;
    for (TCellRecord& r : log_) {
        if (!IsScalable(r.kind)) continue;
        for (int i = 0; i < 4; ++i) {
            r.vertices.x[i] =
                static_cast<float>(cx + (r.vertices.x[i] + p.offsetX - cx) * p.scaleX);
            r.vertices.y[i] =
                static_cast<float>(cy + (r.vertices.y[i] + p.offsetY - cy) * p.scaleY);
        }
    }
}

void TARGB8888CellDraw::SortLog()
{
    std::sort(log_.begin(), log_.end(), [](const TCellRecord& a, const TCellRecord& b) {
        if (a.priority != b.priority) return a.priority < b.priority;
        if (a.depth != b.depth) return a.depth > b.depth;
        return a.sequence < b.sequence;
    });
}

bool TARGB8888CellDraw::ProcessTransform(const TCellRecord& r)
{
    switch (r.kind) {
    case TCellKind::ResetTransform:
        stack_.Reset();
        return true;
    case TCellKind::PopTransform:
        stack_.Pop();
        return true;
    case TCellKind::PushTransform:
        if (r.h >= 0 && static_cast<size_t>(r.h) < transforms_.size())
            stack_.Push(transforms_[static_cast<size_t>(r.h)]);
        return true;
    default:
        return false;
    }
}

bool TARGB8888CellDraw::OffScreenOrDegenerate(const TCellRecord& r) const
{
    const TCellVertices& v = r.vertices;
    const int n = VertexCount(v.count);
    bool same = true;
    float minX = v.x[0], maxX = v.x[0], minY = v.y[0], maxY = v.y[0];
    for (int i = 1; i < n; ++i) {
        if (v.x[i] != v.x[0] || v.y[i] != v.y[0]) same = false;
        minX = std::min(minX, v.x[i]);
        maxX = std::max(maxX, v.x[i]);
        minY = std::min(minY, v.y[i]);
        maxY = std::max(maxY, v.y[i]);
    }
    // Written so that NaN positions count as off screen.
    const bool inX = maxX >= 0 && minX <= static_cast<float>(width_ - 1);
    const bool inY = maxY >= 0 && minY <= static_cast<float>(height_ - 1);
    return same || !inX || !inY;
}

TARGB8888CellDraw::TCover TARGB8888CellDraw::Classify(const TCellRecord& r) const
{
    if (r.opacity == 0) return TCover::Invisible;
    if (r.kind != TCellKind::Quad) return TCover::NotCovering;
    const bool fill = r.image == nullptr;
    if (!fill && r.image->IsTransparent()) return TCover::NotCovering;
    return CoversByMode(r.blendMode, r.opacity, r.add, r.multiply, fill) ? TCover::Covering
                                                                         : TCover::NotCovering;
}

bool TARGB8888CellDraw::CoversBand(const TCellRecord& r, int band) const
{
    const TCellVertices& v = r.vertices;
    const int n = VertexCount(v.count);
    const double y0 = static_cast<double>(band) * BandRows;
    const double y1 = std::min((band + 1) * BandRows, height_) - 1;
    const double x1 = width_ - 1;
    double minX = v.x[0], maxX = v.x[0], minY = v.y[0], maxY = v.y[0];
    for (int i = 1; i < n; ++i) {
        minX = std::min<double>(minX, v.x[i]);
        maxX = std::max<double>(maxX, v.x[i]);
        minY = std::min<double>(minY, v.y[i]);
        maxY = std::max<double>(maxY, v.y[i]);
    }
    if ((y1 - y0) * 0.8 > maxY - minY || x1 * 0.8 > maxX - minX) return false;
    const double px[4] = {0, x1, x1, 0}, py[4] = {y0, y0, y1, y1};
    for (int c = 0; c < 4; ++c) {
        for (int i = 0; i < n; ++i) {
            const int p = (i + n - 1) % n;
            const double e = (px[c] - v.x[i]) * (static_cast<double>(v.y[i]) - v.y[p]) +
                             (py[c] - v.y[i]) * (static_cast<double>(v.x[p]) - v.x[i]);
            if (!(e <= 0)) return false;
        }
    }
    return true;
}

void TARGB8888CellDraw::AddToEveryBand(const TCellRecord& entry)
{
    for (TBand& b : bands_)
        b.current.push_back(entry);
}

void TARGB8888CellDraw::Distribute(const TCellRecord& r, TCover cover, int maskLevel)
{
    const TCellVertices& v = r.vertices;
    const int n = VertexCount(v.count);
    int minRow = 100000, maxRow = 0;
    for (int i = 0; i < n; ++i) {
        const int row = TruncateToInt(v.y[i]);
        minRow = std::min(minRow, row);
        maxRow = std::max(maxRow, row);
    }
    const int last = BandCount() - 1;
    const int first = std::clamp(minRow / BandRows, 0, last);
    const int end = std::clamp(maxRow / BandRows, 0, last);
    if (r.image) r.image->CallFrameHook(r.imageFrame);
    if (r.third) r.third->CallFrameHook(r.thirdFrame);
    TCellRecord entry = r;
    entry.priority = entry.depth = entry.sequence = 0;
    for (int band = first; band <= end; ++band) {
        TBand& b = bands_[static_cast<size_t>(band)];
        if (cover == TCover::Covering && !r.noCull && maskLevel == NoMask && CoversBand(r, band))
            b.current.clear();
        b.current.push_back(entry);
    }
}

void TARGB8888CellDraw::Render(const TCellRenderParams& params)
{
    if (bands_.empty()) return;
    const bool savedHalfLine = THalfLineMode::Enabled();
    THalfLineMode::SetEnabled(params.halfLine);
    const bool startAfterimage = afterimageRequest_;
    afterimageRequest_ = false;
    for (TBand& b : bands_) {
        b.current.clear();
        b.changed = false;
    }
    stack_.Reset();

    ScaleLog(params);
    AddFillColour(params.background | 0xFF000000u, 3, BackgroundPriority, 0, 0,
                  static_cast<float>(width_), static_cast<float>(height_));
    SortLog();

    int maskLevel = NoMask;
    for (const TCellRecord& logged : log_) {
        if (!(logged.priority < params.priorityLimit)) continue;
        if (logged.kind == TCellKind::MaskLevel) {
            maskLevel = logged.opacity;
            TCellRecord entry;
            entry.kind = TCellKind::MaskLevel;
            entry.opacity = maskLevel;
            AddToEveryBand(entry);
            continue;
        }
        if (IsMaskDraw(logged.kind)) {
            if (maskLevel == NoMask) {
                TCellRecord entry;
                entry.kind = TCellKind::MaskLevel;
                entry.opacity = 0;
                AddToEveryBand(entry);
            }
            maskLevel = MaskDrawing;
        }
        if (ProcessTransform(logged)) continue;
        TCellRecord r = logged;
        if (r.kind != TCellKind::AlphaWipe) stack_.Apply(r);
        if (ProjectAndCull(r, width_, height_)) continue;
        TCover cover = TCover::NotCovering;
        if (IsScreenDraw(r.kind) && !r.noCull) {
            if (OffScreenOrDegenerate(r)) continue;
            cover = Classify(r);
            if (cover == TCover::Invisible) continue;
        }
        Distribute(r, cover, maskLevel);
    }

    for (TBand& b : bands_) {
        if (b.forced) b.changed = true;
        b.forced = false;
    }
    for (int i = 0; i < BandCount() && i * BandRows < target_.Height(); ++i) {
        TBand& b = bands_[static_cast<size_t>(i)];
        uint8_t& count = redrawCounts_[static_cast<size_t>(i)];
        const bool same =
            b.current.size() == b.previous.size() &&
            std::equal(b.current.begin(), b.current.end(), b.previous.begin(), SameCell);
        if (b.changed || b.afterimage > 0 || !same) count = params.halfLine ? 3 : 2;
        if (count > 0) --count;
        if (count > 0) RedrawBand(i, startAfterimage, params.filterOverride);
    }

    SetMaskLinks(false);
    if (debugOverlay_) DrawOverlay();
    for (TBand& b : bands_) {
        std::swap(b.current, b.previous);
        b.current.clear();
    }
    log_.clear();
    transforms_.clear();
    THalfLineMode::SetEnabled(savedHalfLine);
}

void TARGB8888CellDraw::SetMaskLinks(bool on)
{
    TALSGBitmap* link = on ? mask_.Buffer() : nullptr;
    if (target_.Buffer()) target_.Buffer()->SetMaskLink(link);
    if (secondary_.Buffer()) secondary_.Buffer()->SetMaskLink(link);
}

void TARGB8888CellDraw::FillMaskBand(int band, uint32_t colour)
{
    const int r0 = band * BandRows;
    FillQuad(mask_, colour, 2, -0.5f, static_cast<float>(r0) - 0.5f,
             static_cast<float>(width_) - 0.5f, static_cast<float>(r0 + BandRows) - 0.5f, r0,
             r0 + BandRows);
}

void TARGB8888CellDraw::RedrawBand(int band, bool startAfterimage, int filterOverride)
{
    TBand& b = bands_[static_cast<size_t>(band)];
    b.changed = true;
    if (b.afterimage > 0) --b.afterimage;
    if (startAfterimage) b.afterimage = AfterimageFrames;
    TARGB8888& buffer = b.afterimage > 0 ? secondary_ : target_;
    const int r0 = band * BandRows;
    int m = NoMask;
    for (const TCellRecord& e : b.current) {
        SetMaskLinks(m != NoMask);
        const int filter = filterOverride != 0 ? filterOverride : e.filter;
        if (e.kind == TCellKind::MaskLevel) {
            if (e.opacity != m)
                FillMaskBand(band, 0xFF000000u | (static_cast<uint32_t>(e.opacity) * 0x010101u));
            m = e.opacity;
        } else if (IsMaskDraw(e.kind)) {
            DrawEntry(e, mask_, r0, filter);
            m = MaskDrawing;
        } else {
            DrawEntry(e, buffer, r0, filter);
        }
    }
    if (m != NoMask) {
        SetMaskLinks(false);
        FillMaskBand(band, 0xFFFFFFFFu);
    }
    if (b.afterimage > 0) AverageBand(band);
}

void TARGB8888CellDraw::DrawEntry(const TCellRecord& e, TARGB8888& buffer, int clipTop, int filter)
{
    const TVertexList list = ToVertexList(e.vertices, pixelSnap_);
    TDrawParams p;
    p.clipTop = clipTop;
    p.clipBottom = clipTop + BandRows;
    p.filter = filter;
    p.blendMode = e.blendMode;
    p.opacity = e.opacity;
    p.multiply = e.multiply;
    p.add = e.add;
    switch (e.kind) {
    case TCellKind::Quad:
    case TCellKind::MaskQuad:
        if (e.image)
            DrawQuad(*e.image, buffer, list, p);
        else
            FillPolygon(buffer, list, p.clipTop, p.clipBottom, e.blendMode, e.opacity, e.multiply,
                        e.add);
        break;
    case TCellKind::AlphaWipe:
        if (e.image)
            DrawAlphaWipe(*e.image, buffer, RoundCoordinate(e.vertices.x[0]),
                          RoundCoordinate(e.vertices.y[0]), RoundCoordinate(e.vertices.u[0]),
                          RoundCoordinate(e.vertices.v[0]), RoundCoordinate(e.vertices.u[2]),
                          RoundCoordinate(e.vertices.v[2]), p.clipTop, p.clipBottom, e.opacity,
                          e.h);
        break;
    case TCellKind::CrossFade:
    case TCellKind::MaskCrossFade:
        if (e.image && e.third) DrawCrossFade(*e.image, buffer, *e.third, list, p, e.h);
        break;
    case TCellKind::SoftWipe:
    case TCellKind::MaskSoftWipe:
        if (e.image && e.third) DrawSoftWipe(*e.image, buffer, *e.third, list, p, e.h, e.g);
        break;
    case TCellKind::RuleMask:
    case TCellKind::MaskRuleMask:
        if (e.image && e.third) DrawRuleMask(*e.image, buffer, *e.third, list, p, e.h);
        break;
    default:
        break;
    }
}

void TARGB8888CellDraw::AverageBand(int band)
{
    TALSGBitmap* t = target_.Buffer();
    const TALSGBitmap* s = secondary_.Buffer();
    if (!t || !s) return;
    const int parity = THalfLineMode::DrawParity();
    const int r0 = band * BandRows;
    const int r1 = std::min({r0 + BandRows, t->Height(), s->Height()});
    const int pairs = (std::min(t->Width(), s->Width()) / 2) * 2;
    for (int y = r0; y < r1; ++y) {
        if (parity >= 0 && (y & 1) == parity) continue;
        uint32_t* tr = t->Row(y);
        const uint32_t* sr = s->Row(y);
        for (int x = 0; x < pairs; ++x)
            tr[x] = ((tr[x] >> 1) & 0x7F7F7F7Fu) + ((sr[x] >> 1) & 0x7F7F7F7Fu);
    }
}

void TARGB8888CellDraw::DrawOverlay()
{
    const uint32_t grey = (clock_ ? clock_() : 0) % 250;
    const uint32_t colour = 0xFF000000u | grey * 0x010101u;
    for (int i = 0; i < BandCount(); ++i) {
        const TBand& b = bands_[static_cast<size_t>(i)];
        const float r0 = static_cast<float>(i * BandRows);
        FillQuad(target_, 0x00000000u, 3, -0.5f, r0 - 0.5f, 19.5f, r0 + 8.5f, 0, height_);
        if (!b.changed) continue;
        const int entries = static_cast<int>(std::min<size_t>(b.current.size(), 8));
        FillQuad(target_, colour, 3, -0.5f, r0 + 1.5f, 2.0f * entries + 1.5f, r0 + 7.5f, 0,
                 height_);
    }
}

} // namespace tsukimi
