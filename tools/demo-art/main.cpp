// tsukimi-demo-art: draws the demo game's animation pictures (simple
// shapes, all our own) into PNG files.
//
//   tsukimi-demo-art OUTDIR
//
// Writes cursor.png (the click-wait cursor), and body.png, eyes-open.png and
// eyes-closed.png (the parts of the demo character). Exit status 0 on
// success; otherwise one line on standard error naming the file.
#include "graphics/PngWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A straight-alpha canvas of 0xAARRGGBB words.
class TCanvas
{
public:
    TCanvas(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<size_t>(width * height), 0)
    {}

    // Covers the pixels whose centres `inside` accepts, with 4 x 4
    // supersampling for the edge coverage.
    template <class Inside> void Fill(uint32_t colour, Inside inside)
    {
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        hits += inside(x + (sx + 0.5) / 4.0, y + (sy + 0.5) / 4.0) ? 1 : 0;
                if (hits > 0) Blend(x, y, colour, hits * ((colour >> 24) & 0xFF) / 16);
            }
        }
    }
    void Circle(double cx, double cy, double r, uint32_t colour)
    {
        Fill(colour, [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; });
    }
    void Box(double left, double top, double right, double bottom, uint32_t colour)
    {
        Fill(colour, [=](double x, double y) { return x >= left && x < right && y >= top && y < bottom; });
    }
    // A triangle pointing down (the cursor).
    void Triangle(double ax, double ay, double bx, double by, double cx, double cy, uint32_t colour)
    {
        Fill(colour, [=](double x, double y) {
            auto side = [&](double px, double py, double qx, double qy) {
                return (qx - px) * (y - py) - (qy - py) * (x - px);
            };
            const double d1 = side(ax, ay, bx, by), d2 = side(bx, by, cx, cy), d3 = side(cx, cy, ax, ay);
            return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
        });
    }

    bool Save(const fs::path& path) const
    {
        const auto png = tsukimi::EncodePng(pixels_.data(), width_, height_, width_, false);
        if (!png) return false;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
        return static_cast<bool>(out);
    }

private:
    // Straight-alpha "over" of an opaque colour at coverage `alpha`.
    void Blend(int x, int y, uint32_t colour, uint32_t alpha)
    {
        uint32_t& p = pixels_[static_cast<size_t>(y * width_ + x)];
        const uint32_t da = p >> 24;
        const uint32_t oa = alpha + da * (255 - alpha) / 255;
        if (oa == 0) return;
        uint32_t out = oa << 24;
        for (int shift = 0; shift <= 16; shift += 8) {
            const uint32_t s = (colour >> shift) & 0xFF, d = (p >> shift) & 0xFF;
            const uint32_t c = (s * alpha + d * da * (255 - alpha) / 255) / oa;
            out |= std::min<uint32_t>(c, 255) << shift;
        }
        p = out;
    }

    int width_, height_;
    std::vector<uint32_t> pixels_;
};

constexpr uint32_t Skin = 0xFFF2D2B6;
constexpr uint32_t Hair = 0xFF4A3A6B;
constexpr uint32_t Coat = 0xFF3C6E9E;
constexpr uint32_t Ink = 0xFF202030;

TCanvas Cursor()
{
    TCanvas c(16, 16);
    c.Triangle(1, 3, 15, 3, 8, 14, 0xFF202020);
    c.Triangle(3, 4.5, 13, 4.5, 8, 12, 0xFFFFE070);
    return c;
}

TCanvas Body()
{
    TCanvas c(64, 96);
    c.Box(16, 48, 48, 96, Coat);         // body
    c.Circle(16, 52, 4, Coat);           // shoulders
    c.Circle(48, 52, 4, Coat);
    c.Box(28, 40, 36, 50, Skin);         // neck
    c.Circle(32, 26, 17, Hair);          // hair behind the face
    c.Circle(32, 29, 14, Skin);          // face
    c.Box(17, 12, 47, 20, Hair);         // fringe
    return c;
}

TCanvas Eyes(bool open)
{
    TCanvas c(24, 8);
    if (open) {
        c.Circle(5, 4, 3, Ink);
        c.Circle(19, 4, 3, Ink);
    } else {
        c.Box(2, 3.5, 8, 5, Ink);
        c.Box(16, 3.5, 22, 5, Ink);
    }
    return c;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: tsukimi-demo-art OUTDIR\n";
        return 2;
    }
    const fs::path folder = argv[1];
    std::error_code ec;
    fs::create_directories(folder, ec);
    const std::pair<const char*, TCanvas> pictures[] = {
        {"cursor.png", Cursor()},
        {"body.png", Body()},
        {"eyes-open.png", Eyes(true)},
        {"eyes-closed.png", Eyes(false)},
    };
    for (const auto& [name, canvas] : pictures) {
        if (!canvas.Save(folder / name)) {
            std::cerr << "tsukimi-demo-art: " << (folder / name).string() << ": cannot be written\n";
            return 1;
        }
    }
    return 0;
}
