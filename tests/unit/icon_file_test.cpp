// The built application icon, read back as a Windows icon reader reads it:
// three palette images with their transparency masks, pixel for pixel the
// pictures of the text pixel map; and the PNG icons at their sizes.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le(const std::string &bytes, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = v << 8 | std::uint8_t(bytes.at(at + std::size_t(i)));
    return v;
}

std::uint32_t be32(const std::string &bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = v << 8 | std::uint8_t(bytes.at(at + i));
    return v;
}

// The pictures of the pixel map: each character's colour 0xRRGGBB, or none
// for a transparent pixel.
struct PixelMap {
    std::map<char, std::optional<std::uint32_t>> colours;
    std::vector<std::vector<std::string>> images;
};

PixelMap readMap()
{
    PixelMap map;
    std::istringstream in(readFile(TINTORAL_ICON_MAP));
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string first, second, third;
        words >> first >> second >> third;
        if (first == "colour")
            map.colours[second[0]] =
                third == "none" ? std::nullopt : std::optional(std::uint32_t(std::stoul(third, nullptr, 16)));
        else if (first == "image")
            map.images.emplace_back();
        else if (!first.empty())
            map.images.back().push_back(first);
    }
    return map;
}

struct Expected {
    int side;
    int bits;
    int colours;
};
constexpr Expected kImages[] = {{32, 1, 2}, {32, 4, 16}, {16, 4, 16}};

const std::string &icon()
{
    static const std::string bytes = readFile(std::string(TINTORAL_ICON_DIR) + "/tintoral.ico");
    return bytes;
}

TEST(IconFile, HoldsThe32And16PixelImagesIn2And16Colours)
{
    const std::string &ico = icon();
    ASSERT_GE(ico.size(), 6u + 3 * 16);
    EXPECT_EQ(le(ico, 0, 2), 0u);
    EXPECT_EQ(le(ico, 2, 2), 1u) << "resource type: icon";
    ASSERT_EQ(le(ico, 4, 2), 3u) << "number of images";

    std::uint32_t next = 6 + 3 * 16;  // images follow the directory, back to back
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const Expected &e = kImages[i];
        const std::size_t entry = 6 + 16 * std::size_t(i);
        EXPECT_EQ(le(ico, entry, 1), std::uint32_t(e.side));
        EXPECT_EQ(le(ico, entry + 1, 1), std::uint32_t(e.side));
        EXPECT_EQ(le(ico, entry + 2, 1), std::uint32_t(e.colours));
        EXPECT_EQ(le(ico, entry + 4, 2), 1u) << "planes";
        EXPECT_EQ(le(ico, entry + 6, 2), std::uint32_t(e.bits));
        const std::uint32_t size = le(ico, entry + 8, 4), offset = le(ico, entry + 12, 4);
        EXPECT_EQ(offset, next);

        ASSERT_LE(std::size_t(offset) + 40, ico.size());
        EXPECT_EQ(le(ico, offset, 4), 40u) << "BITMAPINFOHEADER";
        EXPECT_EQ(le(ico, offset + 4, 4), std::uint32_t(e.side));
        EXPECT_EQ(le(ico, offset + 8, 4), std::uint32_t(2 * e.side)) << "colour bitmap and mask";
        EXPECT_EQ(le(ico, offset + 12, 2), 1u);
        EXPECT_EQ(le(ico, offset + 14, 2), std::uint32_t(e.bits));
        EXPECT_EQ(le(ico, offset + 16, 4), 0u) << "uncompressed";
        const std::uint32_t used = le(ico, offset + 32, 4);
        EXPECT_EQ(used == 0 ? 1u << e.bits : used, std::uint32_t(e.colours)) << "palette entries";

        const std::uint32_t colourRow = std::uint32_t((e.side * e.bits + 31) / 32 * 4);
        const std::uint32_t maskRow = std::uint32_t((e.side + 31) / 32 * 4);
        EXPECT_EQ(size, 40 + 4u * std::uint32_t(e.colours) + (colourRow + maskRow) * std::uint32_t(e.side));
        next = offset + size;
    }
    EXPECT_EQ(ico.size(), next) << "nothing after the last image";
}

TEST(IconFile, EveryImageShowsItsPictureOfThePixelMap)
{
    const std::string &ico = icon();
    const PixelMap map = readMap();
    ASSERT_EQ(map.images.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("image " + std::to_string(i));
        const Expected &e = kImages[i];
        const std::vector<std::string> &rows = map.images[std::size_t(i)];
        ASSERT_EQ(rows.size(), std::size_t(e.side));
        const std::size_t offset = le(ico, 6 + 16 * std::size_t(i) + 12, 4);
        const std::size_t palette = offset + 40;
        if (e.bits == 1) {
            EXPECT_EQ(le(ico, palette, 4), 0x000000u) << "black";
            EXPECT_EQ(le(ico, palette + 4, 4), 0xffffffu) << "white";
        }
        const std::size_t colourRow = std::size_t((e.side * e.bits + 31) / 32 * 4);
        const std::size_t maskRow = std::size_t((e.side + 31) / 32 * 4);
        const std::size_t colourBits = palette + 4 * std::size_t(e.colours);
        const std::size_t maskBits = colourBits + colourRow * std::size_t(e.side);
        int transparent = 0;
        for (int y = 0; y < e.side; ++y)
            for (int x = 0; x < e.side; ++x) {
                const std::size_t row = std::size_t(e.side - 1 - y);  // bottom row first
                const unsigned byte = std::uint8_t(ico.at(colourBits + row * colourRow + std::size_t(x * e.bits / 8)));
                const unsigned index = e.bits == 1 ? byte >> (7 - x % 8) & 1 : byte >> (x % 2 ? 0 : 4) & 15;
                const bool masked = std::uint8_t(ico.at(maskBits + row * maskRow + std::size_t(x / 8))) >> (7 - x % 8) & 1;
                const std::optional<std::uint32_t> want = map.colours.at(rows[std::size_t(y)][std::size_t(x)]);
                ASSERT_EQ(masked, !want.has_value()) << "mask at " << x << "," << y;
                if (want) {
                    ASSERT_EQ(le(ico, palette + 4 * index, 3), *want) << "colour at " << x << "," << y;
                } else {
                    ++transparent;
                    ASSERT_EQ(index, 0u) << "a transparent pixel is black under its mask";
                }
            }
        EXPECT_GT(transparent, 0);
    }
}

TEST(IconFile, PngIconsHaveTheirSizesWithTransparency)
{
    for (int size : {16, 32, 48, 256}) {
        SCOPED_TRACE(size);
        const std::string png = readFile(std::string(TINTORAL_ICON_DIR) + "/tintoral-" + std::to_string(size) + ".png");
        ASSERT_GE(png.size(), 33u);
        EXPECT_EQ(png.substr(1, 3), "PNG");
        EXPECT_EQ(png.substr(12, 4), "IHDR");
        EXPECT_EQ(be32(png, 16), std::uint32_t(size));
        EXPECT_EQ(be32(png, 20), std::uint32_t(size));
        EXPECT_EQ(std::uint8_t(png[25]), 6) << "RGB with alpha";
    }
}

} // namespace
