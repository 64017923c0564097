#pragma once

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace liedspur::testing {

// The visible window of this object name; there may be one at most.
inline QWidget* topLevel(const char* name) {
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String(name) && widget->isVisible()) {
            EXPECT_EQ(found, nullptr) << "two windows " << name;
            found = widget;
        }
    }
    return found;
}

} // namespace liedspur::testing
