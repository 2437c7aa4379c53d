// SPDX-License-Identifier: MIT
#include "tools/render_options.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>

namespace tintoral {

const char *const kRenderUsage =
    "usage: tintoral-render --mode CODE --size WIDTHxHEIGHT [--twips-per-pixel T | TX,TY]\n"
    "                       [--nb-box N] [--nb-box-geo N] [--nb-points N] [--half-mode N]\n"
    "                       [--current-color N] [--black-level N] [--alt-mode N] [--orbit DX,DY]\n"
    "                       (--list FILE | --png FILE)\n"
    "Draws one test pattern off screen. FILE may be - for standard output.\n"
    "  --mode CODE             mode code, any 32-bit integer (0..24 draw a test)\n"
    "  --size WxH              window size in device pixels, 1..16384 each way\n"
    "  --twips-per-pixel T     twips in one pixel, 0.001 to 1000000, both axes or TX,TY\n"
    "                          (default 15)\n"
    "  --nb-box N              shading steps, 2..255 (default 16)\n"
    "  --nb-box-geo N          geometry grid rows, 4..50 (default 24)\n"
    "  --nb-points N           dot, cross and test card density, 5..70 (default 25)\n"
    "  --half-mode N           half intensity, 0..1 (default 0)\n"
    "  --current-color N       grating colour and spacing, 0..7 (default 0)\n"
    "  --black-level N         darkest grey, 1..64 (default 1)\n"
    "  --alt-mode N            alternate cross arrangement, 0..1 (default 0)\n"
    "  --orbit DX,DY           orbit shift in pixels, each -1, 0 or 1 (default 0,0)\n"
    "  --list FILE             write the drawing calls, one per line\n"
    "  --png FILE              write an 8-bit RGB PNG\n"
    "  -h, --help, --version\n"
    "A repeated option takes its last value; a value may follow as the next argument or\n"
    "after '=' (--list=--odd-name for a file whose name starts with --).\n";

namespace {

// A whole number in [lo, hi], written in plain decimal: no blanks, no '+', no
// "-0", nothing after it.
std::optional<std::int64_t> parseInteger(const std::string &text, std::int64_t lo, std::int64_t hi)
{
    std::int64_t v = 0;
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || ptr != end || v < lo || v > hi)
        return std::nullopt;
    if (v == 0 && text[0] == '-')
        return std::nullopt;
    return v;
}

// Twips per pixel, in plain decimal notation. Bounded so that every coordinate
// of a window of up to 16384 pixels stays a finite, normal float: beyond them
// the window's size in twips overflows, or the steps of the patterns sink into
// numbers too small to keep their precision.
constexpr float kMinTwipsPerPixel = 0.001f;
constexpr float kMaxTwipsPerPixel = 1000000.0f;

std::optional<float> parseTwipsPerPixel(const std::string &text)
{
    float v = 0.0f;
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, v, std::chars_format::general);
    if (text.empty() || ec != std::errc() || ptr != end || !(v >= kMinTwipsPerPixel)
        || !(v <= kMaxTwipsPerPixel))
        return std::nullopt;
    return v;
}

// "A<sep>B" split at the first separator.
std::optional<std::pair<std::string, std::string>> splitPair(const std::string &text, char sep)
{
    const auto at = text.find(sep);
    if (at == std::string::npos)
        return std::nullopt;
    return std::pair{text.substr(0, at), text.substr(at + 1)};
}

} // namespace

