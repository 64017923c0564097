#include "player/CommandLine.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLines, PlayAndAddAsThePlayerExpectsThem) {
    const std::string playerPath = "/opt/Win Amp/winamp.exe ";
    const CommandLine play = playCommand(playerPath, "/Musik/Mit Blank/Lied.mp3");
    EXPECT_EQ(play.text, "/opt/Win Amp/winamp.exe \"/Musik/Mit Blank/Lied.mp3\"");
    EXPECT_EQ(play.launch.program, "/opt/Win Amp/winamp.exe");
    EXPECT_EQ(play.launch.arguments, (Arguments{"/Musik/Mit Blank/Lied.mp3"}));
    EXPECT_EQ(play.launch.style, WindowStyle::NormalNoFocus);
    EXPECT_EQ(play.launch.target, LaunchRequest::Target::Player);

    const CommandLine add = addCommand(playerPath, "/Musik/Ä \"Zitat\" 'x'");
    EXPECT_EQ(add.text, "/opt/Win Amp/winamp.exe /add \"/Musik/Ä \"Zitat\" 'x'\"");
    EXPECT_EQ(add.launch.arguments, (Arguments{"/add", "/Musik/Ä \"Zitat\" 'x'"}));
}

TEST(CommandLines, KeepTheBlankOfThePlayerPathOnce) {
    const CommandLine add = addCommand("/w/winamp.exe ", "/a");
    EXPECT_EQ(add.text.find("  "), std::string::npos);
    EXPECT_EQ(add.text, "/w/winamp.exe /add \"/a\"");
    EXPECT_EQ(playCommand("/w/winamp.exe ", "/a").text, "/w/winamp.exe \"/a\"");
}

TEST(CommandLines, BytesReachTheArgumentsUnchanged) {
    const std::string target = "/m/\xff\xfe kein utf8.mp3";
    EXPECT_EQ(playCommand("/w/winamp.exe ", target).launch.arguments, (Arguments{target}));
}

TEST(CommandLines, ExplorerTakesTheFolderUnquoted) {
    const CommandLine explorer = explorerCommand("/Musik/Mit Blank/");
    EXPECT_EQ(explorer.text, "Explorer.exe /Musik/Mit Blank/");
    EXPECT_EQ(explorer.launch.target, LaunchRequest::Target::FileManager);
    EXPECT_EQ(explorer.launch.arguments, (Arguments{"/Musik/Mit Blank/"}));
    EXPECT_EQ(explorer.launch.style, WindowStyle::NormalFocus);
}

} // namespace
} // namespace liedspur
