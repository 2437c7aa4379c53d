// SPDX-License-Identifier: MIT
// tintoral-make-icon: builds the application icon from its text pixel map
// (packaging/icon/tintoral-icon.txt):
//   tintoral.ico            the Windows icon file, one image per "image" block
//                           of the map, in the map's order, as palette bitmaps
//                           with a transparency mask
//   tintoral-N.png          N = 16, 32, 48, 256: the largest 16-colour image
//                           whose side divides N, each pixel enlarged to an
//                           N/side square, transparent where the map says so
//   tintoral.svg            the 32 x 32 16-colour image as squares
//
//   usage: tintoral-make-icon MAP OUTPUT_DIR
#include <QImage>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    bool transparent = false;
};

struct Image {
    int side = 0;
    int bitsPerPixel = 0;
    std::vector<std::string> rows;
};

struct PixelMap {
    std::vector<char> paletteOrder;  // the opaque colours in the order listed
    std::map<char, Colour> colours;
    std::vector<Image> images;
};

[[noreturn]] void fail(const std::string &message)
{
    std::fprintf(stderr, "tintoral-make-icon: %s\n", message.c_str());
    std::exit(1);
}

PixelMap readMap(const std::string &path)
{
    std::ifstream in(path);
    if (!in)
        fail("cannot read " + path);
    PixelMap map;
    std::string line;
    int lineNo = 0;
    Image *open = nullptr;
    while (std::getline(in, line)) {
        ++lineNo;
        const std::string where = path + ":" + std::to_string(lineNo) + ": ";
        if (const auto hash = line.find('#'); hash != std::string::npos)
            line.erase(hash);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\r'))
            line.pop_back();
        if (line.empty())
            continue;
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "colour") {
            std::string c, value;
            words >> c >> value;
            if (c.size() != 1 || map.colours.count(c[0]))
                fail(where + "a colour needs one new character");
            Colour colour;
            if (value == "none") {
                colour.transparent = true;
            } else {
                unsigned long rgb = 0;
                try {
                    std::size_t used = 0;
                    rgb = std::stoul(value, &used, 16);
                    if (used != 6 || value.size() != 6)
                        throw std::invalid_argument(value);
                } catch (const std::exception &) {
                    fail(where + "a colour is RRGGBB in hexadecimal or none");
                }
                colour.r = std::uint8_t(rgb >> 16);
                colour.g = std::uint8_t(rgb >> 8);
                colour.b = std::uint8_t(rgb);
                map.paletteOrder.push_back(c[0]);
            }
            map.colours[c[0]] = colour;
        } else if (keyword == "image") {
            Image image;
            words >> image.side >> image.bitsPerPixel;
            if (image.side < 1 || image.side > 256 || (image.bitsPerPixel != 1 && image.bitsPerPixel != 4))
                fail(where + "an image is \"image SIDE BITS\" with BITS 1 or 4");
            map.images.push_back(image);
            open = &map.images.back();
        } else {
            if (!open || int(open->rows.size()) == open->side)
                fail(where + "a pixel row outside an image");
            if (int(line.size()) != open->side)
                fail(where + "a pixel row of " + std::to_string(line.size()) + " pixels in an image " +
                     std::to_string(open->side) + " wide");
            for (char c : line)
                if (!map.colours.count(c))
                    fail(where + "the character '" + std::string(1, c) + "' has no colour");
            open->rows.push_back(line);
        }
    }
    if (map.paletteOrder.size() != 16)
        fail(path + ": the 16-colour palette needs exactly 16 opaque colours");
    if (map.images.empty())
        fail(path + ": no image");
    for (const Image &image : map.images)
        if (int(image.rows.size()) != image.side)
            fail(path + ": an image of side " + std::to_string(image.side) + " has " +
                 std::to_string(image.rows.size()) + " rows");
    return map;
}

// The palette index of every pixel, top row first; -1 for a transparent one.
std::vector<int> indexes(const PixelMap &map, const Image &image, const std::vector<Colour> &palette)
{
    std::vector<int> out;
    for (const std::string &row : image.rows)
        for (char c : row) {
            const Colour &colour = map.colours.at(c);
            if (colour.transparent) {
                out.push_back(-1);
                continue;
            }
            int found = -1;
            for (std::size_t i = 0; i < palette.size() && found < 0; ++i)
                if (palette[i].r == colour.r && palette[i].g == colour.g && palette[i].b == colour.b)
                    found = int(i);
            if (found < 0)
                fail(std::string("the colour of '") + c + "' is not in the palette of a " +
                     std::to_string(image.bitsPerPixel) + "-bit image");
            out.push_back(found);
        }
    return out;
}

void put16(std::string &out, unsigned v)
{
    out += char(v & 0xff);
    out += char((v >> 8) & 0xff);
}

