// tintoral-render: draws one test pattern off screen, with the same renderers
// and rasterizer as the program, as a list of drawing calls or as a PNG.
#include "pattern_window/mode_table.h"
#include "platform/raster_surface.h"
#include "platform/recording_surface.h"
#include "tools/render_options.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tintoral;

namespace {

bool writeAll(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

// Writes the whole of `bytes` to `path`, or to standard output for "-". A file
// is written beside its target under a temporary name and renamed into place,
// so a failed write leaves nothing behind.
bool writeOutput(const std::string &path, const std::string &bytes)
{
    if (path == "-") {
        if (!writeAll(STDOUT_FILENO, bytes.data(), bytes.size())) {
            std::fprintf(stderr, "tintoral-render: cannot write to standard output: %s\n",
                         std::strerror(errno));
            return false;
        }
        return true;
    }
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : dir) + "." + base + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        std::fprintf(stderr, "tintoral-render: cannot write '%s': %s\n", path.c_str(),
                     std::strerror(errno));
        return false;
    }
    bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(name.data(), 0666 & ~mask);
        if (::rename(name.data(), path.c_str()) != 0) {
            ok = false;
            err = errno;
        }
    }
    if (!ok) {
        ::unlink(name.data());
        std::fprintf(stderr, "tintoral-render: cannot write '%s': %s\n", path.c_str(),
                     std::strerror(err));
    }
    return ok;
}

std::string renderList(RenderOptions &o)
{
    RecordingSurface rec;
    drawMode(o.state, rec);
    std::string out;
    for (const auto &call : rec.calls()) {
        out += RecordingSurface::format(call);
        out += '\n';
    }
    return out;
}

std::string renderPng(RenderOptions &o)
{
    QImage image(o.width, o.height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    image.fill(0xff000000u);
    RasterSurface surface(reinterpret_cast<std::uint32_t *>(image.bits()), o.width, o.height,
                          image.bytesPerLine() / 4, o.state.twipsPerPixelX, o.state.twipsPerPixelY);
    drawMode(o.state, surface);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.convertToFormat(QImage::Format_RGB888).save(&buffer, "PNG"))
        return {};
    return bytes.toStdString();
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    ParseResult parsed = parseRenderArguments(args);
    if (!parsed.ok) {
        std::fprintf(stderr, "tintoral-render: %s\nTry 'tintoral-render --help' for the options.\n", parsed.error.c_str());
        return 2;
    }
    RenderOptions &o = parsed.options;
    if (o.help) {
        std::fputs(kRenderUsage, stdout);
        return 0;
    }
    if (o.version) {
        std::printf("tintoral-render %s\n", TINTORAL_VERSION);
        return 0;
    }
    if (!o.listPath.empty())
        return writeOutput(o.listPath, renderList(o)) ? 0 : 1;

    const std::string png = renderPng(o);
    if (png.empty()) {
        std::fprintf(stderr, "tintoral-render: cannot encode a %dx%d PNG (out of memory?)\n", o.width,
                     o.height);
        return 1;
    }
    return writeOutput(o.pngPath, png) ? 0 : 1;
}
