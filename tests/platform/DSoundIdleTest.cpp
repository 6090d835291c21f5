// SPDX-License-Identifier: GPL-3.0-or-later
// The DirectSound stand-in's device sleeps once no sound has played for a second (OpenAL Soft's
// null back end, with the application's event loop run by the tests): an idle program is not
// woken by the mixer and does not keep its memory.
#include "platform/DSound.h"
#include "tests/platform/ToneBuffers.h"
#include "tests/support/TestApp.h"
#include "tests/support/WaveFiles.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

// Freed memory stays in AddressSanitizer's quarantine instead of going back to the system.
#if defined(__SANITIZE_ADDRESS__)
#define EKOBA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define EKOBA_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

constexpr std::uint32_t kTenthOfASecond = 17640;
// The device sleeps a second after the last sound; the tests wait up to this long for it.
constexpr int kSleepWithin = 2500;

// Runs the event loop until done holds or ms milliseconds have passed; whether it held.
bool RunEventsUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void RunEventsFor(int ms) {
    RunEventsUntil([] { return false; }, ms);
}

bool Asleep() {
    return platform::DSoundRunningDevices() == 0;
}

std::uint32_t StatusOf(IDirectSoundBuffer& buffer) {
    std::uint32_t status = 0xFFFF;
    EXPECT_EQ(buffer.GetStatus(&status), DS_OK);
    return status;
}

// Plays the buffer from where it stands; the milliseconds until it has ended (-1: not started,
// or still playing after 3 s).
int MsPlayed(IDirectSoundBuffer& buffer) {
    QElapsedTimer clock;
    clock.start();
    if (buffer.Play(0, 0, 0) != DS_OK || StatusOf(buffer) != DSBSTATUS_PLAYING)
        return -1;
    if (!RunEventsUntil([&] { return StatusOf(buffer) == 0; }, 3000))
        return -1;
    return static_cast<int>(clock.elapsed());
}

// Whether the buffer, played from where it stands, plays for more than low and less than high
// milliseconds.
::testing::AssertionResult PlaysBetween(IDirectSoundBuffer& buffer, int low, int high) {
    const int played = MsPlayed(buffer);
    if (played > low && played < high)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "played " << played << " ms, expected between " << low << " and " << high;
}

// The process's resident memory in kB (VmRSS), 0 where it cannot be read.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return 0;
}

class DSoundIdleTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        platform::DSoundTestFaults() = {};
        ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    }

    std::unique_ptr<IDirectSoundBuffer> Tone(std::uint32_t bytes) {
        return tonebuffers::Filled(*device, bytes);
    }

    std::unique_ptr<IDirectSound> device;
};

} // namespace

TEST_F(DSoundIdleTest, AnOpenDeviceWithNothingToPlaySleepsOnTheEventLoopAfterASecond) {
    auto buffer = Tone(kTenthOfASecond);
    EXPECT_EQ(platform::DSoundRunningDevices(), 1);
    QElapsedTimer clock;
    clock.start();
    RunEventsFor(300); // not at once: the first frame does not wait for the mixer
    EXPECT_FALSE(Asleep());
    EXPECT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    EXPECT_GE(clock.elapsed(), 950);
}

TEST_F(DSoundIdleTest, PlayWakesTheDeviceForTheWholeSoundAndItSleepsAgainAfter) {
    auto buffer = Tone(kTenthOfASecond);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    for (int round = 0; round < 2; ++round) {
        QElapsedTimer clock;
        clock.start();
        ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
        EXPECT_EQ(platform::DSoundRunningDevices(), 1);
        EXPECT_EQ(StatusOf(*buffer), DSBSTATUS_PLAYING);
        // The sound runs to its end (a sleeping mixer would hold it playing for ever), and
        // the device sleeps a second after.
        ASSERT_TRUE(RunEventsUntil([&] { return StatusOf(*buffer) == 0; }, 1000));
        EXPECT_GE(clock.elapsed(), 80);
        EXPECT_FALSE(Asleep());
        ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
        EXPECT_GE(clock.elapsed(), 1050);
    }
}

TEST_F(DSoundIdleTest, OverlappingCopiesKeepTheDeviceAwakeUntilTheLongestEnds) {
    auto shortSound = Tone(kTenthOfASecond);
    auto longSound = Tone(5 * kTenthOfASecond);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(longSound->Play(0, 0, 0), DS_OK);
    ASSERT_EQ(shortSound->Play(0, 0, 0), DS_OK);
    ASSERT_TRUE(RunEventsUntil([&] { return StatusOf(*shortSound) == 0; }, 2000));
    EXPECT_FALSE(Asleep());
    ASSERT_TRUE(RunEventsUntil(Asleep, 3000));
    EXPECT_EQ(StatusOf(*longSound), 0u);
    EXPECT_GE(clock.elapsed(), 1450); // the long sound's half second, then the idle second
}

