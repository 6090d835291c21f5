// SPDX-License-Identifier: GPL-3.0-or-later
// The sound device opens once the window's first frame is on the screen, or at the first sound
// asked for before that: the first frame does not wait for the sound system (OpenAL Soft's null
// device here).
#include "sound/DXSound.h"
#include "sound/WaveList.h"
#include "tests/ui/FormFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

namespace {

// Runs the event loop until done holds or ms milliseconds have passed; whether it held.
template <typename Done> bool RunEventsUntil(Done done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

} // namespace

TEST_F(FormTest, TheSoundDeviceOpensShortlyAfterTheFirstFrame) {
    ASSERT_TRUE(form->DXSound1);
    EXPECT_FALSE(form->DXSound1->Initialized()); // made with the window, not yet opened
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_TRUE(RunEventsUntil([&] { return form->DXSound1->Initialized(); }, 2000));
    // Its sounds are loaded into buffers as at any opening.
    EXPECT_NE(form->DXWaveList1->Items().Items(0).MainBuffer(), nullptr);
}

TEST_F(FormTest, ASoundAskedForBeforeTheFirstFrameOpensTheDeviceAtOnce) {
    EXPECT_FALSE(form->DXSound1->Initialized());
    PlaySoundItem(0);
    ASSERT_TRUE(form->DXSound1->Initialized());
    EXPECT_EQ(form->DXWaveList1->Items().Items(0).PlayBufferCount(), 1); // and it plays
    const TDXSoundDirectSound* opened = form->DXSound1->DirectSound();
    // Opened once: the first frame does not open it again.
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::qWait(50);
    EXPECT_EQ(form->DXSound1->DirectSound(), opened);
}
