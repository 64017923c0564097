#include "platform/linux/PosixProcessStarter.h"

#include "Processes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace liedspur {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::eventually;

LaunchRequest player(const std::string& program, std::vector<std::string> arguments) {
    return {LaunchRequest::Target::Player, program, std::move(arguments),
            WindowStyle::NormalNoFocus};
}

class Starting : public ::testing::Test {
protected:
    // A script in a folder whose name is no valid UTF-8 and holds a blank.
    std::string script(const std::string& name, const std::string& body) {
        dir.makeDirectory(folder);
        const std::string path = dir.file(folder + "/" + name);
        // Without the test's output, which the test runner would wait for.
        testing::writeFileBytes(path, "#!/bin/bash\nexec >/dev/null 2>&1\n" + body + "\n");
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return path;
    }
    std::string log() const { return dir.read("log"); }

    const std::string folder = "Spieler \xff\xfe";
    testing::TempDir dir;
};

TEST_F(Starting, PlayersTakeTurnsInOrderEachAsThePreviousEndsAndLeaveNoZombies) {
    // Each start takes a random time, so unordered starts would shuffle the log.
    const std::string program =
        script("random player", "sleep 0.$((RANDOM % 3 + 1))$((RANDOM % 10)); echo \"$1\" >> \"" +
                                    dir.file("log") + "\"; exit 3");
    std::string expected;
    PosixProcessStarter starter(5s);
    for (int i = 1; i <= 10; ++i) {
        ASSERT_TRUE(starter.start(player(program, {std::to_string(i)})).ok());
        expected += std::to_string(i) + "\n";
    }
    // The last one still runs; its end, well before the limit, gives the turn.
    const auto begin = Clock::now();
    EXPECT_FALSE(starter.waitForPlayerTurn(0ms));
    EXPECT_TRUE(starter.waitForPlayerTurn(3s));
    EXPECT_LT(Clock::now() - begin, 2s);
    ASSERT_TRUE(eventually([&] { return log().size() == expected.size(); }));
    EXPECT_EQ(log(), expected);
    EXPECT_TRUE(eventually([] { return testing::childrenNamed("random player", true) == 0; }));
}

TEST_F(Starting, BytesArriveUnchangedAndAStartThatCannotHappenFailsAtOnceAndRunsNothing) {
    const std::string logger =
        script("log args", "printf '%s\\0' \"$0\" \"$@\" >> \"" + dir.file("log") + "\"");
    const std::string notExecutable = dir.file("not executable");
    testing::writeFileBytes(notExecutable, "#!/bin/sh\n");
    const std::string noProgram = script("no program", "");
    testing::writeFileBytes(noProgram, "\177ELF garbage");
    // The system would hand on a path only up to a NUL: a different path.
    const std::string song("/m/nul\0byte.mp3", 15);
    PosixProcessStarter starter;
    for (const LaunchRequest& request :
         {player(dir.file("gone"), {"/a.mp3"}), player(notExecutable, {"/a.mp3"}),
          player(dir.path(), {"/a.mp3"}), player(noProgram, {"/a.mp3"}), player(logger, {song}),
          player(logger, {"/add", song}), player(logger + std::string(1, '\0') + "x", {"/a.mp3"})})
        EXPECT_FALSE(starter.start(request).ok()) << request.program;
    // Also after waiting for its turn: the failure is this start's own.
    ASSERT_TRUE(starter.start(player(script("slow", "exec /bin/sleep 1"), {})).ok());
    EXPECT_EQ(starter.start(player(dir.file("gone"), {})).error().description,
              "Datei oder Verzeichnis nicht gefunden");
    // The program's path holds a blank and bytes that are not UTF-8.
    const std::vector<std::string> arguments = {"/add", "/m/\x80\xff kein utf8 \"q\" 'a' $x *.mp3",
                                                ""};
    ASSERT_TRUE(starter.start(player(logger, arguments)).ok());
    std::string expected = logger + '\0';
    for (const std::string& argument : arguments)
        expected += argument + '\0';
    ASSERT_TRUE(eventually([&] { return log().size() >= expected.size(); }));
    EXPECT_EQ(log(), expected);
}

TEST_F(Starting, APlayerThatStaysHoldsUpTheNextOnlyUntilTheLimitAndTheFileManagerNever) {
    script("xdg-open", "echo \"$1\" >> \"" + dir.file("log") + "\"");
    const std::string slow = script("slow", "exec /bin/sleep 3");
    const std::string savedPath = std::getenv("PATH");
    ::setenv("PATH", dir.file(folder).c_str(), 1);

    {
        PosixProcessStarter starter;
        LaunchRequest explorer = player({}, {"/Musik/Mit Blank/"});
        explorer.target = LaunchRequest::Target::FileManager;
        explorer.style = WindowStyle::NormalFocus;
        ASSERT_TRUE(starter.start(player(slow, {})).ok());
        auto begin = Clock::now();
        ASSERT_TRUE(starter.start(player(slow, {})).ok());
        // At the limit of 2 s, well before the first player has ended.
        EXPECT_GE(Clock::now() - begin, 1900ms);
        EXPECT_LT(Clock::now() - begin, 2900ms);
        // The second player holds the turn now.
        begin = Clock::now();
        ASSERT_TRUE(starter.start(explorer).ok());
        EXPECT_TRUE(eventually([&] { return log() == "/Musik/Mit Blank/\n"; }, 1s));
        EXPECT_LT(Clock::now() - begin, 1s);

        ::setenv("PATH", dir.file("nowhere").c_str(), 1);
        EXPECT_FALSE(starter.start(explorer).ok());
    }
    // Only once no start can read it any more.
    ::setenv("PATH", savedPath.c_str(), 1);
}

} // namespace
} // namespace liedspur