TEST_F(DSoundIdleTest, ALoopingSoundKeepsTheDeviceAwakeUntilStopped) {
    auto buffer = Tone(kTenthOfASecond);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    RunEventsFor(1300); // more than ten times its length, and the idle second
    EXPECT_FALSE(Asleep());
    EXPECT_EQ(StatusOf(*buffer), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    EXPECT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    // Stopping kept the position: it goes on, awake again.
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    EXPECT_FALSE(Asleep());
    EXPECT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
}

TEST_F(DSoundIdleTest, ASoundCutShortLetsTheDeviceSleepASecondLater) {
    auto released = Tone(10 * kTenthOfASecond);
    auto rewritten = Tone(10 * kTenthOfASecond);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));

    // Its buffer released while it plays.
    ASSERT_EQ(released->Play(0, 0, 0), DS_OK);
    released.reset();
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(RunEventsUntil(Asleep, 1500)); // well before the sound's own end and a second
    EXPECT_GE(clock.elapsed(), 950);

    // New samples handed over while it plays stop it.
    ASSERT_EQ(rewritten->Play(0, 0, 0), DS_OK);
    void* region1 = nullptr;
    std::uint32_t size1 = 0;
    ASSERT_EQ(rewritten->Lock(0, 4, &region1, &size1, nullptr, nullptr, 0), DS_OK);
    ASSERT_EQ(rewritten->Unlock(region1, size1, nullptr, 0), DS_OK);
    EXPECT_TRUE(RunEventsUntil(Asleep, 1500));
}

// The device gives its context back while it sleeps: what its buffers were told before or while
// it slept holds once it wakes.

TEST_F(DSoundIdleTest, APositionKeptOverTheSleepIsWhereTheNextPlayStarts) {
    auto buffer = Tone(10 * kTenthOfASecond); // 1 s
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    const int sources = platform::DSoundSourceCount();

    // Stopped part-way before the device sleeps.
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    RunEventsFor(500);
    ASSERT_EQ(StatusOf(*buffer), DSBSTATUS_PLAYING);
    ASSERT_EQ(buffer->Stop(), DS_OK);
    const int played = static_cast<int>(clock.elapsed());
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    // Asking and stopping leave it asleep; its buffers are still there.
    EXPECT_EQ(StatusOf(*buffer), 0u);
    EXPECT_EQ(buffer->Stop(), DS_OK);
    EXPECT_TRUE(Asleep());
    EXPECT_EQ(platform::DSoundSourceCount(), sources);
    // The rest of the second, not the whole of it.
    EXPECT_TRUE(PlaysBetween(*buffer, 1000 - played - 100, 1000 - played + 250));

    // Set on the ended sound, kept over a sleep though the device was awake when it was set.
    ASSERT_EQ(buffer->SetCurrentPosition(8 * kTenthOfASecond), DS_OK);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    EXPECT_TRUE(PlaysBetween(*buffer, 100, 450));
}

TEST_F(DSoundIdleTest, SamplesControlsAndCopiesMadeWhileAsleepPlayWhenTheDeviceWakes) {
    auto buffer = Tone(6 * kTenthOfASecond);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));

    // New samples.
    tonebuffers::WriteTone(*buffer, 6 * kTenthOfASecond);
    EXPECT_GT(MsPlayed(*buffer), 500);

    // Twice the format's rate, set while asleep and kept over the next sleep: it ends in half
    // its time.
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    ASSERT_EQ(buffer->SetFrequency(2 * 44100), DS_OK);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    EXPECT_TRUE(PlaysBetween(*buffer, 200, 480));

    // A copy takes over the samples and the frequency.
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    std::unique_ptr<IDirectSoundBuffer> copy;
    ASSERT_EQ(device->DuplicateSoundBuffer(buffer.get(), &copy), DS_OK);
    EXPECT_TRUE(PlaysBetween(*copy, 200, 480));
}

TEST_F(DSoundIdleTest, ADeviceThatCannotWakeReportsItAndWakesOnALaterCall) {
    auto buffer = Tone(2 * kTenthOfASecond);
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));

    platform::DSoundTestFaults().wakeFailures = 1;
    EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_BUFFERLOST);
    EXPECT_TRUE(Asleep());
    EXPECT_EQ(StatusOf(*buffer), 0u);
    EXPECT_GT(MsPlayed(*buffer), 150);

    // Samples that could not be handed over are reported lost; a later Unlock hands them over.
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    void* region1 = nullptr;
    std::uint32_t size1 = 0;
    platform::DSoundTestFaults().wakeFailures = 1;
    ASSERT_EQ(buffer->Lock(0, 4, &region1, &size1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(buffer->Unlock(region1, size1, nullptr, 0), DSERR_BUFFERLOST);
    ASSERT_EQ(buffer->Lock(0, 4, &region1, &size1, nullptr, nullptr, 0), DS_OK);
    EXPECT_EQ(buffer->Unlock(region1, size1, nullptr, 0), DS_OK);

    // Neither a buffer nor a copy is made on a device that cannot wake.
    ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
    const int sources = platform::DSoundSourceCount();
    platform::DSoundTestFaults().wakeFailures = 2;
    std::unique_ptr<IDirectSoundBuffer> other;
    const DSBUFFERDESC description = tonebuffers::Secondary(400);
    EXPECT_EQ(device->CreateSoundBuffer(&description, &other, nullptr), DSERR_OUTOFMEMORY);
    EXPECT_EQ(device->DuplicateSoundBuffer(buffer.get(), &other), DSERR_ALLOCATED);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(platform::DSoundSourceCount(), sources);
    EXPECT_TRUE(Asleep());
}

TEST_F(DSoundIdleTest, ASleepingDeviceGivesTheMixersMemoryBack) {
#if defined(EKOBA_ADDRESS_SANITIZER)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory in its quarantine";
#endif
    auto buffer = Tone(kTenthOfASecond);
    // Twice: the first block of the voices may be handed back by itself, a later one only
    // when the heap is trimmed.
    for (int round = 0; round < 2; ++round) {
        ASSERT_GT(MsPlayed(*buffer), 0);
        const long awake = ResidentKb();
        ASSERT_TRUE(RunEventsUntil(Asleep, kSleepWithin));
        EXPECT_GE(awake - ResidentKb(), 4096) << "round " << round;
    }
}
