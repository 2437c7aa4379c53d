#include "test_support.h"

#include <fstream>
#include <iterator>

#include <sys/wait.h>
#include <unistd.h>

namespace tintoral::test {

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
    RasterSurface surface = img.surface(s.twipsPerPixelX, s.twipsPerPixelY);
    drawMode(s, surface);
    return img;
}

std::vector<RecordingSurface::Call> record(PatternState s)
{
    RecordingSurface rec;
    drawMode(s, rec);
    return rec.calls();
}

int runRenderTool(const std::vector<std::string> &args, std::string *out, std::string *err)
{
    char outName[] = "/tmp/tintoral-test-out-XXXXXX", errName[] = "/tmp/tintoral-test-err-XXXXXX";
    const int outFd = mkstemp(outName), errFd = mkstemp(errName);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outFd, 1);
        dup2(errFd, 2);
        std::string exe = TINTORAL_RENDER_EXE;
        std::vector<std::string> copy = args;
        std::vector<char *> argv{exe.data()};
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
    for (auto [name, to] : {std::pair{outName, out}, std::pair{errName, err}}) {
        std::ifstream in(name, std::ios::binary);
        if (to)
            *to = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        unlink(name);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace tintoral::test
