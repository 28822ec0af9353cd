#include "scene/AnimationCurves.h"

#include "data/MTRandom.h"
#include "data/TextHelpers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tsukimi {
namespace {

double Linear(double a, double b, double e)
{
    return a == b ? a : a * (1.0 - e) + b * e;
}

double EaseOutFactor(double e, double x)
{
    return 1.0 - std::pow(1.0 - e, 1.4 * x + 1.0);
}

double EaseInFactor(double e, double x)
{
    return std::pow(e, 1.4 * x + 1.0);
}

double EaseOut(double a, double b, double e, double x)
{
    const double f = EaseOutFactor(e, x);
    return a * (1.0 - f) + b * f;
}

double EaseIn(double a, double b, double e, double x)
{
    const double f = EaseInFactor(e, x);
    return a * (1.0 - f) + b * f;
}

double Bezier(double p0, double p1, double p2, double p3, double t)
{
    const double u = 1.0 - t;
    return u * u * u * p0 + 3.0 * u * u * t * p1 + 3.0 * u * t * t * p2 + t * t * t * p3;
}

double Hermite(const TCurveValues& v, double e, double x)
{
    const double a = v[2], b = v[3];
    if (a == b && v[1] == v[4]) return a;
    double t0 = x * (b - v[1]);
    double t1 = x * (v[4] - a);
    if (a == b) {
        t0 /= 4.0;
        t1 /= 4.0;
    }
    const double e2 = e * e, e3 = e2 * e;
    return (2 * e3 - 3 * e2 + 1) * a + (e3 - 2 * e2 + e) * t0 + (-2 * e3 + 3 * e2) * b +
           (e3 - e2) * t1;
}

double BSpline(const TCurveValues& v, double e, double x)
{
    const double u = 1.0 - e;
    const double e2 = e * e, e3 = e2 * e;
    const double b = (u * u * u * v[1] + (3 * e3 - 6 * e2 + 4) * v[2] +
                      (-3 * (e3 - e2 - e) + 1) * v[3] + e3 * v[4]) /
                     6.0;
    const int percent = static_cast<int>(std::lround(100.0 * x));
    if (percent == 100) return b;
    if (x < 1.0) return x * b + (1.0 - x) * Linear(v[2], v[3], e);
    return (2.0 - x) * b + (x - 1.0) * Hermite(v, e, 1.0);
}

} // namespace

double RandomFraction(TRandomTable& table, double x)
{
    return static_cast<double>(table.Next(0xFFFFFF)) * x / 16777216.0;
}

double InterpolateCurve(const TCurve& c, double e, const TCurveValues& v)
{
    const double a = v[2], b = v[3], x = c.x;
    switch (c.type) {
    case 1: return Linear(a, b, e);
    case 2: return BSpline(v, e, x);
    case 3: return EaseOut(a, b, e, x);
    case 4: return EaseIn(a, b, e, x);
    case 5: return Hermite(v, e, x);
    case 6: {
        double value = EaseOut(a, b, e, x);
        if (c.shake && c.table) value += (RandomFraction(*c.table, 40.0 * x) - 20.0 * x) * (1.0 - e);
        return value;
    }
    case 7: {
        const double mid = (a + b) / 2.0;
        return e < 0.5 ? EaseOut(a, mid, 2.0 * e, x) : EaseIn(mid, b, 2.0 * (e - 0.5), x);
    }
    case 8: {
        const double mid = (a + b) / 2.0;
        return e < 0.5 ? EaseIn(a, mid, 2.0 * e, x) : EaseOut(mid, b, 2.0 * (e - 0.5), x);
    }
    case 9:
        return Bezier(a, a + x * (b - v[1]) / 4.0, b - x * (v[4] - a) / 4.0, b, e);
    case 10: {
        const bool even = (c.key % 2) == 0;
        const double p0 = even ? v[2] : v[1];
        const double mid = even ? v[3] : v[2];
        const double p3 = even ? v[4] : v[3];
        const double t = even ? e / 2.0 : 0.5 + e / 2.0;
        return Bezier(p0, (1.0 - x) * p0 + x * mid, x * mid + (1.0 - x) * p3, p3, t);
    }
    case 11: {
        const int j = ((c.key % 3) + 3) % 3;
        const size_t base = static_cast<size_t>(2 - j);
        const double p0 = v[base], p1 = v[base + 1], p2 = v[base + 2], p3 = v[base + 3];
        return Bezier(p0, p0 + x * (p1 - p0), p3 + x * (p2 - p3), p3, (j + e) / 3.0);
    }
    default: return a;
    }
}

uint32_t InterpolateColour(const TCurve& c, double e, const std::array<uint32_t, 6>& v)
{
    switch (c.type) {
    case 1:
    case 6: return MixColor(v[2], v[3], static_cast<int>(RoundToInt(255.0 * e)));
    case 3:
    case 4:
    case 7:
    case 8: {
        TCurve plain = c;
        plain.shake = false;
        const TCurveValues ramp{0, 0, 0, 255, 255, 255};
        const double weight = InterpolateCurve(plain, e, ramp);
        return MixColor(v[2], v[3], static_cast<int>(std::clamp<int64_t>(RoundToInt(weight), 0, 255)));
    }
    case 2:
    case 5:
    case 9:
    case 10:
    case 11: {
        uint32_t out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            TCurveValues channel;
            for (size_t i = 0; i < 6; ++i)
                channel[i] = static_cast<double>((v[i] >> shift) & 0xFF);
            const int64_t value = std::clamp<int64_t>(RoundToInt(InterpolateCurve(c, e, channel)), 0, 255);
            out |= static_cast<uint32_t>(value) << shift;
        }
        return out;
    }
    default: return v[2];
    }
}

int64_t TruncToInt(double value)
{
    if (std::isnan(value)) return 0;
    if (value >= 9.2e18) return INT64_MAX;
    if (value <= -9.2e18) return INT64_MIN;
    return static_cast<int64_t>(value);
}

int64_t RoundToInt(double value)
{
    if (std::isnan(value)) return 0;
    return TruncToInt(value < 0 ? value - 0.5 : value + 0.5);
}

const TSineTable& TSineTable::Instance()
{
    static const TSineTable table;
    return table;
}

TSineTable::TSineTable()
{
    for (size_t i = 0; i < values_.size(); ++i)
        values_[i] = std::sin(static_cast<double>(i) * std::numbers::pi / 512.0);
}

size_t TSineTable::Index(double radians)
{
    return Wrap(radians * 512.0 / std::numbers::pi);
}

size_t TSineTable::Wrap(double steps)
{
    const int64_t index = TruncToInt(steps);
    return static_cast<size_t>(static_cast<uint64_t>(index) & 1023u);
}

} // namespace tsukimi
