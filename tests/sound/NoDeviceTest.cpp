// SPDX-License-Identifier: GPL-3.0-or-later
// Run with OpenAL Soft told to use a back end that does not exist, so that no device opens.
#include "sound/WaveList.h"
#include "tests/support/TestApp.h"
#include "tests/support/WaveFiles.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <chrono>

using namespace std::chrono_literals;

TEST(NoDevice, OpenALFindsNoDeviceAndCreationFails) {
    std::unique_ptr<IDirectSound> device;
    EXPECT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(device, nullptr);
}

TEST(NoDevice, WindowOpensSilentlyAndEveryPlayReturnsAtOnce) {
    TestApp();
    platform::RegisterDSoundLibrary();
    QWidget window;
    TDXSound sound(&window);
    TDXWaveList list;
    int requests = 0;
    list.OnPlayWave = [&](TWaveCollectionItem&) { ++requests; };
    for (const char* name : {"bille1", "billeplus", "billebcp", "billeprend", "billegagn"})
        list.AddWave(name, wavefiles::CanonicalFile(wavefiles::Tone(98756)));
    list.SetDXSound(&sound);

    EXPECT_NO_THROW(sound.Loaded());
    window.show();
    QApplication::processEvents();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(sound.Initialized());
    // Nothing but the window itself: no message was shown.
    EXPECT_EQ(QApplication::topLevelWidgets().size(), 1);

    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 20; ++round)
        for (int i = 0; i < list.Items().Count(); ++i)
            list.Items()[i].PlayWave(i == 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 50ms);
    EXPECT_EQ(requests, 100);
    for (int i = 0; i < list.Items().Count(); ++i) {
        EXPECT_FALSE(list.Items()[i].Initialized());
        EXPECT_EQ(list.Items()[i].MainBuffer(), nullptr);
    }
}
