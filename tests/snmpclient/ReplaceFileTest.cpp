// Files written whole, never through a link: the component registry names
// the library the program loads, so a planted link must not redirect it.
#include "Registry.h"
#include "ReplaceFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

struct Folder {
    Folder() : path(fs::temp_directory_path() / ("replace-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
    {
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const auto& entry : fs::directory_iterator(path))
            out.insert(entry.path().filename().string());
        return out;
    }
    fs::path path;
    static inline int counter = 0;
};

std::string contentOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace

TEST(ReplaceFile, theRegistryFollowsNoLinkPlantedAtItsOldTemporaryNameNorAtItself)
{
    Folder folder;
    const std::string victim = folder / "victim";
    put(victim, "victim's own\n");
    const std::string path = folder / "registry.reg";
    ASSERT_EQ(::symlink(victim.c_str(), (path + ".new").c_str()), 0);

    zemtra::RegistryFile registry(path);
    registry.setValue("ZemtraATL.SnmpClient\\CLSID", "", "{x}");
    ASSERT_EQ(registry.save(), zemtra::kOk);
    EXPECT_EQ(contentOf(victim), "victim's own\n");
    struct stat saved{};
    ASSERT_EQ(::lstat(path.c_str(), &saved), 0);
    EXPECT_TRUE(S_ISREG(saved.st_mode));
    zemtra::RegistryFile reread(path);
    ASSERT_EQ(reread.load(), zemtra::kOk);
    EXPECT_EQ(reread.value("ZemtraATL.SnmpClient\\CLSID"), "{x}");
    EXPECT_EQ(folder.names(), (std::set<std::string>{"registry.reg", "registry.reg.new", "victim"}));  // no leftovers

    // A link at the registry itself is refused, and its target is left as it was.
    fs::remove(path);
    ASSERT_EQ(::symlink(victim.c_str(), path.c_str()), 0);
    EXPECT_EQ(registry.save(), zemtra::kAccessDenied);
    EXPECT_EQ(contentOf(victim), "victim's own\n");
    const auto refused = zemtra::replaceFile(path, "new", 0644);
    ASSERT_TRUE(refused);
    EXPECT_EQ(*refused, path + ": is a symbolic link; it is not written through. Remove it and try again");
}

TEST(ReplaceFile, theModeIsTheOneAskedWhateverTheUmaskAndAFailureLeavesNothingBehind)
{
    Folder folder;
    const std::string path = folder / "private";
    const mode_t before = ::umask(0);  // the widest: the mode asked must still hold
    const auto written = zemtra::replaceFile(path, "secret", 0600);
    ::umask(before);
    ASSERT_FALSE(written) << *written;
    struct stat made{};
    ASSERT_EQ(::stat(path.c_str(), &made), 0);
    EXPECT_EQ(made.st_mode & 07777, 0600u);
    EXPECT_EQ(contentOf(path), "secret");

    // A folder where the file should be: the rename fails, and the temporary file goes.
    const std::string blocked = folder / "blocked";
    fs::create_directories(blocked + "/inside");
    const auto failed = zemtra::replaceFile(blocked, "lost", 0600);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->rfind(blocked + ": cannot be replaced: ", 0), 0u) << *failed;
    EXPECT_EQ(folder.names(), (std::set<std::string>{"blocked", "private"}));
    const auto nowhere = zemtra::replaceFile(folder / "missing/file", "lost", 0600);
    ASSERT_TRUE(nowhere);
    EXPECT_EQ(nowhere->rfind(folder / "missing/file: cannot be written: ", 0), 0u) << *nowhere;
}
