// A network share that stops answering, mounted beside local songs: the windows must go on
// answering, and a run must find the local songs and end when asked.

#include "ui/FolderList.h"
#include "ui/NewIndex.h"
#include "ui/SearchWindow.h"

#include "platform/linux/LinuxSystem.h"

#include "DeadShare.h"
#include "FakePlatform.h"
#include "Processes.h"
#include "TempDir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace liedspur {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::eventually;

// The child that ends the program with a worker stuck on the share runs over this folder.
constexpr const char* childFolder = "LIEDSPUR_DEAD_SHARE_CHILD";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The fakes, with the drives of the real mount table.
struct MountedDrives : testing::FakeSystem {
    std::vector<Drive> drives() override { return LinuxSystem().drives(); }
};

const Patience quick{500ms, 150ms, 500ms, 600ms, 200ms};

// Musik/a/a.mp3, Musik/b/b.mp3 and the share at Musik/nas, holding two songs.
class ShareBesideSongs : public ::testing::Test {
public:
    void SetUp() override {
        drives.appDirectory = app.path();
        if (std::getenv(childFolder))
            return; // the parent's share is there already
        if (const std::string why = testing::DeadShare::missing(); !why.empty())
            GTEST_SKIP() << why;
        for (const char* song : {"Musik/a/a.mp3", "Musik/b/b.mp3"}) {
            tree.makeDirectory(std::filesystem::path(song).parent_path().string());
            tree.write(song, "x");
        }
        tree.makeDirectory("Musik/nas");
        served.makeDirectory("Freigabe/Album");
        served.write("Freigabe/Album/x.mp3", "x");
        served.write("Freigabe/y.mp3", "x");
        share = std::make_unique<testing::DeadShare>(served.file("Freigabe"), nas());
        ASSERT_TRUE(share->mounted());
    }
    void TearDown() override {
        window.reset();
        share.reset(); // sets free what still waits on it, before the folders go
    }

    std::string nas() const { return tree.file("Musik/nas"); }
    NewIndex& open(Patience patience = quick) {
        window = std::make_unique<NewIndex>(fake(), nullptr, patience);
        window->setYieldInterval(0ms);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        return *window;
    }
    template <typename T = QWidget> T* element(const char* name) {
        return window->findChild<T*>(QLatin1String(name));
    }
    FolderList& folders() { return *element<FolderList>("Dir_index"); }
    // Runs over Musik; the time from the start to the run's message.
    double runOverMusik() {
        EXPECT_TRUE(folders().setPath(tree.file("Musik")));
        const auto start = Clock::now();
        double seconds = 0;
        platform.dialogs.onMessage = [&](const MessageRequest&) { seconds = secondsSince(start); };
        window->cmd_NewIndex_Click();
        return seconds;
    }
    std::string message() const {
        return platform.dialogs.messages.empty()
                   ? ""
                   : platform.dialogs.messages.back().text.toStdString();
    }
    Platform fake() { return {platform.dialogs, platform.processes, drives}; }

    testing::TempDir tree, served, app;
    testing::FakePlatform platform;
    MountedDrives drives;
    std::unique_ptr<testing::DeadShare> share;
    std::unique_ptr<NewIndex> window;
};

TEST_F(ShareBesideSongs, AliveItIsScannedWithTheLocalSongs) {
    open();
    runOverMusik();
    EXPECT_EQ(message(), "Fertig ! Anzahl Files = 4");
}

struct DeadCase {
    const char* name;
    std::function<void(ShareBesideSongs&)> check;
};

void PrintTo(const DeadCase& c, std::ostream* out) {
    *out << c.name;
}

class WhenTheShareIsDead : public ShareBesideSongs,
                           public ::testing::WithParamInterface<DeadCase> {};

TEST_P(WhenTheShareIsDead, NothingWaitsForIt) {
    if (share)
        share->stopAnswering();
    GetParam().check(*this);
}

