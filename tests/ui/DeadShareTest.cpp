// A network share that stops answering, mounted beside local songs: the windows must go on
// answering, and a run must find the local songs and end when asked.

#include "ui/FolderList.h"
#include "ui/NewIndex.h"
#include "ui/SearchWindow.h"

#include "platform/linux/FileOpenDialog.h"
#include "platform/linux/LinuxSystem.h"

#include "DeadShare.h"
#include "FakePlatform.h"
#include "Processes.h"
#include "TempDir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>

extern char** environ;

namespace liedspur {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::eventually;

// Set in the child that ends the program with a worker stuck: the parent's folder.
constexpr const char* childFolder = "LIEDSPUR_DEAD_SHARE_CHILD";

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The fakes, with the drives of the real mount table.
struct MountedDrives : testing::FakeSystem {
    std::vector<Drive> drives() override { return LinuxSystem().drives(); }
};

const Patience quick{500ms, 150ms, 500ms, 600ms, 200ms};

class ShareBesideSongs;
struct ShareCase {
    const char* name;
    bool dead;
    void (*check)(ShareBesideSongs&);
};

void PrintTo(const ShareCase& c, std::ostream* out) {
    *out << c.name;
}

// Musik/a/a.mp3, Musik/b/b.mp3, the system's own file system at Musik/proc, and the share
// at Musik/nas with two songs of its own.
class ShareBesideSongs : public ::testing::TestWithParam<ShareCase> {
public:
    void SetUp() override {
        drives.appDirectory = app.path();
        if (const char* parent = std::getenv(childFolder)) {
            musik = std::string(parent) + "/Musik"; // the parent's share is there already
            return;
        }
        if (const std::string why = testing::DeadShare::missing(); !why.empty())
            GTEST_SKIP() << why;
        musik = tree.file("Musik");
        for (const char* folder : {"Musik/a", "Musik/b", "Musik/nas", "Musik/proc"})
            tree.makeDirectory(folder);
        tree.write("Musik/a/a.mp3", "x");
        tree.write("Musik/b/b.mp3", "x");
        served.makeDirectory("Album");
        served.write("Album/x.mp3", "x");
        served.write("y.mp3", "x");
        ASSERT_EQ(::mount("proc", (musik + "/proc").c_str(), "proc", 0, nullptr), 0);
        procMounted = true;
        share = std::make_unique<testing::DeadShare>(served.path(), nas());
        ASSERT_TRUE(share->mounted());
        if (GetParam().dead)
            share->stopAnswering();
    }
    void TearDown() override {
        window.reset();
        share.reset(); // sets free what still waits on it, before the folders go
        if (procMounted)
            ::umount2((musik + "/proc").c_str(), MNT_DETACH);
    }

    std::string nas() const { return musik + "/nas"; }
    Platform fake() { return {platform.dialogs, platform.processes, drives}; }
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
        EXPECT_TRUE(folders().setPath(musik));
        const auto start = Clock::now();
        double seconds = 0;
        platform.dialogs.onMessage = [&](const MessageRequest&) { seconds = secondsSince(start); };
        window->cmd_NewIndex_Click();
        return seconds;
    }
    std::string message() const {
        const auto& shown = platform.dialogs.messages;
        return shown.empty() ? "" : shown.back().text.toStdString();
    }
    std::string songs(const std::vector<const char*>& names) const {
        std::vector<std::string> paths;
        for (const char* name : names)
            paths.push_back(musik + "/" + name);
        return testing::lines(paths);
    }

    testing::TempDir tree, served, app;
    std::string musik;
    bool procMounted = false;
    testing::FakePlatform platform;
    MountedDrives drives;
    std::unique_ptr<testing::DeadShare> share;
    std::unique_ptr<NewIndex> window;
};

TEST_P(ShareBesideSongs, NothingWaitsForIt) {
    GetParam().check(*this);
}

