#include "Command.h"

#include <gtest/gtest.h>

namespace liedspur::adapter {
namespace {

TEST(Arguments, GiveTheCommandOrNone) {
    const std::pair<std::vector<std::string>, std::optional<Command>> cases[] = {
        {{"/m/a b.mp3"}, Command{Mode::Play, "/m/a b.mp3"}},
        {{"/add", "/m/a b.mp3"}, Command{Mode::Add, "/m/a b.mp3"}},
        {{"/ADD", "/m"}, Command{Mode::Add, "/m"}},
        // A folder named add at the root is a target like any other.
        {{"/Add"}, Command{Mode::Play, "/Add"}},
        {{"/add", "/add"}, Command{Mode::Add, "/add"}},
        {{"-h"}, Command{Mode::Play, "-h"}},
        {{}, std::nullopt},
        {{""}, std::nullopt},
        {{"/add", ""}, std::nullopt},
        {{"/m/a.mp3", "/m/b.mp3"}, std::nullopt},
        {{"/add", "/m/a.mp3", "/m/b.mp3"}, std::nullopt}};
    for (const auto& [arguments, expected] : cases)
        EXPECT_EQ(parseArguments(arguments), expected) << ::testing::PrintToString(arguments);
}

TEST(Targets, AreTakenFromTheWorkingFolderAndEncodedWhereThePlayerWouldMisreadThem) {
    EXPECT_EQ(absolutePath("/m/x.mp3", "/home"), "/m/x.mp3");
    EXPECT_EQ(absolutePath("x.mp3", "/home/u"), "/home/u/x.mp3");
    EXPECT_EQ(absolutePath("add", "/"), "/add");
    EXPECT_EQ(fileUri("/Musik/A-Z_0.9~/x.mp3"), "file:///Musik/A-Z_0.9~/x.mp3");
    EXPECT_EQ(fileUri("/m/a b/#1 %?&+.mp3"), "file:///m/a%20b/%231%20%25%3F%26%2B.mp3");
    EXPECT_EQ(fileUri("/m/lat\xe4n/Gr\xc3\xbc\xc3\x9f"
                      "e.mp3"),
              "file:///m/lat%E4n/Gr%C3%BC%C3%9Fe.mp3");
    EXPECT_EQ(fileUri(std::string("/m/\"'\\\n", 7)), "file:///m/%22%27%5C%0A");
}

} // namespace
} // namespace liedspur::adapter
