#include "player/CommandLine.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLines, PlayAndAddQuoteTheTargetBehindTheBlankOfThePlayerPath) {
    const std::string playerPath = "/opt/Win Amp/winamp.exe ";
    // Quotes and bytes that are not UTF-8 reach the argument unchanged.
    const std::string target = "/Musik/Ä \"Zitat\" 'x' \xff\xfe.mp3";
    const CommandLine play = playCommand(playerPath, target);
    EXPECT_EQ(play.text, "/opt/Win Amp/winamp.exe \"" + target + "\"");
    EXPECT_EQ(play.launch.program, "/opt/Win Amp/winamp.exe");
    EXPECT_EQ(play.launch.arguments, Arguments{target});
    EXPECT_EQ(play.launch.target, LaunchRequest::Target::Player);

    const CommandLine add = addCommand(playerPath, target);
    EXPECT_EQ(add.text, "/opt/Win Amp/winamp.exe /add \"" + target + "\"");
    EXPECT_EQ(add.launch.arguments, (Arguments{"/add", target}));
}

TEST(CommandLines, ExplorerTakesTheFolderUnquoted) {
    const CommandLine explorer = explorerCommand("/Musik/Mit Blank/");
    EXPECT_EQ(explorer.text, "Explorer.exe /Musik/Mit Blank/");
    EXPECT_EQ(explorer.launch.target, LaunchRequest::Target::FileManager);
    EXPECT_EQ(explorer.launch.arguments, (Arguments{"/Musik/Mit Blank/"}));
}

} // namespace
} // namespace liedspur
