// The render tool's command line and outputs: a bad argument gives status 2
// and a message naming the option before anything is written; a failed write
// gives status 1 and leaves no file behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs the tool through the shell, after `prefix` (a limit, another user), with
// `args` (a redirection of its own included); returns its exit status.
int runTool(const std::string &args, std::string *out, std::string *err, const std::string &prefix = "")
{
    char outName[] = "/tmp/tintoral-args-out-XXXXXX", errName[] = "/tmp/tintoral-args-err-XXXXXX";
    ::close(::mkstemp(outName));
    ::close(::mkstemp(errName));
    const std::string command = prefix + " " + TINTORAL_RENDER_EXE + " >" + outName + " 2>" + errName + " " + args;
    const int status = std::system(command.c_str());
    *out = slurp(outName);
    *err = slurp(errName);
    ::unlink(outName);
    ::unlink(errName);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh folder that everyone may enter, removed with its content at the end.
struct Folder {
    std::string path;
    Folder()
    {
        char name[] = "/tmp/tintoral-args-XXXXXX";
        path = ::mkdtemp(name);
        ::chmod(path.c_str(), 0755);
    }
    ~Folder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto &e : fs::directory_iterator(path))
            names.insert(e.path().filename().string());
        return names;
    }
};

// Each appended to a good command line, whose value it overrides; the message
// must begin with the option. OUT is a file in an empty folder.
const char *const kBadValues[] = {
    "--mode three", "--mode +3", "--mode -0", "--mode 2147483648", "--mode -2147483649", "--mode",
    "--size=", "--size 4x4px", "--size 4", "--size 0x4", "--size 4x16385", "--size 16385x4",
    "--twips-per-pixel 0.0009", "--twips-per-pixel 1000001", "--twips-per-pixel 15,1e39",
    "--twips-per-pixel nan", "--twips-per-pixel inf", "--twips-per-pixel -inf", "--twips-per-pixel -0",
    "--twips-per-pixel 15,", "--nb-box 1", "--nb-box 256", "--nb-box-geo 3", "--nb-box-geo 51",
    "--nb-points 4", "--nb-points 71", "--half-mode -1", "--half-mode 2", "--current-color -1",
    "--current-color 8", "--black-level 0", "--black-level 65", "--alt-mode -1", "--alt-mode 2",
    "--orbit 2,0", "--orbit 0,-2", "--orbit 1", "--list --png OUT", "--list=", "--help=1",
};

// Whole command lines, and how the message must begin.
const std::pair<const char *, const char *> kBadLines[] = {
    {"--size 4x4 --list OUT", "--mode"},
    {"--mode 3 --list OUT", "--size"},
    {"--mode 3 --size 4x4", "--list, --png"},
    {"--mode 3 --size 4x4 --list OUT --png OUT.png", "--list, --png"},
    {"--mode 3 --size 4x4 --list OUT --colour 1", "unknown option '--colour'"},
};

TEST(RenderToolArguments, BadArgumentsAreRefusedBeforeAnythingIsWritten)
{
    std::vector<std::pair<std::string, std::string>> cases(std::begin(kBadLines), std::end(kBadLines));
    for (const std::string bad : kBadValues)
        cases.emplace_back("--mode 3 --size 4x4 --list OUT " + bad, bad.substr(0, bad.find_first_of(" =")));
    for (auto [line, message] : cases) {
        SCOPED_TRACE(line);
        Folder folder;
        for (std::size_t at; (at = line.find("OUT")) != std::string::npos;)
            line.replace(at, 3, folder.path + "/out");
        std::string out, err;
        EXPECT_EQ(runTool(line, &out, &err), 2);
        EXPECT_EQ(err.rfind("tintoral-render: " + message, 0), 0u) << err;
        EXPECT_EQ(out, "");
        EXPECT_EQ(folder.entries(), std::set<std::string>{});
    }
}

