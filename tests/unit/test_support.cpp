#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <sys/wait.h>
#include <unistd.h>

namespace tintoral::test {

std::size_t Image::count(std::uint32_t p) const
{
    return std::size_t(std::count(pixels.begin(), pixels.end(), p));
}

PatternState stateFor(std::int32_t mode, int w, int h, float tx, float ty)
{
    PatternState s;
    s.currentMode = mode;
    s.twipsPerPixelX = tx;
    s.twipsPerPixelY = ty;
    s.formWidth = float(double(w) * tx);
    s.formHeight = float(double(h) * ty);
    return s;
}

Image render(PatternState s, int w, int h)
{
    Image img(w, h);
    RasterSurface surface(img.pixels.data(), w, h, w, s.twipsPerPixelX, s.twipsPerPixelY);
    drawMode(s, surface);
    return img;
}

std::vector<RecordingSurface::Call> record(PatternState s)
{
    RecordingSurface rec;
    drawMode(s, rec);
    return rec.calls();
}

namespace {
std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
} // namespace

int runRenderTool(const std::vector<std::string> &args, std::string *out, std::string *err)
{
    char outName[] = "/tmp/tintoral-test-out-XXXXXX";
    char errName[] = "/tmp/tintoral-test-err-XXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        std::vector<char *> argv;
        std::string exe = TINTORAL_RENDER_EXE;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (auto &a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(outFd);
    close(errFd);
    if (out)
        *out = slurp(outName);
    if (err)
        *err = slurp(errName);
    unlink(outName);
    unlink(errName);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace tintoral::test
