#pragma once
// The twelve interpolation curves of animation keys and the sine table of
// the modifiers.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tsukimi {

class TRandomTable;

// The values of a field in the keys b-2 .. b+3 (indices clamped to the
// layer's keys): V(b) is v[2], V(b+1) is v[3].
using TCurveValues = std::array<double, 6>;

struct TCurve
{
    uint8_t type = 0;  // 0..11; other values hold V(b)
    double x = 1.0;    // curve parameter (percent / 100)
    int key = 0;       // b, for the paired and tripled curves
    // Shaking fields add noise for type 6 (drawn from the table).
    bool shake = false;
    TRandomTable* table = nullptr;
};

// The value at progress e (0..1) between key b and key b+1.
double InterpolateCurve(const TCurve& curve, double e, const TCurveValues& v);

// A colour 0x00RRGGBB by the colour rules: type 0 and above 11 hold,
// types 1 and 6 mix linearly, 3, 4, 7, 8 mix with the curve's weight, the
// others run the curve per channel.
uint32_t InterpolateColour(const TCurve& curve, double e, const std::array<uint32_t, 6>& v);

// A random fraction of x: (draw below 0xFFFFFF) * x / 16777216.
double RandomFraction(TRandomTable& table, double x);

// sin(i * pi / 512) for i = 0..1023. An angle uses entry trunc(a * 512 / pi)
// wrapped into 0..1023 (negative angles included); cosine is 256 further on.
class TSineTable
{
public:
    static const TSineTable& Instance();
    double Sin(double radians) const { return values_[Index(radians)]; }
    double Cos(double radians) const { return values_[(Index(radians) + 256) & 1023]; }
    // The same entries for angles in degrees and in turns (1 = a full
    // circle), computed without a detour through radians so that whole
    // table steps stay exact.
    double SinDegrees(double degrees) const { return values_[Wrap(degrees * 512.0 / 180.0)]; }
    double CosDegrees(double degrees) const
    {
        return values_[(Wrap(degrees * 512.0 / 180.0) + 256) & 1023];
    }
    double SinTurns(double turns) const { return values_[Wrap(turns * 1024.0)]; }
    double CosTurns(double turns) const { return values_[(Wrap(turns * 1024.0) + 256) & 1023]; }
    static size_t Index(double radians);
    // trunc(steps) wrapped into 0..1023.
    static size_t Wrap(double steps);

private:
    TSineTable();
    std::array<double, 1024> values_{};
};

// Real to integer: saturating, NaN as 0 (truncated toward zero / rounded
// half away from zero).
int64_t TruncToInt(double value);
int64_t RoundToInt(double value);

} // namespace tsukimi
