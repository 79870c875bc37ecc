// Where the default device root is, and a user's own root made and refreshed from the template
// that the package installs.
#include "SettingsTestSupport.h"

#include "platform/foundation/DeviceRootTemplate.h"

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace settings_test;
namespace fs = std::filesystem;

namespace {

const std::string libraries = "Library/MobileSubstrate/DynamicLibraries";
const std::string bundle = "Library/Application Support/WeChat";
const std::string settings = "var/mobile/Library/Preferences/org.glyphward.host.plist";

struct stat statOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info;
}

// A template and a user's root, both in one temporary folder.
struct Install {
    // In memory where there is such a file system, unless programs are to run from it: a refresh
    // flushes every file it writes.
    explicit Install(bool inMemory = true)
    {
        std::string pattern = inMemory && fs::is_directory("/dev/shm") ? "/dev/shm/glyphward-install-XXXXXX" : "/tmp/glyphward-install-XXXXXX";
        base = ::mkdtemp(pattern.data()) ? pattern : "";
        templ = base + "/share/glyphward/root";
        root = base + "/data/glyphward/root";
    }
    ~Install()
    {
        FileOps::setCurrent(nullptr);
        std::error_code ignored;
        fs::remove_all(base, ignored);
    }
    Install(const Install&) = delete;
    Install& operator=(const Install&) = delete;

    void writeTemplate(const std::string& version, const std::string& library)
    {
        writeBytes(templ + "/" + libraries + "/Glyphward.dylib", library);
        ::chmod((templ + "/" + libraries + "/Glyphward.dylib").c_str(), 0755);
        writeBytes(templ + "/" + libraries + "/Glyphward.plist", "filter " + version);
        writeBytes(templ + "/" + bundle + "/en.lproj/lock.strings", "\"Set Passcode\" = \"" + version + "\";");
        writeBytes(templ + "/" + DeviceRootTemplate::stampName, "glyphward " + version + "\n");
    }
    bool apply()
    {
        const Result<void> applied = DeviceRootTemplate(templ).apply(root);
        error = applied.ok() ? std::string() : applied.failure().message;
        return applied.ok();
    }
    std::string in(const std::string& relative) const { return root + "/" + relative; }
    std::string library() const { return readBytes(in(libraries + "/Glyphward.dylib")); }
    std::string stamp() const { return readBytes(in(DeviceRootTemplate::stampName)); }
    // Staging folders or stamps that a refresh should have cleared away.
    std::vector<std::string> leftovers() const
    {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(root, ignored))
            if (std::string name = entry.path().filename(); name.starts_with(".glyphward-") && name != DeviceRootTemplate::stampName)
                names.push_back(name);
        return names;
    }

    std::string base, templ, root, error;
};

// Sets an environment variable for a scope, then puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const std::string& value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str()))
            saved_ = old;
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedVariable()
    {
        if (saved_)
            ::setenv(name_.c_str(), saved_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs a program with the given variables set ("NAME=VALUE") or unset ("NAME").
Outcome run(const Install& install, const std::string& program, std::vector<std::string> args, const std::vector<std::string>& env)
{
    const std::string outPath = install.base + "/run.out", errPath = install.base + "/run.err";
    args.insert(args.begin(), program);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        for (const auto& setting : env) {
            const auto eq = setting.find('=');
            if (eq == std::string::npos)
                ::unsetenv(setting.c_str());
            else
                ::setenv(setting.substr(0, eq).c_str(), setting.substr(eq + 1).c_str(), 1);
        }
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(outPath), readBytes(errPath) };
}

} // namespace

TEST(DeviceRootTemplate, FirstRunMakesTheRootAndLaterRunsChangeNothing)
{
    Install install;
    install.writeTemplate("1", "library 1");
    ASSERT_TRUE(install.apply()) << install.error;
    EXPECT_EQ(install.library(), "library 1");
    EXPECT_EQ(install.stamp(), "glyphward 1\n");
    EXPECT_EQ(readBytes(install.in(bundle + "/en.lproj/lock.strings")), "\"Set Passcode\" = \"1\";");
    // Private to whoever runs it, so the loader's trust checks pass.
    for (const auto& [path, mode] : std::vector<std::pair<std::string, mode_t>> { { libraries + "/Glyphward.dylib", 0600 },
             { libraries + "/Glyphward.plist", 0600 }, { libraries, 0700 }, { bundle + "/en.lproj", 0700 }, { "", 0700 },
             { "Library", 0700 }, { "Library/MobileSubstrate", 0700 }, { DeviceRootTemplate::stampName, 0600 } }) {
        EXPECT_EQ(statOf(install.in(path)).st_mode & 07777, mode) << path;
        EXPECT_EQ(statOf(install.in(path)).st_uid, ::geteuid()) << path;
    }

    const ino_t library = statOf(install.in(libraries + "/Glyphward.dylib")).st_ino;
    const ino_t stamp = statOf(install.in(DeviceRootTemplate::stampName)).st_ino;
    ASSERT_TRUE(install.apply()) << install.error;
    EXPECT_EQ(statOf(install.in(libraries + "/Glyphward.dylib")).st_ino, library);
    EXPECT_EQ(statOf(install.in(DeviceRootTemplate::stampName)).st_ino, stamp);
    EXPECT_TRUE(install.leftovers().empty());
}

