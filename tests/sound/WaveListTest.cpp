// SPDX-License-Identifier: GPL-3.0-or-later
// The sound list and playback against a real OpenAL Soft device (the null back end).
#include "sound/WaveList.h"
#include "tests/support/TestApp.h"
#include "tests/support/WaveFiles.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <map>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// 0.3 s of a tone in the game's format.
constexpr std::uint32_t kShortBytes = 52920;

wavefiles::Bytes ToneFile(std::uint32_t bytes = kShortBytes) {
    return wavefiles::CanonicalFile(wavefiles::Tone(bytes));
}

bool AnyPlaying(const TWaveCollectionItem& item) {
    for (int i = 0; i < item.PlayBufferCount(); ++i)
        if (item.PlayBuffer(i)->IsPlaying())
            return true;
    return false;
}

void WaitUntilSilent(const TWaveCollectionItem& item) {
    const auto deadline = Clock::now() + 3s;
    while (AnyPlaying(item) && Clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
}

class WaveListTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        platform::DSoundTestFaults() = {};
        platform::RegisterDSoundLibrary();
        window = std::make_unique<QWidget>();
        sound = std::make_unique<TDXSound>(window.get());
        list = std::make_unique<TDXWaveList>();
    }
    void TearDown() override { platform::DSoundTestFaults() = {}; }

    // The game's five sounds (shortened), bound, then the device opened.
    void LoadFive() {
        for (const char* name : {"bille1", "billeplus", "billebcp", "billeprend", "billegagn"})
            list->AddWave(name, ToneFile());
        list->SetDXSound(sound.get());
        sound->Loaded();
    }

    std::unique_ptr<QWidget> window;
    std::unique_ptr<TDXSound> sound;
    std::unique_ptr<TDXWaveList> list;
};

} // namespace

TEST_F(WaveListTest, EveryItemHoldsItsSamplesBeforeTheFirstPlayWhicheverIsBoundFirst) {
    LoadFive();
    ASSERT_TRUE(sound->Initialized());
    ASSERT_EQ(list->Items().Count(), 5);
    for (int i = 0; i < 5; ++i) {
        TWaveCollectionItem& item = list->Items()[i];
        EXPECT_TRUE(item.Initialized());
        ASSERT_NE(item.MainBuffer(), nullptr);
        EXPECT_TRUE(item.MainBuffer()->HasBuffer());
        EXPECT_EQ(item.MainBuffer()->Caps().dwBufferBytes, kShortBytes);
        EXPECT_EQ(item.PlayBufferCount(), 0);
        EXPECT_EQ(item.Index(), i);
    }
    EXPECT_EQ(list->Items().IndexOf("billegagn"), 4);

    // Bound after the device opened: the same.
    TDXWaveList late;
    late.AddWave("bille1", ToneFile());
    late.SetDXSound(sound.get());
    EXPECT_TRUE(late.Items()[0].Initialized());
    EXPECT_NE(late.Items()[0].MainBuffer(), nullptr);
}

