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
        ::chmod(path.c_str(), 0755); // others may enter it (see runAsNobody)
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
    {"size without value", {"--mode", "3", "--list", "OUT", "--size"}, "--size"},
    {"list without value", {"--mode", "3", "--size", "4x4", "--list"}, "--list"},
    {"png without value", {"--mode", "3", "--size", "4x4", "--png"}, "--png"},
    {"an option taken for a value", {"--mode", "3", "--size", "4x4", "--list", "--png", "OUT"}, "--list"},
    {"value taken for an option", {"--mode", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"mode as text", {"--mode", "three", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"size as text", {"--mode", "3", "--size", "big", "--list", "OUT"}, "--size"},
    {"density as text", {"--mode", "14", "--size", "4x4", "--nb-points", "many", "--list", "OUT"}, "--nb-points"},
    {"orbit as text", {"--mode", "14", "--size", "4x4", "--orbit", "left,up", "--list", "OUT"}, "--orbit"},
    {"twips as text", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "fifteen", "--list", "OUT"}, "--twips-per-pixel"},
    {"empty mode", {"--mode", "", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"empty size", {"--mode", "3", "--size=", "--list", "OUT"}, "--size"},
    {"empty steps", {"--mode", "9", "--size", "4x4", "--nb-box=", "--list", "OUT"}, "--nb-box"},
    {"empty twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "", "--list", "OUT"}, "--twips-per-pixel"},
    {"empty list file", {"--mode", "3", "--size", "4x4", "--list="}, "--list"},
    {"empty png file", {"--mode", "3", "--size", "4x4", "--png", ""}, "--png"},
    {"mode with junk", {"--mode", "3x", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"size with junk", {"--mode", "3", "--size", "4x4px", "--list", "OUT"}, "--size"},
    {"size with a blank", {"--mode", "3", "--size", "4x4 ", "--list", "OUT"}, "--size"},
    {"three sides", {"--mode", "3", "--size", "4x4x4", "--list", "OUT"}, "--size"},
    {"steps with a point", {"--mode", "9", "--size", "4x4", "--nb-box", "16.", "--list", "OUT"}, "--nb-box"},
    {"steps as a float", {"--mode", "9", "--size", "4x4", "--nb-box", "1e2", "--list", "OUT"}, "--nb-box"},
    {"twips with junk", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "15px", "--list", "OUT"}, "--twips-per-pixel"},
    {"twips in hexadecimal", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "0x10", "--list", "OUT"}, "--twips-per-pixel"},
    {"three twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "15,15,15", "--list", "OUT"}, "--twips-per-pixel"},
    {"three orbit values", {"--mode", "14", "--size", "4x4", "--orbit", "1,1,1", "--list", "OUT"}, "--orbit"},
    {"mode with a blank", {"--mode", " 3", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"mode with plus", {"--mode", "+3", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"width with plus", {"--mode", "3", "--size", "+4x4", "--list", "OUT"}, "--size"},
    {"height with plus", {"--mode", "3", "--size", "4x+4", "--list", "OUT"}, "--size"},
    {"twips with plus", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "+15", "--list", "OUT"}, "--twips-per-pixel"},
    {"orbit with plus", {"--mode", "14", "--size", "4x4", "--orbit", "+1,0", "--list", "OUT"}, "--orbit"},
    {"mode past 32 bits", {"--mode", "2147483648", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"mode below 32 bits", {"--mode", "-2147483649", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"mode past 64 bits", {"--mode", "99999999999999999999", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"width past 64 bits", {"--mode", "3", "--size", "99999999999999999999x4", "--list", "OUT"}, "--size"},
    {"steps that wrap in 16 bits", {"--mode", "9", "--size", "4x4", "--nb-box", "65538", "--list", "OUT"}, "--nb-box"},
    {"twips past a float", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "1e39", "--list", "OUT"}, "--twips-per-pixel"},
    {"twips whose window overflows", {"--mode", "3", "--size", "16384x4", "--twips-per-pixel", "1e38", "--list", "OUT"}, "--twips-per-pixel"},
    {"denormal twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "1e-45", "--list", "OUT"}, "--twips-per-pixel"},
    {"NaN twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "nan", "--list", "OUT"}, "--twips-per-pixel"},
    {"NaN twips down", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "15,NaN", "--list", "OUT"}, "--twips-per-pixel"},
    {"NaN mode", {"--mode", "nan", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"infinite twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "inf", "--list", "OUT"}, "--twips-per-pixel"},
    {"infinite twips spelt out", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "infinity", "--list", "OUT"}, "--twips-per-pixel"},
    {"minus infinite twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "-inf", "--list", "OUT"}, "--twips-per-pixel"},
    {"negative zero twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "-0", "--list", "OUT"}, "--twips-per-pixel"},
    {"negative zero twips down", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "15,-0.0", "--list", "OUT"}, "--twips-per-pixel"},
    {"negative zero mode", {"--mode", "-0", "--size", "4x4", "--list", "OUT"}, "--mode"},
    {"negative zero orbit", {"--mode", "14", "--size", "4x4", "--orbit", "-0,0", "--list", "OUT"}, "--orbit"},
    {"negative zero half mode", {"--mode", "9", "--size", "4x4", "--half-mode", "-0", "--list", "OUT"}, "--half-mode"},
    {"zero twips", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "0", "--list", "OUT"}, "--twips-per-pixel"},
    {"twips below the least", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "0.0009", "--list", "OUT"}, "--twips-per-pixel"},
    {"twips above the most", {"--mode", "3", "--size", "4x4", "--twips-per-pixel", "1000001", "--list", "OUT"}, "--twips-per-pixel"},
    {"width 0", {"--mode", "3", "--size", "0x4", "--list", "OUT"}, "--size"},
    {"height 0", {"--mode", "3", "--size", "4x0", "--list", "OUT"}, "--size"},
    {"width 16385", {"--mode", "3", "--size", "16385x4", "--list", "OUT"}, "--size"},
    {"height 16385", {"--mode", "3", "--size", "4x16385", "--list", "OUT"}, "--size"},
    {"negative width", {"--mode", "3", "--size", "-1x4", "--list", "OUT"}, "--size"},
    {"steps 1", {"--mode", "9", "--size", "4x4", "--nb-box", "1", "--list", "OUT"}, "--nb-box"},
    {"steps 256", {"--mode", "9", "--size", "4x4", "--nb-box", "256", "--list", "OUT"}, "--nb-box"},
    {"rows 3", {"--mode", "18", "--size", "4x4", "--nb-box-geo", "3", "--list", "OUT"}, "--nb-box-geo"},
    {"rows 51", {"--mode", "18", "--size", "4x4", "--nb-box-geo", "51", "--list", "OUT"}, "--nb-box-geo"},
    {"density 4", {"--mode", "14", "--size", "4x4", "--nb-points", "4", "--list", "OUT"}, "--nb-points"},
    {"density 71", {"--mode", "14", "--size", "4x4", "--nb-points", "71", "--list", "OUT"}, "--nb-points"},
    {"half mode 2", {"--mode", "9", "--size", "4x4", "--half-mode", "2", "--list", "OUT"}, "--half-mode"},
    {"colour 8", {"--mode", "19", "--size", "4x4", "--current-color", "8", "--list", "OUT"}, "--current-color"},
    {"colour -1", {"--mode", "19", "--size", "4x4", "--current-color", "-1", "--list", "OUT"}, "--current-color"},
    {"black level 0", {"--mode", "8", "--size", "4x4", "--black-level", "0", "--list", "OUT"}, "--black-level"},
    {"black level 65", {"--mode", "8", "--size", "4x4", "--black-level", "65", "--list", "OUT"}, "--black-level"},
    {"alt mode 2", {"--mode", "23", "--size", "4x4", "--alt-mode", "2", "--list", "OUT"}, "--alt-mode"},
    {"orbit 2", {"--mode", "14", "--size", "4x4", "--orbit", "2,0", "--list", "OUT"}, "--orbit"},
    {"orbit of one value", {"--mode", "14", "--size", "4x4", "--orbit", "1", "--list", "OUT"}, "--orbit"},
    {"unknown option", {"--mode", "3", "--size", "4x4", "--colour", "1", "--list", "OUT"}, "--colour"},
    {"option in other case", {"--Mode", "3", "--size", "4x4", "--list", "OUT"}, "--Mode"},
    {"short option", {"-m", "3", "--size", "4x4", "--list", "OUT"}, "-m"},
    {"bare word", {"--mode", "3", "--size", "4x4", "--list", "OUT", "extra"}, "extra"},
    {"bare dashes", {"--mode", "3", "--size", "4x4", "--list", "OUT", "--"}, "--"},
    {"empty argument", {"", "--mode", "3", "--size", "4x4", "--list", "OUT"}, "unknown option ''"},
    {"help with a value", {"--help=yes"}, "--help"},
    {"version with a value", {"--version=2"}, "--version"},
    {"no mode", {"--size", "4x4", "--list", "OUT"}, "--mode"},
    {"no size", {"--mode", "3", "--list", "OUT"}, "--size"},
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
        else if (a.rfind("--list=OUT", 0) == 0)
            a = "--list=" + folder.path + "/out";
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

// The edges of every range are still taken.
TEST(RenderToolArguments, EdgesOfTheRangesAreTaken)
{
    const std::vector<std::vector<std::string>> accepted = {
        {"--mode", "-2147483648", "--size", "1x1"},
        {"--mode", "2147483647", "--size", "16384x1"},
        {"--mode=3", "--size=1x16384", "--twips-per-pixel=0.001"},
        {"--mode", "23", "--size", "7x5", "--twips-per-pixel", "1000000,7.5", "--orbit", "-1,1"},
        {"--mode", "9", "--size", "4x4", "--nb-box", "255", "--half-mode", "1"},
        {"--mode", "14", "--size", "4x4", "--nb-points", "070", "--alt-mode", "0"},
        {"--mode", "19", "--size", "4x4", "--current-color", "7", "--black-level", "64"},
        {"--mode", "18", "--size", "4x4", "--nb-box-geo", "4", "--twips-per-pixel", "1e1"},
    };
    for (std::vector<std::string> args : accepted) {
        args.insert(args.end(), {"--list", "-"});
        std::string out, err;
        EXPECT_EQ(runRenderTool(args, &out, &err), 0) << args[1] << " " << args[3] << ": " << err;
        // The two codes outside the mode table draw nothing; every test begins with its background.
        const bool drawsNothing = args[1] == "-2147483648" || args[1] == "2147483647";
        EXPECT_EQ(out.rfind("fill 0 0 ", 0), drawsNothing ? std::string::npos : 0u) << args[1];
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

bool isCharacterDevice(const std::string &path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// /dev/full or /dev/null to write to. Were the tool ever to rename a file over
// its target again, as root it would replace the device in /dev; so the test
// makes its own node of the device in its folder, or where it may not, runs
// the tool as nobody, who cannot.
struct Device {
    std::string path;
    bool asNobody;
};

Device device(const Folder &folder, const char *name, unsigned minor)
{
    const std::string own = folder.path + "/" + name;
    if (::mknod(own.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0) {
        const int fd = ::open(own.c_str(), O_WRONLY);
        if (fd >= 0) {
            ::close(fd);
            return {own, false};
        }
        ::unlink(own.c_str());
    }
    return {std::string("/dev/") + name, ::access("/dev", W_OK) == 0};
}

TEST(RenderToolOutputs, UnwritableOutputsGiveStatusOneAndLeaveNoFile)
{
    Folder folder;
    const std::string f = folder.path;
    fs::create_directory(f + "/ro");
    fs::create_directory(f + "/taken");
    ::chmod((f + "/ro").c_str(), 0555);
    const bool root = ::geteuid() == 0;
    const Device full = device(folder, "full", 7);
    std::vector<std::string> kept = folder.entries();

    struct Case {
        const char *what;
        std::string target;
        Spawn how;
    };
    const Case cases[] = {
        {"a missing folder", f + "/missing/out", {}},
        {"a folder that is a file", "/etc/hostname/out", {}},
        {"a folder no one may add to", "/proc/tintoral-out", {}},
        // Root writes into any folder of a normal file system: the tool then
        // runs as nobody, for whom this folder is read-only.
        {"a read-only folder", f + "/ro/out", Spawn{"/dev/null", root, RLIM_INFINITY}},
        {"a full device", full.path, Spawn{"/dev/null", full.asNobody, RLIM_INFINITY}},
        {"a folder in the file's place", f + "/taken", {}},
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
            EXPECT_TRUE(fs::is_empty(f + "/ro") && fs::is_empty(f + "/taken")) << c.what;
        }
    EXPECT_TRUE(isCharacterDevice(full.path));
    EXPECT_FALSE(fs::exists("/proc/tintoral-out"));
}

// Written through a link, to a device, over a file and under the longest name
// a folder takes: the data lands where the name points and nothing else changes.
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
    const Device null = device(folder, "null", 3);
    for (const std::string &target : {f + "/link", f + "/dangling", f + "/" + longName})
        EXPECT_EQ(runRenderTool({"--mode", "3", "--size", "2x2", "--list", target}, nullptr, &err), 0)
            << target << ": " << err;
    EXPECT_EQ(runTool({"--mode", "3", "--size", "2x2", "--png", null.path}, Spawn{"/dev/null", null.asNobody}, &err), 0)
        << err;

    const auto read = [](const std::string &p) {
        std::ifstream in(p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_TRUE(fs::is_symlink(f + "/link"));
    EXPECT_EQ(read(f + "/kept"), out);
    EXPECT_EQ(fs::status(f + "/kept").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(fs::is_symlink(f + "/dangling"));
    EXPECT_EQ(read(f + "/fresh"), out);
    EXPECT_EQ(read(f + "/" + longName), out);
    EXPECT_TRUE(isCharacterDevice(null.path));
    std::vector<std::string> all{longName, "dangling", "fresh", "kept", "link"};
    if (null.path.rfind(f, 0) == 0)
        all.push_back("null");
    EXPECT_EQ(folder.entries(), all);
}

} // namespace
} // namespace tintoral