ParseResult parseRenderArguments(const std::vector<std::string> &args)
{
    ParseResult result;
    RenderOptions &o = result.options;
    std::optional<std::int32_t> mode;
    bool haveSize = false;
    float tpx = 15.0f, tpy = 15.0f;
    int orbitDx = 0, orbitDy = 0;
    bool haveList = false, havePng = false;

    const auto fail = [&](const std::string &message) {
        result.ok = false;
        result.error = message;
        return result;
    };

    // Options that take a whole number in a range and store it in the state.
    struct IntOption {
        std::int64_t lo, hi;
        std::function<void(std::int64_t)> store;
    };
    PatternState &s = o.state;
    const std::map<std::string, IntOption> intOptions{
        {"--nb-box", {2, 255, [&](std::int64_t v) { s.nbBox = std::int16_t(v); }}},
        {"--nb-box-geo", {4, 50, [&](std::int64_t v) { s.nbBoxGeo = std::int16_t(v); }}},
        {"--nb-points", {5, 70, [&](std::int64_t v) { s.nbPoints = std::int16_t(v); }}},
        {"--half-mode", {0, 1, [&](std::int64_t v) { s.halfMode = std::int16_t(v); }}},
        {"--current-color", {0, 7, [&](std::int64_t v) { s.currentColor = std::int16_t(v); }}},
        {"--black-level", {1, 64, [&](std::int64_t v) { s.blackLevel = std::int16_t(v); }}},
        {"--alt-mode", {0, 1, [&](std::int64_t v) { s.altMode = std::int16_t(v); }}},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (name.rfind("--", 0) == 0) {
            const auto eq = name.find('=');
            if (eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
        }
        if (name == "--help" || name == "-h" || name == "--version") {
            if (inlineValue)
                return fail(name + ": takes no value, got '" + *inlineValue + "'");
            (name == "--version" ? o.version : o.help) = true;
            continue;
        }
        static const char *const known[] = {"--mode", "--size", "--twips-per-pixel", "--orbit",
                                            "--list", "--png"};
        bool isKnown = intOptions.count(name) > 0;
        for (const char *k : known)
            isKnown = isKnown || name == k;
        if (!isKnown)
            return fail("unknown option '" + args[i] + "'");

        std::string value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            // "--list --png x" lacks the file name; it does not write a file called --png.
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0)
                return fail(name + ": missing value");
            value = args[++i];
        }

        if (auto it = intOptions.find(name); it != intOptions.end()) {
            const auto v = parseInteger(value, it->second.lo, it->second.hi);
            if (!v)
                return fail(name + ": expected a whole number from " + std::to_string(it->second.lo)
                            + " to " + std::to_string(it->second.hi) + ", got '" + value + "'");
            it->second.store(*v);
        } else if (name == "--mode") {
            const auto v = parseInteger(value, std::numeric_limits<std::int32_t>::min(),
                                        std::numeric_limits<std::int32_t>::max());
            if (!v)
                return fail("--mode: expected a 32-bit whole number, got '" + value + "'");
            mode = std::int32_t(*v);
        } else if (name == "--size") {
            const auto parts = splitPair(value, 'x');
            const auto w = parts ? parseInteger(parts->first, 1, 16384) : std::nullopt;
            const auto h = parts ? parseInteger(parts->second, 1, 16384) : std::nullopt;
            if (!w || !h)
                return fail("--size: expected WIDTHxHEIGHT, each from 1 to 16384, got '" + value + "'");
            o.width = int(*w);
            o.height = int(*h);
            haveSize = true;
        } else if (name == "--twips-per-pixel") {
            const auto parts = splitPair(value, ',');
            const auto x = parseTwipsPerPixel(parts ? parts->first : value);
            const auto y = parts ? parseTwipsPerPixel(parts->second) : x;
            if (!x || !y)
                return fail("--twips-per-pixel: expected a number from 0.001 to 1000000, or TX,TY, got '"
                            + value + "'");
            tpx = *x;
            tpy = *y;
        } else if (name == "--orbit") {
            const auto parts = splitPair(value, ',');
            const auto dx = parts ? parseInteger(parts->first, -1, 1) : std::nullopt;
            const auto dy = parts ? parseInteger(parts->second, -1, 1) : std::nullopt;
            if (!dx || !dy)
                return fail("--orbit: expected DX,DY, each -1, 0 or 1, got '" + value + "'");
            orbitDx = int(*dx);
            orbitDy = int(*dy);
        } else if (name == "--list" || name == "--png") {
            if (value.empty())
                return fail(name + ": expected a file name or -, got an empty value");
            (name == "--list" ? o.listPath : o.pngPath) = value;
            (name == "--list" ? haveList : havePng) = true;
        }
    }

    if (o.help || o.version) {
        result.ok = true;
        return result;
    }
    if (!mode)
        return fail("--mode: required");
    if (!haveSize)
        return fail("--size: required");
    if (haveList == havePng)
        return fail("--list, --png: exactly one of the two is required");

    s.currentMode = *mode;
    s.twipsPerPixelX = tpx;
    s.twipsPerPixelY = tpy;
    s.formWidth = static_cast<float>(double(o.width) * double(tpx));
    s.formHeight = static_cast<float>(double(o.height) * double(tpy));
    s.orbitX = static_cast<float>(orbitDx * double(tpx));
    s.orbitY = static_cast<float>(orbitDy * double(tpy));
    result.ok = true;
    return result;
}

} // namespace tintoral