TEST(DeviceRootTemplate, ARootIsPrivateToItsOwnerWhateverTheUmask)
{
    Install install;
    install.writeTemplate("1", "library 1");
    ::umask(0);
    ASSERT_TRUE(install.apply()) << install.error;
    // Every folder made on the way is closed to others, the root's parents included.
    for (const std::string& path : { install.base + "/data", install.base + "/data/glyphward", install.root }) {
        EXPECT_EQ(statOf(path).st_mode & 07777, 0700u) << path;
    }
    for (const auto& entry : fs::recursive_directory_iterator(install.root)) {
        const mode_t mode = statOf(entry.path()).st_mode & 07777;
        EXPECT_EQ(mode, entry.is_directory() ? 0700u : 0600u) << entry.path();
    }

    // A root an earlier version made under that umask is closed again by the next refresh.
    for (const std::string& folder : { std::string(), std::string("Library"), std::string("Library/MobileSubstrate") })
        ::chmod(install.in(folder).c_str(), 0777);
    install.writeTemplate("2", "library 2");
    ASSERT_TRUE(install.apply()) << install.error;
    EXPECT_EQ(install.library(), "library 2");
    for (const std::string& folder : { std::string(), std::string("Library"), std::string("Library/MobileSubstrate"), libraries })
        EXPECT_EQ(statOf(install.in(folder)).st_mode & 07777, 0700u) << folder;
}

TEST(DeviceRootTemplate, ANewTemplateReplacesTheReadOnlyPartsAndKeepsTheSettings)
{
    Install install;
    install.writeTemplate("1", "library 1");
    ASSERT_TRUE(install.apply()) << install.error;
    writeBytes(install.in(settings), "PASS_CODE");
    writeBytes(install.in(libraries + "/Stale.dylib"), "a library the template no longer has");
    const ino_t settingsFile = statOf(install.in(settings)).st_ino;

    // An upgrade: a new library, and the bundle gone from the template.
    install.writeTemplate("2", "library 2");
    fs::remove_all(install.templ + "/" + bundle);
    ASSERT_TRUE(install.apply()) << install.error;
    EXPECT_EQ(install.library(), "library 2");
    EXPECT_EQ(install.stamp(), "glyphward 2\n");
    EXPECT_FALSE(fs::exists(install.in(libraries + "/Stale.dylib")));
    EXPECT_FALSE(fs::exists(install.in(bundle)));
    EXPECT_EQ(readBytes(install.in(settings)), "PASS_CODE");
    EXPECT_EQ(statOf(install.in(settings)).st_ino, settingsFile);

    // A root with a stale library and no stamp (copied from elsewhere), or with a part missing.
    fs::remove(install.in(DeviceRootTemplate::stampName));
    writeBytes(install.in(libraries + "/Glyphward.dylib"), "stale");
    ASSERT_TRUE(install.apply()) << install.error;
    EXPECT_EQ(install.library(), "library 2");
    fs::remove_all(install.in(libraries));
    ASSERT_TRUE(install.apply()) << install.error;
    EXPECT_EQ(install.library(), "library 2");
    EXPECT_EQ(readBytes(install.in(settings)), "PASS_CODE");
    EXPECT_TRUE(install.leftovers().empty());
}

