// The DirectSound stand-in's device sleeps once no sound has played for a second (OpenAL Soft's
// null back end, with the application's event loop run by the tests): an idle program is not
// woken by the mixer.
#include "platform/DSound.h"
#include "tests/sound/ToneBuffers.h"
#include "tests/sound/WaveFiles.h"
#include "tests/support/TestApp.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

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
