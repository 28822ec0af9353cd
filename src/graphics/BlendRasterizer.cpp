#include "graphics/BlendRasterizer.h"

#include "graphics/BlendOps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tsukimi::raster {
namespace {

// Reset values of an edge table row; also the largest position accepted.
constexpr float EdgeReset = 16777215.0f;
constexpr float AxisTolerance = 1.0f / 16384.0f;

struct TRows
{
    int first = 0, last = -1; // inclusive
};

bool Excluded(int row, int parity)
{
    return parity >= 0 && (row & 1) == parity;
}

int VertexCount(const TVertexBlock& b)
{
    return b.count < 3 ? 4 : std::min<int>(b.count, 4);
}

bool FiniteIn(const float* values, int n, float limit)
{
    for (int i = 0; i < n; ++i)
        if (!(std::fabs(values[i]) <= limit)) return false; // NaN fails too
    return true;
}

// Positions beyond the edge table's range, NaN or infinite values draw
// nothing.
bool Acceptable(const TVertexBlock& b, int n, bool textured, bool third)
{
    constexpr float any = std::numeric_limits<float>::max();
    if (!FiniteIn(b.x, n, EdgeReset) || !FiniteIn(b.y, n, EdgeReset)) return false;
    if (textured && (!FiniteIn(b.u, n, any) || !FiniteIn(b.v, n, any))) return false;
    if (third && (!FiniteIn(b.u2, n, any) || !FiniteIn(b.v2, n, any))) return false;
    return true;
}

bool Near(float a, float b)
{
    return std::fabs(a - b) <= AxisTolerance;
}

bool HalfFraction(float x)
{
    const float f = std::fabs(x - std::trunc(x));
    return f >= 0.49f && f <= 0.51f;
}

struct TEdgeCursor
{
    float x, u, v, u2, v2;
};

void ResetRows(std::vector<TEdgeEntry>& table, TRows rows)
{
    for (int r = rows.first; r <= rows.last; ++r) {
        table[static_cast<size_t>(r)].xMin = EdgeReset;
        table[static_cast<size_t>(r)].xMax = -EdgeReset;
    }
}

void Record(TEdgeEntry& e, const TEdgeCursor& c)
{
    if (c.x < e.xMin) {
        e.xMin = c.x;
        e.uMin = c.u;
        e.vMin = c.v;
        e.u2Min = c.u2;
        e.v2Min = c.v2;
    }
    if (c.x > e.xMax) {
        e.xMax = c.x;
        e.uMax = c.u;
        e.vMax = c.v;
        e.u2Max = c.u2;
        e.v2Max = c.v2;
    }
}

// Adds the edge from vertex a to vertex b (a above b) to the rows.
void ScanEdge(std::vector<TEdgeEntry>& table, const TVertexBlock& blk, int a, int b, TRows rows,
              int parity)
{
    const float height = blk.y[b] - blk.y[a];
    if (!(height >= 0.001f)) return;
    const int start = std::max(rows.first, TruncSaturate(double{blk.y[a]} + 0.9999));
    const int end = std::min(rows.last, TruncSaturate(double{blk.y[b]} - 0.0001));
    if (end < start) return;
    const TEdgeCursor step{(blk.x[b] - blk.x[a]) / height, (blk.u[b] - blk.u[a]) / height,
                           (blk.v[b] - blk.v[a]) / height, (blk.u2[b] - blk.u2[a]) / height,
                           (blk.v2[b] - blk.v2[a]) / height};
    const float t = std::max(0.0f, static_cast<float>(start) - blk.y[a]);
    TEdgeCursor c{blk.x[a] + step.x * t, blk.u[a] + step.u * t, blk.v[a] + step.v * t,
                  blk.u2[a] + step.u2 * t, blk.v2[a] + step.v2 * t};
    for (int r = start; r <= end; ++r) {
        if (!Excluded(r, parity)) Record(table[static_cast<size_t>(r)], c);
        c.x += step.x;
        c.u += step.u;
        c.v += step.v;
        c.u2 += step.u2;
        c.v2 += step.v2;
    }
}

// Builds the edge table of the rows the polygon may touch.
TRows ScanPolygon(TALSGBitmap& dst, const TVertexBlock& blk, int n, int clipTop, int clipBottom)
{
    const int lo = std::max(0, clipTop);
    const int hi = std::min(dst.Height(), clipBottom) - 1;
    if (hi < lo) return {};
    float minY = blk.y[0], maxY = blk.y[0];
    for (int i = 1; i < n; ++i) {
        minY = std::min(minY, blk.y[i]);
        maxY = std::max(maxY, blk.y[i]);
    }
    const TRows rows{std::max(lo, TruncSaturate(double{minY} - 2.0)),
                     std::min(hi, TruncSaturate(double{maxY} + 2.0))};
    if (rows.last < rows.first) return {};
    std::vector<TEdgeEntry>& table = dst.EdgeTable();
    ResetRows(table, rows);
    for (int i = 0; i < n; ++i) {
        int a = i, b = (i + 1) % n;
        if (blk.y[a] > blk.y[b]) std::swap(a, b);
        ScanEdge(table, blk, a, b, rows, dst.LineParity());
    }
    return rows;
}

// First and last pixel of a row's span; last < first when empty.
struct TSpanRange
{
    int first, last;
};

TSpanRange SpanOf(const TEdgeEntry& e, int width)
{
    return {std::max(0, TruncSaturate(double{e.xMin} + 0.9999)),
            std::min(width - 1, TruncSaturate(double{e.xMax} - 0.0001))};
}

bool Outside(const TEdgeEntry& e, int width)
{
    return e.xMax < 0.0f || e.xMin > static_cast<float>(width - 1);
}

// Whether every position start + i * step (i < count) reads inside the
// source and its one-pixel border, for both filters.
bool Readable(int32_t start, int32_t step, int count, int size)
{
    const int64_t end = int64_t{start} + int64_t{step} * (count - 1);
    const int64_t lo = std::min<int64_t>(start, end), hi = std::max<int64_t>(start, end);
    return lo >= -65536 && hi <= (int64_t{size} + 1) * 65536 - 1;
}

struct TDraw
{
    const TKernelTable* kernels;
    TKernelFilter filter;
    TKernelComposition composition;
    const TTransition* transition;
    int sourceWidth, sourceHeight, thirdWidth, thirdHeight;
    const TALSGBitmap* mask;
    TSpanArgs args;
};

TSpanKernel Pick(const TDraw& d, TKernelGeometry g)
{
    if (d.transition) return d.kernels->Transition(g, d.filter, d.transition->kind);
    return d.kernels->Span(g, d.filter, d.composition);
}

// Calls the kernel for pixels first .. last of row r with the args' start
// positions, when every read stays inside the sources.
void RunSpan(TDraw& d, TALSGBitmap& dst, int r, TSpanRange span, TKernelGeometry g)
{
    TSpanArgs& a = d.args;
    if (a.u < -65536 || a.v < -65536) return;
    a.count = span.last - span.first + 1;
    const int32_t du = g == TKernelGeometry::Unscaled ? 0x10000 : a.du;
    const int32_t dv = g == TKernelGeometry::General ? a.dv : 0;
    if (!Readable(a.u, du, a.count, d.sourceWidth) || !Readable(a.v, dv, a.count, d.sourceHeight))
        return;
    if (d.transition) {
        const int32_t dv2 = g == TKernelGeometry::General ? a.dv2 : 0;
        if (!Readable(a.u2, a.du2, a.count, d.thirdWidth) ||
            !Readable(a.v2, dv2, a.count, d.thirdHeight))
            return;
    }
    a.destination = dst.Row(r) + span.first;
    a.mask = d.mask ? d.mask->Row(r) + span.first : nullptr;
    Pick(d, g)(a);
}

void GeneralSpans(TDraw& d, TALSGBitmap& dst, TRows rows)
{
    const std::vector<TEdgeEntry>& table = dst.EdgeTable();
    const int parity = dst.LineParity();
    for (int r = rows.first; r <= rows.last; ++r) {
        if (Excluded(r, parity)) continue;
        const TEdgeEntry& e = table[static_cast<size_t>(r)];
        if (Outside(e, dst.Width())) continue;
        const float w = e.xMax - e.xMin;
        const bool stepped = w > 0.001f;
        const float du = stepped ? (e.uMax - e.uMin) / w : 0.0f;
        const float dv = stepped ? (e.vMax - e.vMin) / w : 0.0f;
        const float du2 = stepped ? (e.u2Max - e.u2Min) / w : 0.0f;
        const float dv2 = stepped ? (e.v2Max - e.v2Min) / w : 0.0f;
        const TSpanRange span = SpanOf(e, dst.Width());
        if (span.last < span.first) continue;
        const float off = std::max(0.0f, static_cast<float>(span.first) - e.xMin);
        TSpanArgs& a = d.args;
        a.u = ToFixed(e.uMin + du * off);
        a.v = ToFixed(e.vMin + dv * off);
        a.u2 = ToFixed(e.u2Min + du2 * off);
        a.v2 = ToFixed(e.v2Min + dv2 * off);
        a.du = ToFixed(du);
        a.dv = ToFixed(dv);
        a.du2 = ToFixed(du2);
        a.dv2 = ToFixed(dv2);
        const bool constantV =
            a.dv >= -1 && a.dv <= 1 && (!d.transition || (a.dv2 >= -1 && a.dv2 <= 1));
        RunSpan(d, dst, r, span, constantV ? TKernelGeometry::Row : TKernelGeometry::General);
    }
}

// Classes 0 and 1: the x and U range of the first scanned row for every
// row, V at each row's x minimum.
void AxisSpans(TDraw& d, TALSGBitmap& dst, TRows rows, TKernelGeometry g)
{
    const std::vector<TEdgeEntry>& table = dst.EdgeTable();
    const int parity = dst.LineParity();
    int first = rows.first;
    while (first <= rows.last &&
           (Excluded(first, parity) ||
            table[static_cast<size_t>(first)].xMax < table[static_cast<size_t>(first)].xMin))
        ++first;
    if (first > rows.last) return;
    const TEdgeEntry& e0 = table[static_cast<size_t>(first)];
    const float w = e0.xMax - e0.xMin;
    if (w < 0.001f || Outside(e0, dst.Width())) return;
    const TSpanRange span = SpanOf(e0, dst.Width());
    if (span.last < span.first) return;
    const float du = (e0.uMax - e0.uMin) / w, du2 = (e0.u2Max - e0.u2Min) / w;
    const float off = std::max(0.0f, static_cast<float>(span.first) - e0.xMin);
    const int32_t u = ToFixed(e0.uMin + du * off), u2 = ToFixed(e0.u2Min + du2 * off);
    for (int r = first; r <= rows.last; ++r) {
        if (Excluded(r, parity)) continue;
        const TEdgeEntry& e = table[static_cast<size_t>(r)];
        if (e.xMax < e.xMin) continue;
        TSpanArgs& a = d.args;
        a.u = u;
        a.u2 = u2;
        a.du = ToFixed(du);
        a.du2 = ToFixed(du2);
        a.dv = a.dv2 = 0;
        a.v = ToFixed(e.vMin);
        a.v2 = ToFixed(e.v2Min);
        RunSpan(d, dst, r, span, g);
    }
}

const TALSGBitmap* UsableMask(const TALSGBitmap& dst)
{
    const TALSGBitmap* m = dst.MaskLink();
    return m && m->Width() == dst.Width() && m->Height() == dst.Height() ? m : nullptr;
}

TKernelComposition ChooseComposition(bool mask, int op, int opacity, bool sourceOpaque,
                                     uint32_t multiply, uint32_t add)
{
    if (mask || op != 0) return TKernelComposition::General;
    if (opacity != 255 || !sourceOpaque) return TKernelComposition::Alpha;
    return multiply == 0xFFFFFF && add == 0 ? TKernelComposition::Copy : TKernelComposition::Opaque;
}

void ScaleTexture(float* values, float size)
{
    for (int i = 0; i < 4; ++i)
        values[i] = std::clamp(values[i], 0.0f, 1.0f) * size;
}

} // namespace

