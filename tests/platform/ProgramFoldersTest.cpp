#include "platform/linux/ProgramFolders.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace liedspur {
namespace {

namespace fs = std::filesystem;

// The data folder, and our player adapter winamp.exe where one lies (run or not).
TEST(ProgramFolders, AreBesideTheProgramUnlessItIsInstalled) {
    struct Case {
        const char* name;
        // "@" stands for the temporary folder.
        const char* executableDirectory;
        const char* xdgDataHome;
        const char* expected;
        unsigned existingMode = 0; // of the data folder there already
        const char* adapter = "";
        bool executable = true;
        bool adapterFound = false;
    };
    const Case cases[] = {
        {"build folder", "@/build/src/app", "", "@/build/src/app", 0, "@/build/src/app/winamp.exe",
         true, true},
        // An installed copy's place only for installed copies.
        {"portable copy", "@/Liedspur", "@/daten", "@/Liedspur", 0,
         "@/libexec/liedspur/winamp.exe"},
        {"folder that only ends in bin", "@/usr/sbin", "", "@/usr/sbin"},
        {"installed", "@/usr/bin", "", "@/home/.local/share/liedspur", 0,
         "@/usr/libexec/liedspur/winamp.exe", true, true},
        {"installed, with a slash", "@/usr/local/bin/", "", "@/home/.local/share/liedspur"},
        // A winamp.exe that may not be run is none.
        {"data home set", "@/usr/bin", "@/daten/", "@/daten/liedspur", 0,
         "@/usr/libexec/liedspur/winamp.exe", false},
        {"relative data home ignored", "@/usr/bin", "daten", "@/home/.local/share/liedspur"},
        {"data folder there already", "@/usr/bin", "@/daten", "@/daten/liedspur", 0750},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::TempDir temp;
        const auto inTemp = [&](std::string path) {
            return path.starts_with('@') ? temp.path() + path.substr(1) : path;
        };
        const UserFolders user{inTemp(c.xdgDataHome), temp.file("home")};
        const std::string expected = inTemp(c.expected), adapter = inTemp(c.adapter);
        if (c.existingMode) {
            fs::create_directories(expected);
            fs::permissions(expected, fs::perms(c.existingMode));
        }
        if (*c.adapter) {
            fs::create_directories(fs::path(adapter).parent_path());
            testing::writeFileBytes(adapter, "#!/bin/sh\n");
            if (c.executable)
                fs::permissions(adapter, fs::perms::owner_exec, fs::perm_options::add);
        }
        EXPECT_EQ(shippedPlayerFor(inTemp(c.executableDirectory)), c.adapterFound ? adapter : "");
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

} // namespace
} // namespace liedspur