TEST(DeviceRootTemplate, ATemplateSplitOverTwoFoldersMakesOneRoot)
{
    Install install;
    install.writeTemplate("1", "library 1");
    const std::string libraryHalf = install.base + "/lib/glyphward/root";
    fs::create_directories(libraryHalf + "/" + libraries);
    fs::rename(install.templ + "/" + libraries + "/Glyphward.dylib", libraryHalf + "/" + libraries + "/Glyphward.dylib");
    const auto apply = [&] {
        const Result<void> applied = DeviceRootTemplate({ install.templ, libraryHalf }).apply(install.root);
        install.error = applied.ok() ? std::string() : applied.failure().message;
        return applied.ok();
    };
    ASSERT_TRUE(apply()) << install.error;
    EXPECT_EQ(install.library(), "library 1");
    EXPECT_EQ(readBytes(install.in(libraries + "/Glyphward.plist")), "filter 1");
    EXPECT_EQ(readBytes(install.in(bundle + "/en.lproj/lock.strings")), "\"Set Passcode\" = \"1\";");
    EXPECT_EQ(install.stamp(), "glyphward 1\n");

    // An upgrade of the library half alone comes in with the new stamp.
    writeBytes(libraryHalf + "/" + libraries + "/Glyphward.dylib", "library 2");
    writeBytes(install.templ + "/" + DeviceRootTemplate::stampName, "glyphward 2\n");
    ASSERT_TRUE(apply()) << install.error;
    EXPECT_EQ(install.library(), "library 2");
    EXPECT_EQ(readBytes(install.in(libraries + "/Glyphward.plist")), "filter 1");

    // A file in both halves is a broken template: the root keeps what it had, with no new stamp.
    writeBytes(libraryHalf + "/" + libraries + "/Glyphward.plist", "a second filter");
    writeBytes(install.templ + "/" + DeviceRootTemplate::stampName, "glyphward 3\n");
    EXPECT_FALSE(apply());
    EXPECT_NE(install.error.find("cannot create"), std::string::npos) << install.error;
    EXPECT_EQ(install.library(), "library 2");
    EXPECT_NE(install.stamp(), "glyphward 3\n");
    EXPECT_TRUE(install.leftovers().empty());
}

TEST(DeviceRootTemplate, AFailedRefreshLeavesNoHalfCopiedLibraryAndNoNewStamp)
{
    Install install;
    install.writeTemplate("1", "library 1");
    fs::remove(install.templ + "/" + DeviceRootTemplate::stampName);
    EXPECT_FALSE(install.apply());
    EXPECT_NE(install.error.find("has no stamp"), std::string::npos) << install.error;
    EXPECT_FALSE(fs::exists(install.root));

    // Something that is not a file in the template stops the refresh before the stamp.
    install.writeTemplate("1", "library 1");
    ASSERT_TRUE(install.apply()) << install.error;
    writeBytes(install.in(settings), "PASS_CODE");
    install.writeTemplate("2", "library 2");
    ASSERT_EQ(::mkfifo((install.templ + "/" + bundle + "/pipe").c_str(), 0644), 0);
    EXPECT_FALSE(install.apply());
    EXPECT_NE(install.error.find("cannot refresh the device root"), std::string::npos) << install.error;
    EXPECT_EQ(install.stamp(), "");
    EXPECT_TRUE(install.leftovers().empty());
    fs::remove(install.templ + "/" + bundle + "/pipe");

    // Whichever file operation fails, the library in place is a whole one, the root's stamp
    // names the template of its library or is gone, the settings are kept, and the next run
    // finishes the job. Library 2 is written in parts: a failed write leaves a part written.
    const std::string newLibrary(5000, 'n');
    for (int failAt = 0;; ++failAt) {
        install.writeTemplate("1", "library 1");
        ASSERT_TRUE(install.apply()) << install.error;
        install.writeTemplate("2", newLibrary);
        auto ops = std::make_shared<FailingFileOps>(failAt);
        FileOps::setCurrent(ops);
        const bool applied = install.apply();
        FileOps::setCurrent(nullptr);
        const std::string library = install.library();
        const std::string stamp = install.stamp();
        const std::string at = "failed " + ops->failed() + " at " + std::to_string(failAt);
        EXPECT_TRUE(library == "library 1" || library == newLibrary) << at;
        EXPECT_TRUE(stamp.empty() || stamp == (library == newLibrary ? "glyphward 2\n" : "glyphward 1\n")) << at;
        EXPECT_TRUE(!applied || stamp == "glyphward 2\n") << at;
        EXPECT_EQ(readBytes(install.in(settings)), "PASS_CODE");
        ASSERT_TRUE(install.apply()) << install.error;
        EXPECT_EQ(install.library(), newLibrary);
        EXPECT_EQ(install.stamp(), "glyphward 2\n");
        EXPECT_TRUE(install.leftovers().empty()) << at;
        if (ops->calls() <= failAt) {
            EXPECT_TRUE(applied) << install.error;
            EXPECT_GT(failAt, 10);
            break;
        }
    }
}

