// SPDX-License-Identifier: MIT
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
#include <climits>
#include <csignal>
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

bool failed(const std::string &path, int err)
{
    std::fprintf(stderr, "tintoral-render: cannot write '%s': %s\n", path.c_str(), std::strerror(err));
    return false;
}

// The file a path names once its symbolic links are followed; a link to a file
// not made yet names that file. Replacing the link itself would cut it off.
std::string followLinks(std::string path)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::vector<char> target(std::size_t(st.st_size > 0 ? st.st_size : PATH_MAX) + 1);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size() - 1);
        if (n < 0)
            return path;
        std::string next(target.data(), std::size_t(n));
        const auto slash = path.rfind('/');
        if (next.empty() || next[0] != '/')
            next = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + next;
        path = next;
    }
    return path; // a loop of links: the write below reports it
}

// Writes into something that is not a regular file (a device such as
// /dev/null or /dev/full, a pipe) as it is, the way a shell redirection does:
// renaming a file over it would replace the device.
bool writeInPlace(const std::string &path, const std::string &bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return failed(path, errno);
    bool ok = writeAll(fd, bytes.data(), bytes.size());
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    return ok || failed(path, err);
}

// Writes the whole of `bytes` to `path`, or to standard output for "-". A file
// is written beside its target under a temporary name and renamed into place,
// so a failed write leaves nothing behind.
bool writeOutput(const std::string &requested, const std::string &bytes)
{
    if (requested == "-") {
        if (!writeAll(STDOUT_FILENO, bytes.data(), bytes.size())) {
            std::fprintf(stderr, "tintoral-render: cannot write to standard output: %s\n",
                         std::strerror(errno));
            return false;
        }
        return true;
    }
    const std::string path = followLinks(requested);
    struct stat existing;
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode))
        return writeInPlace(path, bytes);

    // The temporary name does not grow with the target's, so that any name
    // the folder takes can be written.
    const auto slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string temp = dir + ".tintoral-render.XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0)
        return failed(requested, errno);
    bool ok = writeAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok) {
        // A file written over keeps its permissions; a new one gets the usual ones.
        mode_t mode = 0;
        if (exists) {
            mode = existing.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode = 0666 & ~mask;
        }
        if (::chmod(name.data(), mode) != 0 || ::rename(name.data(), path.c_str()) != 0) {
            ok = false;
            err = errno;
        }
    }
    if (!ok) {
        ::unlink(name.data());
        return failed(requested, err);
    }
    return true;
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
    surface.finish();
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
    // Past a file size limit a write fails with EFBIG and is reported like any
    // other, instead of the signal ending the tool with its temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
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