TEST_F(WaveListTest, AnIndexOutsideTheListIsAListError) {
    LoadFive();
    for (const int index : {5, -1}) {
        try {
            list->Items()[index];
            FAIL() << "no exception";
        } catch (const EListError& error) {
            EXPECT_EQ(error.what(), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
}

TEST_F(WaveListTest, OverlappingPlaysGetTheirOwnCopiesAndIdleCopiesAreReusedFirstIdleFirst) {
    LoadFive();
    TWaveCollectionItem& item = list->Items()[0];
    const auto start = Clock::now();
    for (int i = 0; i < 3; ++i)
        item.PlayWave(false);
    EXPECT_LT(Clock::now() - start, 100ms); // never waits
    ASSERT_EQ(item.PlayBufferCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(item.PlayBuffer(i)->IsPlaying()) << i;
    EXPECT_FALSE(item.MainBuffer()->IsPlaying()); // the main buffer only holds the samples

    WaitUntilSilent(item);
    ASSERT_FALSE(AnyPlaying(item));
    TDirectSoundBuffer* first = item.PlayBuffer(0);
    item.PlayWave(false);
    EXPECT_EQ(item.PlayBufferCount(), 3);
    EXPECT_EQ(item.PlayBuffer(0), first);
    EXPECT_TRUE(first->IsPlaying());
    EXPECT_FALSE(item.PlayBuffer(1)->IsPlaying());
}

TEST_F(WaveListTest, MaxPlayingCountRestartsTheHeadCopyAndMovesItToTheEnd) {
    LoadFive();
    TWaveCollectionItem& item = list->Items()[1];
    item.SetMaxPlayingCount(2);
    item.PlayWave(false);
    item.PlayWave(false);
    ASSERT_EQ(item.PlayBufferCount(), 2);
    TDirectSoundBuffer* head = item.PlayBuffer(0);
    TDirectSoundBuffer* second = item.PlayBuffer(1);
    item.PlayWave(false);
    EXPECT_EQ(item.PlayBufferCount(), 2);
    EXPECT_EQ(item.PlayBuffer(0), second);
    EXPECT_EQ(item.PlayBuffer(1), head);
    EXPECT_TRUE(head->IsPlaying());

    // Changing the limit releases every copy, silencing those still sounding.
    item.SetMaxPlayingCount(-3);
    EXPECT_EQ(item.MaxPlayingCount(), 0);
    EXPECT_EQ(item.PlayBufferCount(), 0);
}

TEST_F(WaveListTest, ALoopedItemRestartsItsMainBufferInsteadOfAddingCopies) {
    LoadFive();
    TWaveCollectionItem& item = list->Items()[2];
    item.SetLooped(true);
    item.PlayWave(false);
    EXPECT_EQ(item.PlayBufferCount(), 0);
    std::this_thread::sleep_for(500ms); // longer than the sound: still going
    EXPECT_TRUE(item.MainBuffer()->IsPlaying());
    item.PlayWave(true); // wait is not looked at for a looped item
    EXPECT_EQ(item.PlayBufferCount(), 0);
    EXPECT_TRUE(item.MainBuffer()->IsPlaying());

    item.SetLooped(false); // stops it first
    EXPECT_FALSE(item.MainBuffer()->IsPlaying());
}

TEST_F(WaveListTest, PlayWaveWithWaitReturnsAfterTheEnd) {
    LoadFive();
    TWaveCollectionItem& item = list->Items()[3];
    const auto start = Clock::now();
    item.PlayWave(true);
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 250ms);
    EXPECT_LT(elapsed, 2s);
    EXPECT_FALSE(AnyPlaying(item));
}

TEST_F(WaveListTest, StopWaveSilencesEveryCopy) {
    LoadFive();
    TWaveCollectionItem& item = list->Items()[0];
    item.PlayWave(false);
    item.PlayWave(false);
    item.StopWave();
    EXPECT_FALSE(AnyPlaying(item));
}

TEST_F(WaveListTest, EveryRequestIsCountedAlsoWithoutDevice) {
    std::map<std::string, int> plays;
    list->OnPlayWave = [&](TWaveCollectionItem& item) { ++plays[item.Name()]; };
    platform::DSoundTestFaults().deviceCreateFailures = 1;
    LoadFive();
    ASSERT_FALSE(sound->Initialized());

    const auto start = Clock::now();
    for (int i = 0; i < 5; ++i)
        list->Items()[4].PlayWave(i == 0);
    list->Items()[0].PlayWave(true);
    EXPECT_LT(Clock::now() - start, 50ms); // returns at once, even when asked to wait
    EXPECT_EQ(plays, (std::map<std::string, int>{{"billegagn", 5}, {"bille1", 1}}));
    EXPECT_EQ(list->Items()[4].PlayBufferCount(), 0);
    EXPECT_EQ(list->Items()[4].MainBuffer(), nullptr);
}

TEST_F(WaveListTest, ASoundThatCannotBeLoadedWhileOpeningFallsSilentWithoutStoppingTheDevice) {
    platform::DSoundTestFaults().lockFailures = 1;
    LoadFive(); // the first item's samples cannot go in: swallowed by the loaded step
    ASSERT_TRUE(sound->Initialized());
    TWaveCollectionItem& first = list->Items()[0];
    EXPECT_EQ(first.MainBuffer(), nullptr);
    // The restore stopped at the failing item: the others load on their first play.
    EXPECT_EQ(list->Items()[1].MainBuffer(), nullptr);
    list->Items()[1].PlayWave(false);
    EXPECT_TRUE(AnyPlaying(list->Items()[1]));

    // The failed item plays nothing and raises nothing, at every seed.
    for (int i = 0; i < 3; ++i)
        EXPECT_NO_THROW(first.PlayWave(false));
    EXPECT_EQ(first.PlayBufferCount(), 0);

    // A restore of the device tries again.
    sound->Restore();
    ASSERT_NE(first.MainBuffer(), nullptr);
    first.PlayWave(false);
    EXPECT_TRUE(AnyPlaying(first));
}

TEST_F(WaveListTest, ASoundThatFailsToLoadAtItsFirstPlayReportsItOnce) {
    LoadFive();
    TWaveCollectionItem& item = list->Items()[2];
    item.Finalize();
    item.Initialize(); // initialised without main buffer: loads at the first play
    platform::DSoundTestFaults().lockFailures = 1;
    try {
        item.PlayWave(false);
        FAIL() << "no exception";
    } catch (const EDirectSoundBufferError& error) {
        EXPECT_STREQ(error.what(), "Sound Buffer cannot be locked");
    }
    EXPECT_NO_THROW(item.PlayWave(false));
    EXPECT_EQ(item.MainBuffer(), nullptr);
}

TEST_F(WaveListTest, ARefusedCopyIsNotKeptAndTheNextPlayTriesAgain) {
    LoadFive();
    TWaveCollectionItem& item = list->Items()[0];
    platform::DSoundTestFaults().duplicateFailures = 1;
    EXPECT_NO_THROW(item.PlayWave(false));
    EXPECT_EQ(item.PlayBufferCount(), 0);
    item.PlayWave(false);
    EXPECT_EQ(item.PlayBufferCount(), 1);
    EXPECT_TRUE(AnyPlaying(item));
}

TEST_F(WaveListTest, AnItemWithoutSamplesPlaysNothing) {
    list->AddWave("empty", {});
    LoadFive();
    TWaveCollectionItem& empty = list->Items()[0];
    EXPECT_TRUE(empty.Initialized());
    EXPECT_EQ(empty.MainBuffer(), nullptr);
    EXPECT_NO_THROW(empty.PlayWave(false));
    empty.SetLooped(true);
    EXPECT_NO_THROW(empty.PlayWave(false));
    EXPECT_NO_THROW(empty.StopWave());
    EXPECT_EQ(empty.PlayBufferCount(), 0);
}

TEST_F(WaveListTest, ALostBufferReloadsEveryMainBuffer) {
    LoadFive();
    int restores = 0;
    sound->OnRestore = [&](TCustomDXSound&) { ++restores; };
    TWaveCollectionItem& item = list->Items()[0];
    item.PlayWave(false);
    // Marks every main buffer; a reload leaves the result of its own last call there.
    for (int i = 0; i < 5; ++i)
        list->Items()[i].MainBuffer()->SetLastResult(DSERR_GENERIC);
    platform::DSoundTestFaults().lostResults = 1;
    item.PlayWave(false); // the status scan of the play buffers reports a lost buffer
    EXPECT_EQ(restores, 1);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list->Items()[i].MainBuffer()->LastResult(), DS_OK) << i;
        EXPECT_TRUE(list->Items()[i].MainBuffer()->HasBuffer()) << i;
    }
    EXPECT_FALSE(sound->DirectSound()->Restoring);
    EXPECT_TRUE(AnyPlaying(item));
}

TEST_F(WaveListTest, DeviceAndListMayGoInEitherOrder) {
    LoadFive();
    list->Items()[0].PlayWave(false);
    sound.reset(); // the list is told and releases every buffer
    EXPECT_EQ(list->DXSound(), nullptr);
    EXPECT_FALSE(list->Items()[0].Initialized());
    EXPECT_EQ(list->Items()[0].PlayBufferCount(), 0);
    EXPECT_NO_THROW(list->Items()[0].PlayWave(false));

    sound = std::make_unique<TDXSound>(window.get());
    list->SetDXSound(sound.get());
    sound->Loaded();
    list->Items()[0].PlayWave(false);
    list.reset(); // unbinds itself
    EXPECT_EQ(sound->ListenerCount(), 0);
    EXPECT_EQ(sound->DirectSound()->BufferCount(), 1); // the primary buffer alone
}
