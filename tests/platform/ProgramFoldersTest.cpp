#include "platform/linux/ProgramFolders.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace liedspur {
namespace {

namespace fs = std::filesystem;

TEST(ApplicationDirectory, IsBesideTheProgramUnlessItIsInstalled) {
    struct Case {
        const char* name;
        // "@" stands for the temporary folder.
        const char* executableDirectory;
        const char* xdgDataHome;
        const char* expected;
        unsigned existingMode = 0; // of the data folder there already
    };
    const Case cases[] = {
        {"build folder", "@/build/src/app", "", "@/build/src/app"},
        {"portable copy", "@/Liedspur", "@/daten", "@/Liedspur"},
        {"folder that only ends in bin", "@/usr/sbin", "", "@/usr/sbin"},
        {"installed", "/usr/bin", "", "@/home/.local/share/liedspur"},
        {"installed, with a slash", "/usr/local/bin/", "", "@/home/.local/share/liedspur"},
        {"data home set", "/usr/bin", "@/daten/", "@/daten/liedspur"},
        {"relative data home ignored", "/usr/bin", "daten", "@/home/.local/share/liedspur"},
        {"data folder there already", "/usr/bin", "@/daten", "@/daten/liedspur", 0750},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir temp;
        const auto inTemp = [&](std::string path) {
            return path.starts_with('@') ? temp.path() + path.substr(1) : path;
        };
        const UserFolders user{inTemp(c.xdgDataHome), temp.file("home")};
        const std::string expected = inTemp(c.expected);
        if (c.existingMode) {
            fs::create_directories(expected);
            fs::permissions(expected, fs::perms(c.existingMode));
        }
        EXPECT_EQ(applicationDirectoryFor(inTemp(c.executableDirectory), user), expected);
        if (expected != inTemp(c.executableDirectory)) {
            // Made on first use, and private to the user like the rest of the data folder;
            // one that is there keeps its mode.
            EXPECT_TRUE(fs::is_directory(expected));
            EXPECT_EQ(fs::status(expected).permissions(),
                      fs::perms(c.existingMode ? c.existingMode : 0700u));
        } else {
            EXPECT_FALSE(temp.exists("home"));
        }
    }
}

TEST(ShippedPlayer, IsFoundBesideTheProgramOrInstalledWithIt) {
    struct Case {
        const char* name;
        const char* adapter; // where winamp.exe lies
        bool executable;
        const char* executableDirectory;
        const char* expected;
    };
    const Case cases[] = {
        {"beside a build", "build/winamp.exe", true, "build", "build/winamp.exe"},
        {"installed under libexec", "usr/libexec/liedspur/winamp.exe", true, "usr/bin",
         "usr/libexec/liedspur/winamp.exe"},
        {"not executable", "usr/libexec/liedspur/winamp.exe", false, "usr/bin", ""},
        {"libexec only for installed copies", "libexec/liedspur/winamp.exe", true, "Liedspur", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir temp;
        temp.makeDirectory(c.executableDirectory);
        temp.makeDirectory(fs::path(c.adapter).parent_path().string());
        temp.write(c.adapter, "#!/bin/sh\n");
        if (c.executable)
            fs::permissions(temp.file(c.adapter), fs::perms::owner_exec, fs::perm_options::add);
        EXPECT_EQ(shippedPlayerFor(temp.file(c.executableDirectory)),
                  *c.expected ? temp.file(c.expected) : "");
    }
}

} // namespace
} // namespace liedspur
