// The built icons against their text pixel map: every image of the Windows
// icon file, decoded as Windows draws it (colour bitmap, then the mask), and
// every PNG icon are pixel for pixel the map's pictures.
#include <QImage>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    return {std::istreambuf_iterator<char>(in), {}};
}

struct PixelMap {
    std::map<char, QRgb> colours; // 0 for a transparent pixel
    std::vector<int> bits;        // of each picture, in the icon file
    std::vector<std::vector<std::string>> pictures;

    // Pixels of `image` unlike picture i enlarged `scale` times; -1 for another size.
    int differences(const QImage &image, std::size_t i, int scale = 1) const
    {
        const auto &rows = pictures.at(i);
        if (image.size() != QSize(int(rows.size()), int(rows.size())) * scale)
            return -1;
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) != colours.at(rows[std::size_t(y / scale)][std::size_t(x / scale)]);
        return n;
    }
};

PixelMap readMap()
{
    PixelMap map;
    std::istringstream in(readFile(TINTORAL_ICON_MAP));
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string first, second, third;
        words >> first >> second >> third;
        if (first == "colour")
            map.colours[second[0]] = third == "none" ? 0u : 0xff000000u | std::stoul(third, nullptr, 16);
        else if (first == "image")
            map.bits.push_back(std::stoi(third)), map.pictures.emplace_back();
        else if (!first.empty())
            map.pictures.back().push_back(first);
    }
    return map;
}

std::uint32_t le(const std::string &bytes, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | std::uint8_t(bytes.at(at + std::size_t(i)));
    return v;
}

// Image i of an icon file as the screen shows it: the colour where the mask is
// clear; where it is set, the colour is XORed onto the screen, so only black
// (read here as 0, transparent) leaves it untouched.
QImage decodeIconImage(const std::string &ico, std::size_t i, int *bits)
{
    const std::size_t at = le(ico, 6 + 16 * i + 12, 4);
    const int w = int(le(ico, at + 4, 4)), h = int(le(ico, at + 8, 4)) / 2; // colour bitmap, then mask
    *bits = int(le(ico, at + 14, 2));
    const std::size_t palette = at + le(ico, at, 4), colours = le(ico, at + 32, 4) ? le(ico, at + 32, 4) : 1u << *bits;
    const std::size_t colourRow = std::size_t(w * *bits + 31) / 32 * 4, maskRow = std::size_t(w + 31) / 32 * 4;
    const std::size_t colourBits = palette + 4 * colours, maskBits = colourBits + colourRow * std::size_t(h);
    const auto byte = [&](std::size_t at) { return unsigned(std::uint8_t(ico.at(at))); };
    QImage out(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t row = std::size_t(h - 1 - y), bit = std::size_t(x * *bits); // bottom row first
            const unsigned index = byte(colourBits + row * colourRow + bit / 8) >> (8 - *bits - bit % 8) & ((1u << *bits) - 1);
            const bool masked = byte(maskBits + row * maskRow + std::size_t(x / 8)) >> (7 - x % 8) & 1;
            const QRgb colour = le(ico, palette + 4 * index, 3);
            out.setPixel(x, y, masked ? colour : 0xff000000u | colour);
        }
    return out;
}

TEST(IconFile, EveryImageIsItsPictureOfThePixelMap)
{
    const PixelMap map = readMap();
    const std::string ico = readFile(std::string(TINTORAL_ICON_DIR) + "/tintoral.ico");
    ASSERT_EQ(map.pictures.size(), 3u);
    ASSERT_EQ(le(ico, 2, 4), 0x00030001u) << "an icon file of three images";
    for (std::size_t i = 0; i < 3; ++i) {
        int bits = 0;
        EXPECT_EQ(map.differences(decodeIconImage(ico, i, &bits), i), 0) << "image " << i;
        EXPECT_EQ(bits, map.bits[i]) << "image " << i;
    }
    const struct {
        int size, picture, scale;
    } pngs[] = {{16, 2, 1}, {32, 1, 1}, {48, 2, 3}, {256, 1, 8}};
    for (const auto &png : pngs)
        EXPECT_EQ(map.differences(QImage(QString("%1/tintoral-%2.png").arg(TINTORAL_ICON_DIR).arg(png.size)),
                                  std::size_t(png.picture), png.scale),
                  0) << png.size << " pixel PNG";
}

} // namespace
