#ifdef LIEDSPUR_TEST_WINDOWS
#include <QApplication>
#else
#include <QCoreApplication>
#endif

#include <gtest/gtest.h>

#ifdef LIEDSPUR_TEST_PRIVATE_MOUNTS
#include "DeadShare.h"
#endif

#include <cstdlib>

int main(int argc, char* argv[]) {
#ifdef LIEDSPUR_TEST_PRIVATE_MOUNTS
    // First of all: a process that has started a thread cannot take its mounts for itself.
    liedspur::testing::enterPrivateMounts();
#endif
#ifdef LIEDSPUR_TEST_WINDOWS
    // Windows in tests are never shown on a screen.
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
#else
    QCoreApplication application(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
