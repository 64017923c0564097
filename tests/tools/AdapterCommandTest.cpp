#include "Command.h"

#include <gtest/gtest.h>

namespace liedspur::adapter {
namespace {

struct ArgumentCase {
    const char* name;
    std::vector<std::string> arguments;
    std::optional<Command> expected;
};

class Arguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(Arguments, GiveTheCommandOrNone) {
    EXPECT_EQ(parseArguments(GetParam().arguments), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    BothForms, Arguments,
    ::testing::Values(
        ArgumentCase{"Play", {"/m/a b.mp3"}, Command{Mode::Play, "/m/a b.mp3"}},
        ArgumentCase{"Add", {"/add", "/m/a b.mp3"}, Command{Mode::Add, "/m/a b.mp3"}},
        ArgumentCase{"AddInAnyCase", {"/ADD", "/m"}, Command{Mode::Add, "/m"}},
        // A folder named add at the root is a target like any other.
        ArgumentCase{"RootFolderAddIsPlayed", {"/Add"}, Command{Mode::Play, "/Add"}},
        ArgumentCase{"RootFolderAddIsAdded", {"/add", "/add"}, Command{Mode::Add, "/add"}},
        ArgumentCase{"TargetLikeAnOption", {"-h"}, Command{Mode::Play, "-h"}},
        ArgumentCase{"Nothing", {}, std::nullopt}, ArgumentCase{"EmptyTarget", {""}, std::nullopt},
        ArgumentCase{"AddWithoutTarget", {"/add", ""}, std::nullopt},
        ArgumentCase{"TwoTargets", {"/m/a.mp3", "/m/b.mp3"}, std::nullopt},
        ArgumentCase{"ThreeArguments", {"/add", "/m/a.mp3", "/m/b.mp3"}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FileUri, EncodesEveryByteThePlayerWouldMisread) {
    EXPECT_EQ(fileUri("/Musik/A-Z_0.9~/x.mp3"), "file:///Musik/A-Z_0.9~/x.mp3");
    EXPECT_EQ(fileUri("/m/a b/#1 %?&+.mp3"), "file:///m/a%20b/%231%20%25%3F%26%2B.mp3");
    EXPECT_EQ(fileUri("/m/lat\xe4n/Gr\xc3\xbc\xc3\x9f"
                      "e.mp3"),
              "file:///m/lat%E4n/Gr%C3%BC%C3%9Fe.mp3");
    EXPECT_EQ(fileUri(std::string("/m/\"'\\\n", 7)), "file:///m/%22%27%5C%0A");
}

TEST(AbsolutePath, TakesARelativeTargetFromTheWorkingFolder) {
    EXPECT_EQ(absolutePath("/m/x.mp3", "/home"), "/m/x.mp3");
    EXPECT_EQ(absolutePath("x.mp3", "/home/u"), "/home/u/x.mp3");
    EXPECT_EQ(absolutePath("add", "/"), "/add");
}

} // namespace
} // namespace liedspur::adapter
