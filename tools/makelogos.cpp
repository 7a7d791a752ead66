// Draws the logos the game ships: for every listed stock a monogram of its ticker on a tile in
// its sector's colour, and the stand-in logo null.gif. Usage: quorvane-makelogos <data folder>
#include "model/stockcatalogue.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <gif_lib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr int kCorner = 9;

enum Ink : GifPixelType { Paper = 0, Tile = 1, Rim = 2, Letter = 3 };

struct Rgb
{
    unsigned char r, g, b;
};

Rgb colourOf(Sector sector)
{
    switch (sector) {
    case Sector::CapitalGoods:
        return {0x55, 0x6b, 0x2f};
    case Sector::Technology:
        return {0x1f, 0x5f, 0xbf};
    case Sector::Financial:
        return {0x2e, 0x8b, 0x57};
    case Sector::RawMaterials:
        return {0x8b, 0x5a, 0x2b};
    case Sector::Energy:
        return {0xd9, 0x7a, 0x00};
    case Sector::Services:
        return {0x6a, 0x3d, 0x9a};
    case Sector::ConsumerCyclical:
        return {0xc0, 0x39, 0x2b};
    case Sector::ConsumerNonCyclical:
        return {0x16, 0xa0, 0x85};
    case Sector::Healthcare:
        return {0xd6, 0x33, 0x84};
    case Sector::Conglomerates:
        return {0x34, 0x49, 0x5e};
    case Sector::Transportation:
        return {0x00, 0x7a, 0x99};
    }
    return {0x90, 0x90, 0x90};
}

// 5 x 7 capitals, one row per entry, leftmost pixel in bit 4.
using Glyph = std::array<unsigned char, 7>;
constexpr std::array<Glyph, 26> kCapitals = {{
    {0x0e, 0x11, 0x11, 0x1f, 0x11, 0x11, 0x11}, // A
    {0x1e, 0x11, 0x11, 0x1e, 0x11, 0x11, 0x1e}, // B
    {0x0e, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0e}, // C
    {0x1c, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1c}, // D
    {0x1f, 0x10, 0x10, 0x1e, 0x10, 0x10, 0x1f}, // E
    {0x1f, 0x10, 0x10, 0x1e, 0x10, 0x10, 0x10}, // F
    {0x0e, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0f}, // G
    {0x11, 0x11, 0x11, 0x1f, 0x11, 0x11, 0x11}, // H
    {0x0e, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0e}, // I
    {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0c}, // J
    {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}, // K
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1f}, // L
    {0x11, 0x1b, 0x15, 0x15, 0x11, 0x11, 0x11}, // M
    {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}, // N
    {0x0e, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0e}, // O
    {0x1e, 0x11, 0x11, 0x1e, 0x10, 0x10, 0x10}, // P
    {0x0e, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0d}, // Q
    {0x1e, 0x11, 0x11, 0x1e, 0x14, 0x12, 0x11}, // R
    {0x0f, 0x10, 0x10, 0x0e, 0x01, 0x01, 0x1e}, // S
    {0x1f, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}, // T
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0e}, // U
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0a, 0x04}, // V
    {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0a}, // W
    {0x11, 0x11, 0x0a, 0x04, 0x0a, 0x11, 0x11}, // X
    {0x11, 0x11, 0x0a, 0x04, 0x04, 0x04, 0x04}, // Y
    {0x1f, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1f}, // Z
}};
constexpr Glyph kQuestion = {0x0e, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04};

const Glyph &glyphOf(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 'A' && u <= 'Z' ? kCapitals[u - 'A'] : kQuestion;
}

using Picture = std::vector<GifPixelType>;

// A tile with rounded corners and a darker rim.
Picture tile()
{
    Picture p(kSize * kSize, Paper);
    const auto inside = [](int x, int y, int inset) {
        const int lo = inset, hi = kSize - 1 - inset, r = kCorner - inset;
        if (x < lo || x > hi || y < lo || y > hi)
            return false;
        const int cx = x < lo + r ? lo + r : (x > hi - r ? hi - r : x);
        const int cy = y < lo + r ? lo + r : (y > hi - r ? hi - r : y);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            p[y * kSize + x] = inside(x, y, 2) ? Tile : (inside(x, y, 0) ? Rim : Paper);
    return p;
}

// The letters centred on the tile, as large as they fit.
void letter(Picture &p, const QString &text)
{
    const int n = int(text.size());
    const int scale = n <= 1 ? 6 : n == 2 ? 4 : n == 3 ? 3 : 2;
    const int width = n * 5 * scale + (n - 1) * scale;
    const int left = (kSize - width) / 2, top = (kSize - 7 * scale) / 2;
    for (int i = 0; i < n; ++i) {
        const Glyph &g = glyphOf(text[i]);
        const int x0 = left + i * 6 * scale;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (g[row] & (0x10 >> col))
                    for (int dy = 0; dy < scale; ++dy)
                        for (int dx = 0; dx < scale; ++dx) {
                            const int x = x0 + col * scale + dx, y = top + row * scale + dy;
                            if (x >= 0 && x < kSize && y >= 0 && y < kSize)
                                p[y * kSize + x] = Letter;
                        }
    }
}

bool writeGif(const QString &path, const Picture &p, Rgb colour)
{
    const GifColorType rim{GifByteType(colour.r * 3 / 5), GifByteType(colour.g * 3 / 5),
                           GifByteType(colour.b * 3 / 5)};
    const GifColorType colours[4] = {
        {0xff, 0xff, 0xff}, {colour.r, colour.g, colour.b}, rim, {0xff, 0xff, 0xff}};
    int error = 0;
    // Readable by everyone like the rest of the program folder (giflib would create it owner-only).
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    GifFileType *gif = fd >= 0 ? EGifOpenFileHandle(fd, &error) : nullptr;
    if (!gif) {
        if (fd >= 0)
            ::close(fd);
        std::fprintf(stderr, "makelogos: cannot create %s: %s\n", qPrintable(path), GifErrorString(error));
        return false;
    }
    ColorMapObject *map = GifMakeMapObject(4, colours);
    bool ok = map && EGifPutScreenDesc(gif, kSize, kSize, 8, Paper, map) == GIF_OK &&
              EGifPutImageDesc(gif, 0, 0, kSize, kSize, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < kSize; ++y)
        ok = EGifPutLine(gif, const_cast<GifPixelType *>(&p[y * kSize]), kSize) == GIF_OK;
    if (!ok)
        std::fprintf(stderr, "makelogos: cannot write %s: %s\n", qPrintable(path),
                     GifErrorString(gif->Error));
    GifFreeMapObject(map);
    if (EGifCloseFile(gif, &error) != GIF_OK && ok) {
        std::fprintf(stderr, "makelogos: cannot finish %s: %s\n", qPrintable(path), GifErrorString(error));
        ok = false;
    }
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvane-makelogos <data folder>\n");
        return 2;
    }
    const QString folder = QFile::decodeName(argv[1]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "makelogos: cannot create %s\n", argv[1]);
        return 1;
    }
    for (const QString &ticker : AllTickers()) {
        Picture p = tile();
        letter(p, ticker);
        if (!writeGif(folder + QLatin1Char('/') + ticker + QStringLiteral(".gif"), p,
                      colourOf(*SectorOf(ticker))))
            return 1;
    }
    // Written last: the build takes it as the sign that every logo is there.
    Picture unknown = tile();
    letter(unknown, QStringLiteral("?"));
    return writeGif(folder + QStringLiteral("/null.gif"), unknown, Rgb{0x90, 0x90, 0x90}) ? 0 : 1;
}