int32_t TruncSaturate(double x)
{
    if (std::isnan(x)) return 0;
    if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(x);
}

int32_t ToFixed(double x)
{
    const double scaled = (x + 8192.0) * 65536.0 + 0.51;
    if (std::isnan(scaled)) return 0;
    constexpr double limit = 4611686018427387904.0; // 2^62
    const int64_t t = static_cast<int64_t>(std::clamp(scaled, -limit, limit)) - 0x20000000;
    return static_cast<int32_t>(std::clamp<int64_t>(t, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

TQuadClass Classify(const TVertexBlock& b)
{
    if (VertexCount(b) != 4) return TQuadClass::General;
    const bool aligned = Near(b.x[0], b.x[3]) && Near(b.x[1], b.x[2]) && Near(b.y[0], b.y[1]) &&
                         Near(b.y[3], b.y[2]) && Near(b.u[0], b.u[3]) && Near(b.u[1], b.u[2]) &&
                         Near(b.v[0], b.v[1]) && Near(b.v[3], b.v[2]);
    if (!aligned) return TQuadClass::General;
    const float w = b.x[2] - b.x[0], h = b.y[2] - b.y[0];
    const float tw = b.u[2] - b.u[0], th = b.v[2] - b.v[0];
    const bool unscaled = w >= 0 && h >= 0 && tw >= 0 && th >= 0 && std::fabs(w - tw) < 0.1f &&
                          std::fabs(h - th) < 0.1f;
    return unscaled ? TQuadClass::Unscaled : TQuadClass::AxisAligned;
}

void DrawTextured(TALSGBitmap& destination, const TALSGBitmap& source, bool sourceOpaque,
                  TVertexBlock block, const TDrawParams& params, const TTransition* transition,
                  const TKernelTable& kernels)
{
    if (params.opacity <= 0) return;
    if (source.Width() <= 0 || source.Height() <= 0) return;
    if (destination.Width() <= 0 || destination.Height() <= 0) return;
    const TALSGBitmap* third = transition ? transition->third : nullptr;
    if (transition && (!third || third->Width() <= 0 || third->Height() <= 0)) return;
    const int n = VertexCount(block);
    block.count = n;
    if (!Acceptable(block, n, true, third != nullptr)) return;
    ScaleTexture(block.u, static_cast<float>(source.Width()));
    ScaleTexture(block.v, static_cast<float>(source.Height()));
    if (third) {
        ScaleTexture(block.u2, static_cast<float>(third->Width()));
        ScaleTexture(block.v2, static_cast<float>(third->Height()));
    }
    const TQuadClass cls = Classify(block);
    bool bilinear = params.filter == 2;
    if (cls == TQuadClass::Unscaled && HalfFraction(block.x[0]) && HalfFraction(block.y[0]) &&
        HalfFraction(block.u[0]) && HalfFraction(block.v[0]))
        bilinear = false;

    TDraw d{};
    d.kernels = &kernels;
    d.filter = bilinear ? TKernelFilter::Bilinear : TKernelFilter::Nearest;
    d.transition = transition;
    d.sourceWidth = source.Width();
    d.sourceHeight = source.Height();
    d.thirdWidth = third ? third->Width() : 0;
    d.thirdHeight = third ? third->Height() : 0;
    d.mask = UsableMask(destination);
    const int opacity = std::min(255, params.opacity);
    const uint32_t multiply = params.multiply & 0xFFFFFF, add = params.add & 0xFFFFFF;
    const int op = blend::BlendOperator(params.blendMode);
    d.composition = ChooseComposition(d.mask != nullptr, op, opacity, sourceOpaque, multiply, add);
    TSpanArgs& a = d.args;
    a.source = {source.Origin(), source.StridePixels(), source.Width()};
    if (third) {
        a.third = {third->Origin(), third->StridePixels(), third->Width()};
        a.h = std::clamp(transition->h, 0, 255);
        const TSoftWipeParameters wipe = SoftWipeParameters(a.h, transition->softness);
        a.wipeThreshold = wipe.threshold;
        a.wipeScale = wipe.scale;
    }
    a.modulation = static_cast<uint32_t>(opacity) << 24 | multiply;
    a.add = add;
    a.op = op;

    const TRows rows = ScanPolygon(destination, block, n, params.clipTop, params.clipBottom);
    if (rows.last < rows.first) return;
    if (cls == TQuadClass::General)
        GeneralSpans(d, destination, rows);
    else
        AxisSpans(d, destination, rows,
                  cls == TQuadClass::Unscaled ? TKernelGeometry::Unscaled : TKernelGeometry::Row);
}

void FillPolygon(TALSGBitmap& destination, const TVertexBlock& block, int clipTop, int clipBottom,
                 int blendMode, uint32_t colour, const TKernelTable& kernels)
{
    if (destination.Width() <= 0 || destination.Height() <= 0) return;
    const int n = VertexCount(block);
    if (!Acceptable(block, n, false, false)) return;
    TVertexBlock shape;
    std::copy(block.x, block.x + 4, shape.x);
    std::copy(block.y, block.y + 4, shape.y);
    shape.count = n;
    const TRows rows = ScanPolygon(destination, shape, n, clipTop, clipBottom);
    const TALSGBitmap* mask = UsableMask(destination);
    const int op = blend::BlendOperator(blendMode);
    const bool opaque = !mask && op == 0 && (colour >> 24) == 0xFF;
    const TFillKernel fill = opaque ? kernels.fillOpaque : kernels.fillGeneral;
    const std::vector<TEdgeEntry>& table = destination.EdgeTable();
    for (int r = rows.first; r <= rows.last; ++r) {
        if (Excluded(r, destination.LineParity())) continue;
        const TEdgeEntry& e = table[static_cast<size_t>(r)];
        if (Outside(e, destination.Width())) continue;
        const TSpanRange span = SpanOf(e, destination.Width());
        if (span.last < span.first) continue;
        fill(destination.Row(r) + span.first, span.last - span.first + 1, colour, op,
             mask ? mask->Row(r) + span.first : nullptr);
    }
}

} // namespace tsukimi::raster