void put32(std::string &out, std::uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// One image of an icon file: BITMAPINFOHEADER (height doubled for the mask),
// the palette, the colour bitmap and the 1-bit transparency mask, both bottom
// row first with every row padded to 4 bytes.
std::string iconImage(const PixelMap &map, const Image &image)
{
    std::vector<Colour> palette;
    if (image.bitsPerPixel == 1) {
        palette = {Colour{0, 0, 0}, Colour{255, 255, 255}};
    } else {
        for (char c : map.paletteOrder)
            palette.push_back(map.colours.at(c));
    }
    const std::vector<int> pixels = indexes(map, image, palette);
    const int side = image.side;
    const int colourRow = (side * image.bitsPerPixel + 31) / 32 * 4;
    const int maskRow = (side + 31) / 32 * 4;

    std::string colourBits, maskBits;
    for (int y = side - 1; y >= 0; --y) {
        std::string c(std::size_t(colourRow), '\0'), m(std::size_t(maskRow), '\0');
        for (int x = 0; x < side; ++x) {
            const int index = pixels[std::size_t(y * side + x)];
            const unsigned value = index < 0 ? 0u : unsigned(index);  // transparent: black, masked
            if (image.bitsPerPixel == 1)
                c[std::size_t(x / 8)] = char(c[std::size_t(x / 8)] | (value << (7 - x % 8)));
            else
                c[std::size_t(x / 2)] = char(c[std::size_t(x / 2)] | (value << (x % 2 == 0 ? 4 : 0)));
            if (index < 0)
                m[std::size_t(x / 8)] = char(m[std::size_t(x / 8)] | (1u << (7 - x % 8)));
        }
        colourBits += c;
        maskBits += m;
    }

    std::string out;
    put32(out, 40);
    put32(out, std::uint32_t(side));
    put32(out, std::uint32_t(2 * side));
    put16(out, 1);
    put16(out, unsigned(image.bitsPerPixel));
    put32(out, 0);  // no compression
    put32(out, std::uint32_t(colourBits.size() + maskBits.size()));
    put32(out, 0);
    put32(out, 0);
    put32(out, std::uint32_t(palette.size()));
    put32(out, 0);
    for (const Colour &p : palette) {
        out += char(p.b);
        out += char(p.g);
        out += char(p.r);
        out += '\0';
    }
    return out + colourBits + maskBits;
}

std::string iconFile(const PixelMap &map)
{
    std::vector<std::string> images;
    for (const Image &image : map.images)
        images.push_back(iconImage(map, image));
    std::string out;
    put16(out, 0);
    put16(out, 1);  // icon
    put16(out, unsigned(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const Image &image = map.images[i];
        out += char(image.side == 256 ? 0 : image.side);
        out += char(image.side == 256 ? 0 : image.side);
        out += char(1 << image.bitsPerPixel);  // colours in the palette
        out += '\0';
        put16(out, 1);  // planes
        put16(out, unsigned(image.bitsPerPixel));
        put32(out, std::uint32_t(images[i].size()));
        put32(out, offset);
        offset += std::uint32_t(images[i].size());
    }
    for (const std::string &image : images)
        out += image;
    return out;
}

const Image *sixteenColours(const PixelMap &map, int side)
{
    for (const Image &image : map.images)
        if (image.bitsPerPixel == 4 && image.side == side)
            return &image;
    return nullptr;
}

// The largest 16-colour image whose side divides `size`, enlarged.
QImage pngImage(const PixelMap &map, int size)
{
    const Image *best = nullptr;
    for (const Image &image : map.images)
        if (image.bitsPerPixel == 4 && size % image.side == 0 && (!best || image.side > best->side))
            best = &image;
    if (!best)
        fail("no 16-colour image whose side divides " + std::to_string(size));
    const int scale = size / best->side;
    QImage out(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const Colour &c = map.colours.at(best->rows[std::size_t(y / scale)][std::size_t(x / scale)]);
            out.setPixel(x, y, c.transparent ? 0u : qRgba(c.r, c.g, c.b, 255));
        }
    return out;
}

// The 32 x 32 image as one square a run of equal pixels on a row.
std::string svgImage(const PixelMap &map)
{
    const Image *image = sixteenColours(map, 32);
    if (!image)
        fail("no 32 x 32 16-colour image for the SVG icon");
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"32\" height=\"32\" "
                      "viewBox=\"0 0 32 32\" shape-rendering=\"crispEdges\">\n";
    for (int y = 0; y < image->side; ++y) {
        const std::string &row = image->rows[std::size_t(y)];
        for (int x = 0; x < image->side;) {
            int end = x;
            while (end < image->side && row[std::size_t(end)] == row[std::size_t(x)])
                ++end;
            const Colour &c = map.colours.at(row[std::size_t(x)]);
            if (!c.transparent) {
                char fill[8];
                std::snprintf(fill, sizeof fill, "#%02x%02x%02x", c.r, c.g, c.b);
                out += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
                       std::to_string(end - x) + "\" height=\"1\" fill=\"" + fill + "\"/>\n";
            }
            x = end;
        }
    }
    return out + "</svg>\n";
}

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out)
        fail("cannot write " + path);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fputs("usage: tintoral-make-icon MAP OUTPUT_DIR\n", stderr);
        return 2;
    }
    const PixelMap map = readMap(argv[1]);
    const std::string dir = std::string(argv[2]) + "/";
    writeFile(dir + "tintoral.ico", iconFile(map));
    for (int size : {16, 32, 48, 256}) {
        const std::string path = dir + "tintoral-" + std::to_string(size) + ".png";
        if (!pngImage(map, size).save(QString::fromStdString(path), "PNG"))
            fail("cannot write " + path);
    }
    writeFile(dir + "tintoral.svg", svgImage(map));
    return 0;
}
