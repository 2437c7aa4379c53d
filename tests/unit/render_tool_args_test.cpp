// The render tool against hostile arguments and outputs it cannot write:
// every malformed argument is refused with status 2 and a message naming the
// option, before anything is written; every failed write gives status 1 and
// leaves no file behind.

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tintoral {
namespace {

namespace fs = std::filesystem;
using test::runRenderTool;

// A fresh folder, removed with its content at the end.
struct Folder {
    std::string path;
    Folder()
    {
        char name[] = "/tmp/tintoral-args-XXXXXX";
        path = ::mkdtemp(name);
        ::chmod(path.c_str(), 0755); // nobody may enter it (see runTool)
    }
    ~Folder()
    {
        std::error_code ec;
        fs::permissions(path + "/ro", fs::perms::owner_all, ec);
        fs::remove_all(path, ec);
    }
    std::vector<std::string> entries() const
    {
        std::vector<std::string> names;
        for (const auto &e : fs::directory_iterator(path))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

struct Refused {
    const char *what;
    std::vector<std::string> args; // "OUT" stands for a file in an empty folder
    const char *named;             // the option the message must name
};

// Each case is a whole command line that is good but for one thing.
const Refused kRefused[] = {
    {"mode without value", {"--size", "4x4", "--list", "OUT", "--mode"}, "--mode"},
    {"an option taken for a value", {"--mode", "3", "--size", "4x4", "--list", "--png", "OUT"}, "--list"},
    {"mode as text", {"--mode", "three", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"empty size", {"--mode", "3", "--size=", "--list", "OUT"}, "--size"},
    {"size with junk", {"--mode", "3", "--size", "4x4px", "--list", "OUT"}, "--size"},
    {"mode with plus", {"--mode", "+3", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"mode past 32 bits", {"--mode", "2147483648", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"twips past a float", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "1e39", "--list", "OUT"}, "--twips-per-pixel"},
    {"NaN twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "nan", "--list", "OUT"}, "--twips-per-pixel"},
    {"infinite twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "inf", "--list", "OUT"}, "--twips-per-pixel"},
    {"minus infinite twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "-inf", "--list", "OUT"}, "--twips-per-pixel"},
    {"negative zero twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "-0", "--list", "OUT"}, "--twips-per-pixel"},
    {"width 0", {"--mode", "3", "--size", "0x4", "--list", "OUT"}, "--size"},
    {"height 16385", {"--mode", "3", "--size", "4x16385", "--list", "OUT"}, "--size"},
    {"steps 256", {"--mode", "9", "--size", "4x4", "--nb-box", "256", "--list", "OUT"}, "--nb-box"},
    {"density 4", {"--mode", "14", "--size", "4x4", "--nb-points", "4", "--list", "OUT"}, "--nb-points"},
    {"colour 8", {"--mode", "19", "--size", "4x4", "--current-color", "8", "--list", "OUT"}, "--current-color"},
    {"orbit 2", {"--mode", "14", "--size", "4x4", "--orbit", "2,0", "--list", "OUT"}, "--orbit"},
    {"unknown option", {"--mode", "3", "--size", "4x4", "--colour", "1", "--list", "OUT"}, "--colour"},
    {"no output", {"--mode", "3", "--size", "4x4"}, "--list, --png"},
    {"both outputs", {"--mode", "3", "--size", "4x4", "--list", "OUT", "--png", "OUT.png"}, "--list, --png"},
};

void PrintTo(const Refused &c, std::ostream *os) { *os << c.what; }

class RefusedArguments : public ::testing::TestWithParam<Refused> {};

TEST_P(RefusedArguments, StatusTwoNamingTheOptionAndNothingWritten)
{
    const Refused &c = GetParam();
    Folder folder;
    std::vector<std::string> args = c.args;
    for (std::string &a : args)
        if (a.rfind("OUT", 0) == 0)
            a = folder.path + "/out" + a.substr(3);
    std::string out, err;
    EXPECT_EQ(runRenderTool(args, &out, &err), 2) << err;
    EXPECT_NE(err.find(c.named), std::string::npos) << "message: " << err;
    EXPECT_TRUE(out.empty()) << out;
    EXPECT_TRUE(folder.entries().empty());
}

INSTANTIATE_TEST_SUITE_P(Malformed, RefusedArguments, ::testing::ValuesIn(kRefused),
                         [](const auto &info) {
                             std::string name = info.param.what;
                             std::replace_if(name.begin(), name.end(), [](char ch) { return !std::isalnum(ch); }, '_');
                             return name;
                         });

// The edges of the ranges are still taken.
TEST(RenderToolArguments, EdgesOfTheRangesAreTaken)
{
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--mode", "-2147483648", "--size", "16384x1", "--twips-per-pixel", "0.001"},
             {"--mode=2147483647", "--size=1x16384", "--twips-per-pixel=1000000,7.5", "--orbit", "-1,1"},
             {"--mode", "9", "--size", "4x4", "--nb-box", "255", "--half-mode", "1", "--black-level", "64"},
             {"--mode", "14", "--size", "4x4", "--nb-points", "5", "--current-color", "7"}}) {
        args.insert(args.end(), {"--list", "-"});
        std::string err;
        EXPECT_EQ(runRenderTool(args, nullptr, &err), 0) << args[1] << ": " << err;
    }
}

TEST(RenderToolArguments, ARepeatedOptionTakesItsLastValue)
{
    std::string out, err;
    ASSERT_EQ(runRenderTool({"--mode", "3", "--size", "2x2", "--mode", "5", "--list", "-"}, &out, &err), 0)
        << err;
    EXPECT_EQ(out, "fill 0 0 30 30 255\n");
    ASSERT_EQ(runRenderTool({"--mode", "8", "--size", "2x2", "--black-level", "9", "--black-level=2",
                             "--list", "/nonexistent/dir/out", "--list", "-"},
                            &out, &err),
              0)
        << err;
    EXPECT_EQ(out, "fill 0 0 30 30 131586\n");
}

// Runs the tool with standard output going to `stdoutPath`, optionally as the
// unprivileged user `nobody` (so that a read-only folder holds even when the
// tests run as root) and under a file size limit. Returns the exit status.
struct Spawn {
    std::string stdoutPath = "/dev/null";
    bool asNobody = false;
    rlim_t fileSizeLimit = RLIM_INFINITY;
};

int runTool(const std::vector<std::string> &args, const Spawn &how, std::string *err)
{
    char errName[] = "/tmp/tintoral-args-err-XXXXXX";
    const int errFd = ::mkstemp(errName);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int outFd = ::open(how.stdoutPath.c_str(), O_WRONLY);
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        const rlimit limit{how.fileSizeLimit, how.fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        if (how.asNobody && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            _exit(126);
        std::vector<std::string> copy = args;
        std::string exe = TINTORAL_RENDER_EXE;
        std::vector<char *> argv{exe.data()};
        for (auto &a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(errFd);
    std::ifstream in(errName);
    err->assign(std::istreambuf_iterator<char>(in), {});
    ::unlink(errName);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A full device to write to. Were the tool ever to rename a file over its
// target, as root it would replace /dev/full; so the test makes its own node
// of the device in its folder, or where it may not, runs the tool as nobody.
struct Device {
    std::string path;
    bool asNobody;
};

Device fullDevice(const Folder &folder)
{
    const std::string own = folder.path + "/full";
    if (::mknod(own.c_str(), S_IFCHR | 0666, makedev(1, 7)) == 0) {
        if (const int fd = ::open(own.c_str(), O_WRONLY); fd >= 0 && ::close(fd) == 0)
            return {own, false};
        ::unlink(own.c_str());
    }
    return {"/dev/full", ::access("/dev", W_OK) == 0};
}

TEST(RenderToolOutputs, UnwritableOutputsGiveStatusOneAndLeaveNoFile)
{
    Folder folder;
    const std::string f = folder.path;
    fs::create_directory(f + "/ro");
    ::chmod((f + "/ro").c_str(), 0555);
    const bool root = ::geteuid() == 0;
    const Device full = fullDevice(folder);
    std::vector<std::string> kept = folder.entries();

    struct Case {
        const char *what;
        std::string target;
        Spawn how;
    };
    const Case cases[] = {
        {"a missing folder", f + "/missing/out", {}},
        // Root writes into any folder of a normal file system: the tool then
        // runs as nobody, for whom this folder is read-only.
        {"a read-only folder", f + "/ro/out", Spawn{"/dev/null", root, RLIM_INFINITY}},
        {"a full device", full.path, Spawn{"/dev/null", full.asNobody, RLIM_INFINITY}},
        {"a file size limit", f + "/out", Spawn{"/dev/null", false, 128}},
        {"standard output on a full device", "-", Spawn{"/dev/full", false, RLIM_INFINITY}},
    };
    for (const Case &c : cases)
        for (const char *output : {"--list", "--png"}) {
            std::string err;
            const int status = runTool({"--mode", "23", "--size", "64x48", output, c.target}, c.how, &err);
            EXPECT_EQ(status, 1) << c.what << " " << output << ": " << err;
            EXPECT_NE(err.find("cannot write"), std::string::npos) << c.what << ": " << err;
            EXPECT_EQ(folder.entries(), kept) << c.what << " " << output;
            EXPECT_TRUE(fs::is_empty(f + "/ro")) << c.what;
        }
    struct stat st;
    EXPECT_TRUE(::stat(full.path.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) << "the device is still there";
}

// Regressions: the tool once replaced links with files, lost a file's
// permissions and failed on long names (its temporary name grew with them).
TEST(RenderToolOutputs, WritesWhereTheNamePoints)
{
    Folder folder;
    const std::string f = folder.path;
    std::string out, err;
    ASSERT_EQ(runRenderTool({"--mode", "3", "--size", "2x2", "--list", "-"}, &out, &err), 0);
    std::ofstream(f + "/kept") << "old";
    ::chmod((f + "/kept").c_str(), 0600);
    fs::create_symlink("kept", f + "/link");
    fs::create_symlink("fresh", f + "/dangling");
    const std::string longName(255, 'a');
    for (const std::string &target : {f + "/link", f + "/dangling", f + "/" + longName})
        EXPECT_EQ(runRenderTool({"--mode", "3", "--size", "2x2", "--list", target}, nullptr, &err), 0)
            << target << ": " << err;
    const auto read = [](const std::string &p) {
        std::ifstream in(p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_TRUE(fs::is_symlink(f + "/link"));
    EXPECT_EQ(read(f + "/kept"), out);
    EXPECT_EQ(fs::status(f + "/kept").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(fs::is_symlink(f + "/dangling"));
    EXPECT_EQ(read(f + "/fresh"), out);
    EXPECT_EQ(read(f + "/" + longName), out);
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{longName, "dangling", "fresh", "kept", "link"}));
}

} // namespace
} // namespace tintoral