TEST(DeviceRoot, AnInstalledToolUsesTheUsersOwnRootUnlessTheRootIsChosen)
{
    // From the build tree the default is the staged root; installed, the user's data folder.
    EXPECT_TRUE(DeviceRoot::installedTemplate().empty());
    EXPECT_EQ(DeviceRoot::defaultPath(), GLYPHWARD_BINARY_DIR "/root");
    EXPECT_EQ(DeviceRoot::templateBeside("/usr/bin/glyphward-host"), "/usr/share/glyphward/root");
    EXPECT_EQ(DeviceRoot::libraryTemplateBeside("/usr/bin/glyphward-host").rfind("/usr/lib/", 0), 0u);
    EXPECT_TRUE(DeviceRoot::libraryTemplateBeside("/usr/bin/glyphward-host").ends_with("/glyphward/root"));
    {
        const ScopedVariable home("HOME", "/home/someone/");
        const ScopedVariable data("XDG_DATA_HOME", "relative/is/ignored");
        EXPECT_EQ(DeviceRoot::userRoot(), "/home/someone/.local/share/glyphward/root");
        ::setenv("XDG_DATA_HOME", "/data/", 1);
        EXPECT_EQ(DeviceRoot::userRoot(), "/data/glyphward/root");
    }

    // glyphward-defaults copied into an installed layout, the staged root's parts as its template.
    Install install(false);
    const std::string tool = install.base + "/bin/glyphward-defaults";
    fs::create_directories(install.base + "/bin");
    std::error_code linked;
    fs::create_hard_link(GLYPHWARD_BINARY_DIR "/apps/defaults/glyphward-defaults", tool, linked);
    if (linked)
        fs::copy_file(GLYPHWARD_BINARY_DIR "/apps/defaults/glyphward-defaults", tool);
    ASSERT_EQ(DeviceRoot::templateBeside(tool), install.templ);
    // The package's split: the library under the library folder, the rest under the data folder.
    const std::string libraryTemplate = DeviceRoot::libraryTemplateBeside(tool);
    ASSERT_EQ(libraryTemplate.rfind(install.base + "/lib/", 0), 0u) << libraryTemplate;
    fs::create_directories(install.templ);
    fs::copy(GLYPHWARD_BINARY_DIR "/root/Library", install.templ + "/Library", fs::copy_options::recursive);
    fs::create_directories(libraryTemplate + "/" + libraries);
    fs::rename(install.templ + "/" + libraries + "/Glyphward.dylib", libraryTemplate + "/" + libraries + "/Glyphward.dylib");
    writeBytes(install.templ + "/" + DeviceRootTemplate::stampName, "glyphward test\n");
    const std::vector<std::string> env { "XDG_DATA_HOME=" + install.base + "/data", "GLYPHWARD_ROOT" };

    const std::vector<std::string> write { "write", "org.glyphward.host", "LOCK_INTERVAL", "-float", "60" };
    auto outcome = run(install, tool, write, env);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(readBytes(install.in(libraries + "/Glyphward.dylib")), readBytes(GLYPHWARD_BINARY_DIR "/root/" + libraries + "/Glyphward.dylib"));
    EXPECT_EQ(install.stamp(), "glyphward test\n");
    EXPECT_EQ(run(install, tool, { "read", "org.glyphward.host", "LOCK_INTERVAL" }, env).out, "60\n");

    // --root and GLYPHWARD_ROOT win, and leave the user's root alone.
    fs::remove_all(install.base + "/data");
    const std::string chosen = install.base + "/chosen";
    fs::create_directories(chosen);
    EXPECT_EQ(run(install, tool, { "--root", chosen, "write", "d", "K", "-int", "1" }, env).status, 0);
    EXPECT_EQ(run(install, tool, { "write", "d", "K", "-int", "2" }, { env[0], "GLYPHWARD_ROOT=" + chosen }).status, 0);
    EXPECT_TRUE(fs::exists(chosen + "/var/mobile/Library/Preferences/d.plist"));
    EXPECT_FALSE(fs::exists(install.base + "/data"));

    // A template it cannot trust, or one without its library half, stops the tool before it
    // touches any settings.
    fs::rename(libraryTemplate, install.base + "/library-elsewhere");
    outcome = run(install, tool, write, env);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("glyphward-defaults: the template's library folder " + libraryTemplate + " is missing"), std::string::npos)
        << outcome.err;
    EXPECT_FALSE(fs::exists(install.in(settings)));
    fs::rename(install.base + "/library-elsewhere", libraryTemplate);
    fs::remove(install.templ + "/" + DeviceRootTemplate::stampName);
    outcome = run(install, tool, write, env);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("glyphward-defaults: the template " + install.templ + " has no stamp"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(install.in(settings)));
}
