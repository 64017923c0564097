#include "player/CommandLine.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

TEST(CommandLines, GiveTheTextAndTheArgumentsUnchanged) {
    const std::string player = "/opt/Win Amp/winamp.exe ";
    struct Case {
        CommandLine command;
        std::string text;
        std::vector<std::string> arguments;
    };
    const std::string bytes = "/m/\xff\xfe kein utf8.mp3";
    const Case cases[] = {
        {playCommand(player, "/Musik/Mit Blank/Lied.mp3"),
         "/opt/Win Amp/winamp.exe \"/Musik/Mit Blank/Lied.mp3\"",
         {"/Musik/Mit Blank/Lied.mp3"}},
        {addCommand(player, "/Musik/Ä \"Zitat\" 'x'"),
         "/opt/Win Amp/winamp.exe /add \"/Musik/Ä \"Zitat\" 'x'\"",
         {"/add", "/Musik/Ä \"Zitat\" 'x'"}},
        {playCommand(player, bytes), "/opt/Win Amp/winamp.exe \"" + bytes + "\"", {bytes}},
        {explorerCommand("/Musik/Mit Blank/"),
         "Explorer.exe /Musik/Mit Blank/",
         {"/Musik/Mit Blank/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.command.text, c.text);
        EXPECT_EQ(c.command.launch.arguments, c.arguments);
        const bool explorer = c.text.starts_with("Explorer");
        EXPECT_EQ(c.command.launch.program, explorer ? "" : "/opt/Win Amp/winamp.exe");
        EXPECT_EQ(c.command.launch.target,
                  explorer ? LaunchRequest::Target::FileManager : LaunchRequest::Target::Player);
        EXPECT_EQ(c.command.launch.style,
                  explorer ? WindowStyle::NormalFocus : WindowStyle::NormalNoFocus);
    }
}

} // namespace
} // namespace liedspur
