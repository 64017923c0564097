#include "ui/MainLayout.h"

#include <gtest/gtest.h>

namespace liedspur {
namespace {

// The layout's sizes are checked on the window itself, offscreen and on the display servers
// whose frames bring the client area's bottom into play; here the size given back.
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
