#include "ui/MainLayout.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

// List at (8, 88), search field 16 from the frame's left, margins 16 and 47, and the
// smallest outer size 712 × 200. The window's tests check what it holds.
const MainLayout layout{{8, 88}, 16, 16, 47, {712, 200}};

TEST(MainLayout, TheListFollowsTheOuterSizeWithinTheClientArea) {
    struct Case {
        QSize outer;
        int clientHeight;
        QSize list;
    };
    for (const Case& c : {Case{{1000, 400}, 380, {976, 265}}, Case{{1000, 400}, 300, {976, 212}},
                          Case{{712, 100}, 60, {688, 0}}}) {
        const MainLayout::Sizes sizes = layout.sizesFor(c.outer, c.clientHeight);
        EXPECT_EQ(sizes.list, c.list) << c.clientHeight;
    }
}

TEST(NormalSize, IsGivenBackWhenTheWindowLeavesTheMaximizedOrFullScreenState) {
    constexpr Qt::WindowStates normal = Qt::WindowNoState, maximized = Qt::WindowMaximized,
                               full = Qt::WindowFullScreen, minimized = Qt::WindowMinimized;
    struct Step {
        Qt::WindowStates before;
        Qt::WindowStates now;
        QSize size;
        std::optional<QSize> given;
    };
    NormalSize size;
    int step = 0;
    // Never seen at its normal size, then maximized, minimized, full screen and back.
    for (const Step& s : {Step{maximized, normal, {1280, 1024}, std::nullopt},
                          Step{normal, maximized, {1000, 400}, std::nullopt},
                          Step{maximized, minimized | maximized, {1280, 1024}, std::nullopt},
                          Step{minimized | maximized, maximized, {1280, 1024}, std::nullopt},
                          Step{maximized, full, {1280, 1024}, std::nullopt},
                          Step{full, normal, {1280, 1024}, QSize(1000, 400)},
                          Step{normal, minimized, {1000, 400}, std::nullopt},
                          Step{minimized, normal, {1000, 400}, std::nullopt}})
        EXPECT_EQ(size.stateChanged(s.before, s.now, s.size), s.given) << "step " << ++step;
}

} // namespace
} // namespace liedspur
