// Draws the add-in's command icons and writes them as PNG files, at the sizes
// the host asks for (16, 32 and 64 pixels, each also at twice the size for
// high-density screens, named "16x16@2x.png" and so on).
//
//   make-icons OUTPUT_FOLDER
// writes OUTPUT_FOLDER/render_command/*.png and OUTPUT_FOLDER/export_command/*.png.
// The pictures are computed here, so the repository holds no binary of
// unknown origin.

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

// Paints one sample at (x, y) in the unit square, y pointing down.
using Painter = std::function<Rgba(double x, double y)>;

Rgba over(Rgba top, Rgba below)
{
    const double a = top.a + below.a * (1 - top.a);
    if (a <= 0)
        return {};
    auto mix = [&](double t, double b) { return (t * top.a + b * below.a * (1 - top.a)) / a; };
    return {mix(top.r, below.r), mix(top.g, below.g), mix(top.b, below.b), a};
}

// A shaded sphere over a soft shadow: the picture of rendering.
Rgba renderIcon(double x, double y)
{
    Rgba pixel;
    const double sx = (x - 0.5) / 0.42, sy = (y - 0.86) / 0.07;
    const double shadow = sx * sx + sy * sy;
    if (shadow < 1)
        pixel = {0, 0, 0, 0.35 * (1 - shadow)};
    const double cx = (x - 0.5) / 0.4, cy = (y - 0.46) / 0.4;
    const double d2 = cx * cx + cy * cy;
    if (d2 < 1) {
        const double nz = std::sqrt(1 - d2);
        const double lx = -0.5, ly = -0.6, lz = 0.62;
        const double diffuse = std::max(0.0, cx * lx + cy * ly + nz * lz);
        const double rz = 2 * diffuse * nz - lz;
        const double specular = std::pow(std::max(0.0, rz), 24);
        const double shade = 0.18 + 0.82 * diffuse;
        pixel = over({std::min(1.0, 0.95 * shade + specular), std::min(1.0, 0.45 * shade + specular),
                      std::min(1.0, 0.12 * shade + specular), 1},
                     pixel);
    }
    return pixel;
}

// A page with a folded corner and an arrow leaving it: the picture of export.
Rgba exportIcon(double x, double y)
{
    Rgba pixel;
    const double left = 0.14, right = 0.7, top = 0.08, bottom = 0.92, fold = 0.18;
    const bool insidePage = x > left && x < right && y > top && y < bottom && (x - (right - fold)) < (y - top);
    if (insidePage) {
        const double edge = std::min({x - left, right - x, y - top, bottom - y});
        const bool outline = edge < 0.045 || std::fabs((x - (right - fold)) - (y - top)) < 0.045;
        pixel = outline ? Rgba{0.35, 0.38, 0.42, 1} : Rgba{0.97, 0.97, 0.95, 1};
        if (!outline && y > 0.3 && y < 0.75 && x < 0.52 && std::fmod(y - 0.3, 0.12) < 0.05)
            pixel = {0.7, 0.72, 0.75, 1};
    }
    // Arrow: a shaft from the page to the right and a triangular head.
    const bool shaft = x > 0.42 && x < 0.78 && std::fabs(y - 0.62) < 0.075;
    const bool head = x >= 0.72 && x < 0.97 && std::fabs(y - 0.62) < 0.22 * (0.97 - x) / 0.25;
    if (shaft || head)
        pixel = over({0.1, 0.45, 0.9, 1}, pixel);
    return pixel;
}

// Renders with 8x8 samples per pixel, so small sizes stay smooth.
std::vector<std::uint8_t> rasterise(const Painter& paint, int size)
{
    constexpr int kSamples = 8;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(size) * size * 4);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Rgba s = paint((px + (sx + 0.5) / kSamples) / size, (py + (sy + 0.5) / kSamples) / size);
                    r += s.r * s.a;
                    g += s.g * s.a;
                    b += s.b * s.a;
                    a += s.a;
                }
            }
            std::uint8_t* out = &rgba[(static_cast<std::size_t>(py) * size + px) * 4];
            const double n = kSamples * kSamples;
            auto byte = [](double v) { return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
            out[0] = byte(a > 0 ? r / a : 0);
            out[1] = byte(a > 0 ? g / a : 0);
            out[2] = byte(a > 0 ? b / a : 0);
            out[3] = byte(a / n);
        }
    }
    return rgba;
}

bool writePng(const std::filesystem::path& path, const std::vector<std::uint8_t>& rgba, int size)
{
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file) {
        std::perror(path.string().c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = png && info;
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < size; ++y)
            png_write_row(png, &rgba[static_cast<std::size_t>(y) * size * 4]);
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0)
        ok = false;
    if (!ok)
        std::fprintf(stderr, "make-icons: could not write %s\n", path.string().c_str());
    return ok;
}

int run(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-icons OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    const struct {
        const char* folder;
        Painter paint;
    } icons[] = {{"render_command", renderIcon}, {"export_command", exportIcon}};
    for (const auto& icon : icons) {
        const auto folder = out / icon.folder;
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            std::fprintf(stderr, "make-icons: %s: %s\n", folder.string().c_str(), error.message().c_str());
            return 1;
        }
        for (int size : {16, 32, 64}) {
            const std::string base = std::to_string(size) + "x" + std::to_string(size);
            if (!writePng(folder / (base + ".png"), rasterise(icon.paint, size), size) ||
                !writePng(folder / (base + "@2x.png"), rasterise(icon.paint, 2 * size), 2 * size))
                return 1;
        }
    }
    return 0;
}

} // namespace

// A build tool on its own (no platform library): the same guard as the
// other programs', so that a failure is one line and status 1.
int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-icons: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "make-icons: an unexpected failure\n");
    }
    return 1;
}
