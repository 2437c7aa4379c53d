// A long run of the orbiting timer at its shortest interval through the tests
// that orbit, the pending events run after each tick. Memory must stay flat,
// counted by the replaced operator new and, for what the toolkit mallocs, by
// the C allocator (under AddressSanitizer LeakSanitizer stands in for it).
#include "app/application.h"
#include "tests/alloc/counting_new.h"

#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <malloc.h>

TEST(LongRun, TwentyThousandOrbitTicksLeaveMemoryFlat)
{
    constexpr int kTicks = 20000, kWarmUp = 500;
    constexpr std::int16_t kMoving[] = {8, 10, 11, 12, 16, 9, 23}; // dots, grid, crosses, test card
    tintoral::Program program;
    program.start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(program.displayWindow()));
    program.launcher().Slider1->setValue(1);
    long newBytes = 0, mallocBytes = 0;
    for (int i = 0; i < kTicks; ++i) {
        if (i % (kTicks / 7) == 0)
            program.launcher().Command1_Click(kMoving[i / (kTicks / 7) % 7]);
        program.display().Timer1_Timer();
        QCoreApplication::processEvents();
        if (i == kWarmUp)
            newBytes = tintoral::test::liveNewBytes(), mallocBytes = long(mallinfo2().uordblks);
    }
    EXPECT_TRUE(program.display().Timer1.enabled());
    // A leak of even a few bytes a tick would show a hundred kilobytes or more.
    EXPECT_LE(tintoral::test::liveNewBytes() - newBytes, 16 * 1024) << "live operator new bytes grew";
    EXPECT_LE(long(mallinfo2().uordblks) - mallocBytes, 256 * 1024) << "the C allocator's bytes in use grew";
}
