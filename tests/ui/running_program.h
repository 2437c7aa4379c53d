#pragma once

#include "app/application.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace tintoral::test {

// The real program, started and shown, for tests that drive its windows.
class RunningProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.start();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window()));
        QCoreApplication::processEvents();
    }
    platform::QtPatternWindow *window() { return program.displayWindow(); }
    tintoral::Display &display() { return program.display(); }
    Launcher &launcher() { return program.launcher(); }
    // A key typed in the pattern window.
    void press(int key, const QString &text)
    {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(window(), &e);
    }

    Program program;
};

} // namespace tintoral::test