void endsAtOnce(ShareBesideSongs& t) {
    if (std::getenv(childFolder)) {
        // The child: a run leaves a worker stuck on the share, then "Programm Beenden".
        t.open();
        t.runOverMusik();
        ASSERT_EQ(t.message(), "Fertig ! Anzahl Files = 2");
        for (const testing::TempDir* own : {&t.tree, &t.served, &t.app})
            std::filesystem::remove_all(own->path());
        std::printf("ending at %lld\n",
                    static_cast<long long>(Clock::now().time_since_epoch().count()));
        t.platform.dialogs.answerNextMessage(MessageAnswer::Yes);
        LinuxSystem system;
        NewIndex(Platform{t.platform.dialogs, t.platform.processes, system}).cmd_fertig_Click();
        return;
    }
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
    ASSERT_EQ(::posix_spawn(&child, "/proc/self/exe", &files, nullptr,
                            const_cast<char**>(arguments), environ),
              0);
    ::unsetenv(childFolder);
    posix_spawn_file_actions_destroy(&files);
    // Its windows and its own thread go at once; the process as a whole lasts as long as the
    // kernel keeps the stuck thread, here until the share is taken down.
    EXPECT_TRUE(eventually(
        [&] {
            const auto status = testing::processStatus(std::to_string(child));
            return !status || status->state == 'Z';
        },
        10s));
    const auto gone = Clock::now();
    t.share.reset();
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string text = t.app.read("child");
    const auto at = text.find("ending at ");
    ASSERT_TRUE(at != std::string::npos && WIFEXITED(status) && WEXITSTATUS(status) == 0) << text;
    // The monotonic clock is the system's, the same in both processes.
    const Clock::time_point ending{Clock::duration(std::stoll(text.substr(at + 10)))};
    EXPECT_LT(std::chrono::duration<double>(gone - ending).count(), 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShareBesideSongs,
    ::testing::Values(
        ShareCase{"AliveItIsScannedWithTheLocalSongs", false,
                  [](ShareBesideSongs& t) {
                      t.open();
                      t.runOverMusik();
                      EXPECT_EQ(t.message(), "Fertig ! Anzahl Files = 4");
                      EXPECT_EQ(t.element<QLabel>("lbl_ordner")->text(),
                                "Anzahl untersuchte Ordner: 5"); // not Musik/proc
                  }},
        ShareCase{"DeadTheIndexWindowOpensAtOnce", true,
                  [](ShareBesideSongs& t) {
                      const auto start = Clock::now();
                      auto* drives = t.open().findChild<QComboBox*>("Drive_Index");
                      EXPECT_LT(secondsSince(start), 1.0);
                      EXPECT_GE(drives->findData(QByteArray::fromStdString(t.nas() + "/")), 0);
                      EXPECT_EQ(drives->findData(QByteArray::fromStdString(t.musik + "/proc/")),
                                -1);
                  }},
        ShareCase{"DeadItsDriveIsToldAndTheFormerChoiceComesBack", true,
                  [](ShareBesideSongs& t) {
                      auto* drives = t.open().findChild<QComboBox*>("Drive_Index");
                      ASSERT_TRUE(t.folders().setPath(t.musik + "/a"));
                      t.window->Drive_Index_GotFocus();
                      const auto start = Clock::now();
                      drives->setCurrentIndex(
                          drives->findData(QByteArray::fromStdString(t.nas() + "/")));
                      EXPECT_LT(secondsSince(start), 0.5 + 1.0);
                      ASSERT_EQ(t.platform.dialogs.messages.size(), 1u);
                      EXPECT_EQ(t.message(),
                                "Fehler: > Das Laufwerk antwortet nicht: " + t.nas() + "/ < ");
                      EXPECT_EQ(t.platform.dialogs.messages[0].title, "Fehler !!");
                      EXPECT_EQ(drives->currentIndex(), 0);
                      EXPECT_EQ(t.folders().path(), t.musik + "/a");
                  }},
        ShareCase{"DeadTheTreeListsTheFoldersBesideIt", true,
                  [](ShareBesideSongs& t) {
                      t.open();
                      ASSERT_TRUE(t.folders().setPath(t.musik));
                      QAbstractItemModel* model = t.folders().model();
                      const QModelIndex musik = t.folders().currentIndex();
                      ASSERT_TRUE(eventually([&] { return model->rowCount(musik) == 4; }, 300ms));
                      const QModelIndex dead = model->index(2, 0, musik);
                      EXPECT_EQ(dead.data().toString(), "nas");
                      t.folders().expand(dead);
                      EXPECT_TRUE(eventually([&] { return model->rowCount(dead) == 1; }, 300ms));
                      EXPECT_EQ(model->index(0, 0, dead).data().toString(), "wird gelesen …");
                      EXPECT_TRUE(eventually([&] { return !model->hasChildren(dead); }, 600ms));
                  }},
        ShareCase{"DeadTheNetworkDialogListsTheFolderThatHoldsIt", true,
                  [](ShareBesideSongs& t) {
                      FileDialogRequest request;
                      request.initialFolder = t.musik;
                      const auto start = Clock::now();
                      FileOpenDialog dialog(request);
                      EXPECT_LT(secondsSince(start), 1.0);
                      EXPECT_EQ(dialog.folder(), t.musik + "/");
                      EXPECT_EQ(dialog.findChild<QListWidget*>()->count(), 4);
                  }},
        ShareCase{"DeadACancelEndsTheRunAtOnce", true,
                  [](ShareBesideSongs& t) {
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
                      EXPECT_TRUE(t.folders().setPath(t.musik));
                      t.window->cmd_NewIndex_Click();
                      EXPECT_EQ(t.message(), "Abbruch durch Benutzer !!");
                      EXPECT_LT(toMessage, 0.5);
                      EXPECT_EQ(t.app.read("mp3.tmp"), t.songs({"a/a.mp3", "b/b.mp3"}));
                  }},
        ShareCase{"DeadARunPassesOverIt", true,
                  [](ShareBesideSongs& t) {
                      t.open();
                      EXPECT_LT(t.runOverMusik(), 0.6 + 1.0);
                      EXPECT_EQ(t.message(), "Fertig ! Anzahl Files = 2");
                      EXPECT_EQ(t.app.read("mp3.tmp"), t.songs({"a/a.mp3", "b/b.mp3"}));
                      // Going back waits for no worker stuck on the share.
                      const auto start = Clock::now();
                      t.element<QPushButton>("cmd_back")->click();
                      EXPECT_FALSE(t.window->isVisible());
                      EXPECT_LT(secondsSince(start), 0.2);
                  }},
        ShareCase{"DeadTheMainWindowAnswers", true,
                  [](ShareBesideSongs& t) {
                      t.app.write("winamp.exe", "");
                      t.app.write("Plattenbox.ini", t.app.file("winamp.exe") + "\r\n");
                      // A first start without an index goes on to the index window, where
                      // an index with songs on the share is saved.
                      Search search(t.fake(), [&](QWidget* parent) {
                          const auto start = Clock::now();
                          NewIndex(t.fake(), parent, quick).show();
                          EXPECT_LT(secondsSince(start), 1.0);
                          t.app.writeIndex({t.nas() + "/y.mp3", t.musik + "/a/a.mp3"});
                      });
                      const auto start = Clock::now();
                      search.show();
                      ASSERT_TRUE(eventually([&] { return search.activations() >= 2; }, 2s));
                      search.findChild<QLineEdit*>("txt_suchen")->setText(".mp3");
                      search.findChild<QPushButton*>("cmd_suchen")->click();
                      EXPECT_EQ(search.findChild<QLabel*>("lbl_info")->text(),
                                "Info: Gefundene Files = 2");
                      EXPECT_LT(secondsSince(start), 1.0);
                  }},
        ShareCase{"DeadTheProgramEndsAtOnceWithAWorkerStuck", true, endsAtOnce}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace liedspur
