#include "platform/linux/ProgramFolders.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace liedspur {
namespace {

namespace fs = std::filesystem;

struct FolderCase {
    const char* name;
    const char* executableDirectory; // under the temporary folder
    const char* xdgDataHome;         // "@" stands for the temporary folder
    const char* expected;            // the same, relative to the temporary folder
};

class ApplicationDirectory : public ::testing::TestWithParam<FolderCase> {
protected:
    std::string inTemp(const char* text) const {
        std::string path = text;
        return path.starts_with('@') ? temp.path() + path.substr(1) : path;
    }

    testing::TempDir temp;
};

TEST_P(ApplicationDirectory, IsBesideTheProgramUnlessItIsInstalled) {
    const FolderCase& c = GetParam();
    const UserFolders user{inTemp(c.xdgDataHome), temp.file("home")};
    const std::string expected = inTemp(c.expected);

    EXPECT_EQ(applicationDirectoryFor(inTemp(c.executableDirectory), user), expected);
    if (isInstalledCopy(inTemp(c.executableDirectory))) {
        // Made on first use, and private to the user like the rest of the data folder.
        ASSERT_TRUE(fs::is_directory(expected));
        struct stat info {};
        ASSERT_EQ(::stat(expected.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    } else {
        EXPECT_FALSE(temp.exists("home"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Copies, ApplicationDirectory,
    ::testing::Values(
        FolderCase{"BuildFolder", "@/build/src/app", "", "@/build/src/app"},
        FolderCase{"PortableCopy", "@/Liedspur", "@/daten", "@/Liedspur"},
        FolderCase{"FolderThatOnlyEndsInBin", "@/usr/sbin", "", "@/usr/sbin"},
        FolderCase{"Installed", "/usr/bin", "", "@/home/.local/share/liedspur"},
        FolderCase{"InstalledWithSlash", "/usr/local/bin/", "", "@/home/.local/share/liedspur"},
        FolderCase{"DataHomeSet", "/usr/bin", "@/daten/", "@/daten/liedspur"},
        FolderCase{"RelativeDataHomeIgnored", "/usr/bin", "daten", "@/home/.local/share/liedspur"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ApplicationDirectoryFolder, AnExistingFolderKeepsItsModeAndContent) {
    testing::TempDir temp;
    temp.makeDirectory("daten/liedspur");
    temp.write("daten/liedspur/index.dat", "/a.mp3\r\n");
    fs::permissions(temp.file("daten/liedspur"),
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);

    EXPECT_EQ(applicationDirectoryFor("/usr/bin", {temp.file("daten"), temp.path()}),
              temp.file("daten/liedspur"));
    EXPECT_EQ(fs::status(temp.file("daten/liedspur")).permissions() & fs::perms::group_read,
              fs::perms::group_read);
    EXPECT_EQ(temp.read("daten/liedspur/index.dat"), "/a.mp3\r\n");
}

struct AdapterCase {
    const char* name;
    const char* adapter; // where winamp.exe lies, "" for nowhere
    bool executable;
    const char* executableDirectory;
    const char* expected;
};

class ShippedPlayer : public ::testing::TestWithParam<AdapterCase> {};

TEST_P(ShippedPlayer, IsFoundBesideTheProgramOrInstalledWithIt) {
    const AdapterCase& c = GetParam();
    testing::TempDir temp;
    temp.makeDirectory(c.executableDirectory);
    if (*c.adapter) {
        temp.makeDirectory(fs::path(c.adapter).parent_path().string());
        temp.write(c.adapter, "#!/bin/sh\n");
        if (c.executable)
            fs::permissions(temp.file(c.adapter), fs::perms::owner_exec, fs::perm_options::add);
    }
    const std::string expected = *c.expected ? temp.file(c.expected) : "";
    EXPECT_EQ(shippedPlayerFor(temp.file(c.executableDirectory)), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, ShippedPlayer,
    ::testing::Values(
        AdapterCase{"BesideABuild", "build/winamp.exe", true, "build", "build/winamp.exe"},
        AdapterCase{"InstalledUnderLibexec", "usr/libexec/liedspur/winamp.exe", true, "usr/bin",
                    "usr/libexec/liedspur/winamp.exe"},
        AdapterCase{"BesideAnInstalledCopy", "usr/bin/winamp.exe", true, "usr/bin",
                    "usr/bin/winamp.exe"},
        AdapterCase{"NotExecutable", "usr/libexec/liedspur/winamp.exe", false, "usr/bin", ""},
        AdapterCase{"LibexecOnlyForInstalledCopies", "libexec/liedspur/winamp.exe", true,
                    "Liedspur", ""},
        AdapterCase{"Missing", "", false, "usr/bin", ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace liedspur