struct Cases {
    static void indexWindowOpens(ShareBesideSongs& t) {
        const auto start = Clock::now();
        t.open();
        EXPECT_LT(secondsSince(start), 1.0);
        auto* drives = t.element<QComboBox>("Drive_Index");
        EXPECT_GE(drives->findData(QByteArray::fromStdString(t.nas() + "/")), 0);
        EXPECT_EQ(drives->findData("/proc/"), -1);
    }
    static void deadDriveIsTold(ShareBesideSongs& t) {
        t.open();
        auto* drives = t.element<QComboBox>("Drive_Index");
        ASSERT_TRUE(t.folders().setPath(t.tree.file("Musik/a")));
        t.window->Drive_Index_GotFocus();
        const auto start = Clock::now();
        drives->setCurrentIndex(drives->findData(QByteArray::fromStdString(t.nas() + "/")));
        EXPECT_LT(secondsSince(start), 0.5 + 1.0);
        ASSERT_EQ(t.platform.dialogs.messages.size(), 1u);
        EXPECT_EQ(t.message(), "Fehler: > Das Laufwerk antwortet nicht: " + t.nas() + "/ < ");
        EXPECT_EQ(t.platform.dialogs.messages[0].title, "Fehler !!");
        EXPECT_EQ(drives->currentIndex(), 0);
        EXPECT_EQ(t.folders().path(), t.tree.file("Musik/a"));
    }
    static void treeListsBesideIt(ShareBesideSongs& t) {
        t.open();
        ASSERT_TRUE(t.folders().setPath(t.tree.file("Musik")));
        QAbstractItemModel* model = t.folders().model();
        const QModelIndex musik = t.folders().currentIndex();
        ASSERT_TRUE(eventually([&] { return model->rowCount(musik) == 3; }, 300ms));
        const QModelIndex dead = model->index(2, 0, musik);
        EXPECT_EQ(dead.data().toString(), "nas");
        t.folders().expand(dead);
        EXPECT_TRUE(eventually([&] { return model->rowCount(dead) == 1; }, 300ms));
        EXPECT_EQ(model->index(0, 0, dead).data().toString(), "wird gelesen …");
        EXPECT_TRUE(eventually([&] { return !model->hasChildren(dead); }, 600ms));
    }
    static void cancelEndsTheRun(ShareBesideSongs& t) {
        t.open(Patience{}); // the run would wait its full time
        Clock::time_point cancelled;
        QTimer::singleShot(300ms, t.window.get(), [&] {
            cancelled = Clock::now();
            t.element<QPushButton>("cmd_abbruch")->click();
        });
        double toMessage = 0;
        t.platform.dialogs.onMessage = [&](const MessageRequest&) {
            toMessage = secondsSince(cancelled);
        };
        EXPECT_TRUE(t.folders().setPath(t.tree.file("Musik")));
        t.window->cmd_NewIndex_Click();
        EXPECT_EQ(t.message(), "Abbruch durch Benutzer !!");
        EXPECT_LT(toMessage, 0.5);
        EXPECT_EQ(t.app.read("mp3.tmp"),
                  testing::lines({t.tree.file("Musik/a/a.mp3"), t.tree.file("Musik/b/b.mp3")}));
    }
    static void runPassesOverIt(ShareBesideSongs& t) {
        t.open();
        EXPECT_LT(t.runOverMusik(), 0.6 + 1.0);
        EXPECT_EQ(t.message(), "Fertig ! Anzahl Files = 2");
        // Going back does not wait for the worker still stuck on the share.
        const auto start = Clock::now();
        t.element<QPushButton>("cmd_back")->click();
        EXPECT_FALSE(t.window->isVisible());
        EXPECT_LT(secondsSince(start), 0.2);
    }
    static void mainWindowAnswers(ShareBesideSongs& t) {
        t.app.write("winamp.exe", "");
        t.app.write("Plattenbox.ini", t.app.file("winamp.exe") + "\r\n");
        // A first start without an index goes on to the index window; there an index is
        // saved that holds songs on the share.
        int indexWindows = 0;
        Search search(t.fake(), [&](QWidget* parent) {
            const auto start = Clock::now();
            NewIndex index(t.fake(), parent, quick);
            index.show();
            EXPECT_LT(secondsSince(start), 1.0);
            if (++indexWindows == 1)
                t.app.writeIndex({t.nas() + "/y.mp3", t.tree.file("Musik/a/a.mp3")});
        });
        const auto start = Clock::now();
        search.show();
        ASSERT_TRUE(eventually([&] { return search.activations() >= 2; }, 2s));
        EXPECT_LT(secondsSince(start), 1.0);
        search.findChild<QLineEdit*>("txt_suchen")->setText(".mp3");
        search.findChild<QPushButton*>("cmd_suchen")->click();
        EXPECT_EQ(search.findChild<QLabel*>("lbl_info")->text(), "Info: Gefundene Files = 2");
        EXPECT_LT(secondsSince(start), 1.0);
    }
    static void programEndsAtOnce(ShareBesideSongs& t) {
        // The same test, in a process of its own that ends itself with a worker stuck.
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string filter =
            std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
        const std::string output = t.app.file("child");
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 1, output.c_str(), O_WRONLY | O_CREAT, 0644);
        ::setenv(childFolder, t.tree.path().c_str(), 1);
        const char* arguments[] = {"deadshare_tests", filter.c_str(), nullptr};
        pid_t child = -1;
        const int spawned = ::posix_spawn(&child, "/proc/self/exe", &files, nullptr,
                                          const_cast<char**>(arguments), environ);
        ::unsetenv(childFolder);
        posix_spawn_file_actions_destroy(&files);
        ASSERT_EQ(spawned, 0);
        // Its windows and its own thread go at once; the process as a whole lasts as long as
        // the kernel keeps the stuck thread, here until the share is taken down.
        const auto ended = [&] {
            const auto status = testing::processStatus(std::to_string(child));
            return !status || status->state == 'Z';
        };
        EXPECT_TRUE(eventually(ended, 10s)) << t.app.read("child");
        const auto seen = Clock::now();
        t.share.reset();
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::string text = t.app.read("child");
        const auto at = text.find("ending at ");
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
        // The child wrote when it asked to end; the monotonic clock is the system's.
        const Clock::time_point ending{Clock::duration(std::stoll(text.substr(at + 10)))};
        EXPECT_LT(std::chrono::duration<double>(seen - ending).count(), 0.5);
    }
    static void endWithAStuckWorker(ShareBesideSongs& t) {
        t.open();
        EXPECT_TRUE(t.folders().setPath(std::getenv(childFolder) + std::string("/Musik")));
        t.window->cmd_NewIndex_Click();
        ASSERT_EQ(t.message(), "Fertig ! Anzahl Files = 2");
        for (const testing::TempDir* own : {&t.tree, &t.served, &t.app})
            std::filesystem::remove_all(own->path());
        std::printf("ending at %lld\n",
                    static_cast<long long>(Clock::now().time_since_epoch().count()));
        t.platform.dialogs.answerNextMessage(MessageAnswer::Yes);
        LinuxSystem system;
        NewIndex(Platform{t.platform.dialogs, t.platform.processes, system}).cmd_fertig_Click();
        std::printf("still here\n");
    }
};

INSTANTIATE_TEST_SUITE_P(
    Cases, WhenTheShareIsDead,
    ::testing::Values(DeadCase{"IndexWindowOpensAtOnce", Cases::indexWindowOpens},
                      DeadCase{"ChoosingItsDriveTellsAndRestores", Cases::deadDriveIsTold},
                      DeadCase{"TheTreeListsTheFoldersBesideIt", Cases::treeListsBesideIt},
                      DeadCase{"CancelEndsTheRunAtOnce", Cases::cancelEndsTheRun},
                      DeadCase{"ARunPassesOverIt", Cases::runPassesOverIt},
                      DeadCase{"TheMainWindowAnswers", Cases::mainWindowAnswers},
                      DeadCase{"TheProgramEndsAtOnce",
                               [](ShareBesideSongs& t) {
                                   std::getenv(childFolder) ? Cases::endWithAStuckWorker(t)
                                                            : Cases::programEndsAtOnce(t);
                               }}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace liedspur