// Every range taken to both its edges; a repeated option takes its last value.
TEST(RenderToolArguments, EdgesAndRepeatsDrawAsAsked)
{
    const std::pair<const char *, const char *> cases[] = {
        {"--mode -2147483648 --size 16384x1 --twips-per-pixel 0.001", ""},
        {"--mode 3 --size 16384x1 --twips-per-pixel 0.001", "fill 0 0 16.384 0.001 16777215\n"},
        {"--mode=8 --size=1x16384 --twips-per-pixel=1000000,7.5 --orbit -1,1 --black-level 64",
         "fill 0 0 1e+06 122880 4210752\n"},
        {"--mode 2147483647 --size 4x4 --nb-box 255 --nb-box-geo 50 --nb-points 70 --half-mode 1"
         " --current-color 7 --alt-mode 1", ""},
        {"--mode 8 --size 2x2 --nb-box 2 --nb-box-geo 4 --nb-points 5 --black-level 1 --half-mode 0"
         " --current-color 0 --alt-mode 0 --orbit 1,-1", "fill 0 0 30 30 65793\n"},
        {"--mode 3 --size 2x2 --mode 5 --twips-per-pixel 7 --twips-per-pixel=10,12", "fill 0 0 20 24 255\n"},
        {"--mode 8 --size 9x9 --size=2x2 --black-level 9 --black-level=2 --list /nonexistent/out",
         "fill 0 0 30 30 131586\n"},
    };
    for (const auto &[line, listing] : cases) {
        std::string out, err;
        EXPECT_EQ(runTool(std::string(line) + " --list -", &out, &err), 0) << line << ": " << err;
        EXPECT_EQ(out, listing) << line;
    }
}

TEST(RenderToolOutputs, UnwritableOutputsGiveStatusOneAndLeaveNoFile)
{
    Folder folder;
    const std::string f = folder.path;
    fs::create_directory(f + "/ro");
    ::chmod((f + "/ro").c_str(), 0555);
    // Root writes into any folder; nobody may not, nor replace /dev/full.
    const std::string nobody = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
    // A full device of our own where we may make one: were the tool to rename a
    // file over its target, this node would be gone.
    std::string full = f + "/full", fullAs;
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0 || ::close(::open(full.c_str(), O_WRONLY)) != 0) {
        ::unlink(full.c_str());
        full = "/dev/full";
        fullAs = nobody;
    }
    const std::set<std::string> kept = folder.entries();
    const std::pair<std::string, std::string> cases[] = {// prefix, output
        {"", f + "/missing/out"}, {nobody, f + "/ro/out"}, {fullAs, full},
        {"ulimit -f 1;", f + "/out"}, {"", "- >/dev/full"}};
    for (const auto &[prefix, target] : cases)
        for (const std::string output : {"--list ", "--png "}) {
            SCOPED_TRACE(prefix + " " + output + target);
            std::string out, err;
            EXPECT_EQ(runTool("--mode 24 --size 640x480 " + output + target, &out, &err, prefix), 1);
            EXPECT_NE(err.find("cannot write"), std::string::npos) << err;
            EXPECT_EQ(folder.entries(), kept);
            EXPECT_TRUE(fs::is_empty(f + "/ro"));
        }
    struct stat st;
    EXPECT_TRUE(::stat(full.c_str(), &st) == 0 && S_ISCHR(st.st_mode)) << "the device is still there";
}

// Regressions: the tool once replaced links with files, lost a file's
// permissions and failed on long names (its temporary name grew with them).
TEST(RenderToolOutputs, WritesWhereTheNamePointsKeepingPermissions)
{
    Folder folder;
    const std::string f = folder.path, longName(255, 'a');
    std::string listing, out, err;
    ASSERT_EQ(runTool("--mode 3 --size 2x2 --list -", &listing, &err), 0);
    std::ofstream(f + "/kept") << "old";
    ::chmod((f + "/kept").c_str(), 0600);
    fs::create_symlink("kept", f + "/link");
    fs::create_symlink("fresh", f + "/dangling");
    const std::vector<std::string> targets{"/link", "/dangling", "/" + longName};
    for (const std::string &target : targets)
        EXPECT_EQ(runTool("--mode 3 --size 2x2 --list " + f + target, &out, &err), 0) << target << ": " << err;
    EXPECT_TRUE(fs::is_symlink(f + "/link") && fs::is_symlink(f + "/dangling"));
    for (const std::string written : {"kept", "fresh", longName.c_str()})
        EXPECT_EQ(slurp(f + "/" + written), listing) << written;
    EXPECT_EQ(fs::status(f + "/kept").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(folder.entries(), (std::set<std::string>{longName, "dangling", "fresh", "kept", "link"}));
}

} // namespace
