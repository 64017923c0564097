// A network share that stops answering, mounted beside local songs: the windows must go on
// answering, and a run must find the local songs and end when asked.

#include "ui/FolderList.h"
#include "ui/NewIndex.h"

#include "platform/linux/FileOpenDialog.h"
#include "platform/linux/LinuxSystem.h"

#include "DeadShare.h"
#include "FakePlatform.h"
#include "Processes.h"
#include "TempDir.h"

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/mount.h>

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

// Musik/a/a.mp3, Musik/b/b.mp3, the system's own file system at Musik/proc, and the share
// at Musik/nas with two songs of its own, which answers no more.
class SilentShare : public ::testing::Test {
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
        if (!answering)
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
    QComboBox& driveList() { return *element<QComboBox>("Drive_Index"); }
    int driveAt(const std::string& path) {
        return driveList().findData(QByteArray::fromStdString(path));
    }
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
    std::string localSongs() const {
        return testing::lines({musik + "/a/a.mp3", musik + "/b/b.mp3"});
    }

    bool answering = false;
    testing::TempDir tree, served, app;
    std::string musik;
    bool procMounted = false;
    testing::FakePlatform platform;
    MountedDrives drives;
    std::unique_ptr<testing::DeadShare> share;
    std::unique_ptr<NewIndex> window;
};

struct LiveShare : SilentShare {
    LiveShare() { answering = true; }
};

TEST_F(LiveShare, IsScannedWithTheLocalSongs) {
    open();
    runOverMusik();
    EXPECT_EQ(message(), "Fertig ! Anzahl Files = 4");
    EXPECT_EQ(element<QLabel>("lbl_ordner")->text(), "Anzahl untersuchte Ordner: 5"); // not proc
}

TEST_F(SilentShare, TheIndexWindowOpensAtOnceAndItsTreeListsTheFoldersBesideIt) {
    const auto start = Clock::now();
    open();
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_GE(driveAt(nas() + "/"), 0);
    EXPECT_EQ(driveAt(musik + "/proc/"), -1);
    ASSERT_TRUE(folders().setPath(musik));
    QAbstractItemModel* model = folders().model();
    const QModelIndex parent = folders().currentIndex();
    ASSERT_TRUE(eventually([&] { return model->rowCount(parent) == 4; }, 300ms));
    const QModelIndex dead = model->index(2, 0, parent);
    EXPECT_EQ(dead.data().toString(), "nas");
    folders().expand(dead);
    EXPECT_TRUE(eventually([&] { return model->rowCount(dead) == 1; }, 300ms));
    EXPECT_EQ(model->index(0, 0, dead).data().toString(), "wird gelesen …");
    EXPECT_TRUE(eventually([&] { return !model->hasChildren(dead); }, 600ms));
}

TEST_F(SilentShare, ItsDriveIsToldAndTheFormerChoiceComesBack) {
    open();
    ASSERT_TRUE(folders().setPath(musik + "/a"));
    window->Drive_Index_GotFocus();
    const auto start = Clock::now();
    driveList().setCurrentIndex(driveAt(nas() + "/"));
    EXPECT_LT(secondsSince(start), 0.5 + 1.0);
    ASSERT_EQ(platform.dialogs.messages.size(), 1u);
    EXPECT_EQ(message(), "Fehler: > Das Laufwerk antwortet nicht: " + nas() + "/ < ");
    EXPECT_EQ(platform.dialogs.messages[0].title, "Fehler !!");
    EXPECT_EQ(driveList().currentIndex(), 0);
    EXPECT_EQ(folders().path(), musik + "/a");
}

TEST_F(SilentShare, TheNetworkDialogListsTheFolderThatHoldsIt) {
    FileDialogRequest request;
    request.initialFolder = musik;
    const auto start = Clock::now();
    FileOpenDialog dialog(request);
    EXPECT_LT(secondsSince(start), 1.0);
    EXPECT_EQ(dialog.folder(), musik + "/");
    EXPECT_EQ(dialog.findChild<QListWidget*>()->count(), 4);
}

TEST_F(SilentShare, ACancelEndsTheRunAtOnce) {
    open(Patience{}); // the run would wait its full time
    Clock::time_point cancelled;
    QTimer::singleShot(300ms, window.get(), [&] {
        cancelled = Clock::now();
        element<QPushButton>("cmd_abbruch")->click();
    });
    double toMessage = 0;
    platform.dialogs.onMessage = [&](const MessageRequest&) {
        toMessage = secondsSince(cancelled);
    };
    EXPECT_TRUE(folders().setPath(musik));
    window->cmd_NewIndex_Click();
    EXPECT_EQ(message(), "Abbruch durch Benutzer !!");
    EXPECT_LT(toMessage, 0.5);
    EXPECT_EQ(app.read("mp3.tmp"), localSongs());
}

TEST_F(SilentShare, ARunPassesOverIt) {
    open();
    EXPECT_LT(runOverMusik(), 0.6 + 1.0);
    EXPECT_EQ(message(), "Fertig ! Anzahl Files = 2");
    EXPECT_EQ(app.read("mp3.tmp"), localSongs());
    // Going back waits for no worker stuck on the share.
    const auto start = Clock::now();
    element<QPushButton>("cmd_back")->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_LT(secondsSince(start), 0.2);
}

TEST_F(SilentShare, TheProgramEndsAtOnceWithAWorkerStuck) {
    if (std::getenv(childFolder)) {
        // The child: a run leaves a worker stuck on the share, then "Programm Beenden".
        open();
        runOverMusik();
        ASSERT_EQ(message(), "Fertig ! Anzahl Files = 2");
        for (const testing::TempDir* own : {&tree, &served, &app})
            std::filesystem::remove_all(own->path());
        std::printf("ending at %lld\n",
                    static_cast<long long>(Clock::now().time_since_epoch().count()));
        platform.dialogs.answerNextMessage(MessageAnswer::Yes);
        LinuxSystem system;
        NewIndex(Platform{platform.dialogs, platform.processes, system}).cmd_fertig_Click();
        return;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(childFolder, QString::fromStdString(tree.path()));
    child.setProcessEnvironment(environment);
    child.start("/proc/self/exe",
                {"--gtest_filter=SilentShare.TheProgramEndsAtOnceWithAWorkerStuck"});
    ASSERT_TRUE(child.waitForStarted());
    // Its windows and its own thread go at once; the process as a whole lasts as long as the
    // kernel keeps the stuck thread, here until the share is taken down.
    EXPECT_TRUE(eventually(
        [&] {
            const auto status = testing::processStatus(std::to_string(child.processId()));
            return !status || status->state == 'Z';
        },
        10s));
    const auto gone = Clock::now();
    share.reset();
    ASSERT_TRUE(child.waitForFinished());
    const std::string text = child.readAllStandardOutput().toStdString();
    const auto at = text.find("ending at ");
    ASSERT_TRUE(at != std::string::npos && child.exitStatus() == QProcess::NormalExit &&
                child.exitCode() == 0)
        << text;
    // The monotonic clock is the system's, the same in both processes.
    const Clock::time_point ending{Clock::duration(std::stoll(text.substr(at + 10)))};
    EXPECT_LT(std::chrono::duration<double>(gone - ending).count(), 0.5);
}

} // namespace
} // namespace liedspur
