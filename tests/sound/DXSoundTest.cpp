// SPDX-License-Identifier: GPL-3.0-or-later
// The sound device component and the buffer objects, on OpenAL Soft's null back end.
#include "sound/DXSound.h"
#include "platform/Loader.h"
#include "sound/Wave.h"
#include "tests/support/TestApp.h"
#include "tests/support/WaveFiles.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <string>
#include <vector>

namespace {

const char* NameOf(TDXSoundNotifyType type) {
    switch (type) {
    case TDXSoundNotifyType::SoundDestroying:
        return "Destroying";
    case TDXSoundNotifyType::SoundInitializing:
        return "Initializing";
    case TDXSoundNotifyType::SoundInitialize:
        return "Initialize";
    case TDXSoundNotifyType::SoundFinalize:
        return "Finalize";
    case TDXSoundNotifyType::SoundRestore:
        return "Restore";
    }
    return "?";
}

// Records the notifications it receives as "name:code".
struct Recorder {
    std::string name;
    std::vector<std::string>* log;

    static void Notify(void* target, TCustomDXSound&, TDXSoundNotifyType type) {
        auto* recorder = static_cast<Recorder*>(target);
        recorder->log->push_back(recorder->name + ":" + NameOf(type));
    }
};

TWave ToneWave(std::uint32_t bytes) {
    TWave wave;
    wave.LoadStoredValue(wavefiles::CanonicalFile(wavefiles::Tone(bytes)));
    return wave;
}

class DXSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        platform::DSoundTestFaults() = {};
        platform::RegisterDSoundLibrary();
        window = std::make_unique<QWidget>();
        child = new QWidget(window.get());
    }
    void TearDown() override {
        platform::DSoundTestFaults() = {};
        platform::RegisterDSoundLibrary();
    }

    std::unique_ptr<QWidget> window;
    QWidget* child = nullptr;
    std::vector<std::string> log;
};

} // namespace

TEST_F(DXSoundTest, OpeningMakesDeviceAndPrimaryBufferAndBindsToTheOwnersWindow) {
    TDXSound sound(child);
    EXPECT_TRUE(sound.AutoInitialize);
    EXPECT_EQ(sound.Options(), 0u);
    sound.Loaded();
    ASSERT_TRUE(sound.Initialized());
    EXPECT_TRUE(sound.Opening());
    EXPECT_TRUE(sound.InitializeFired());
    EXPECT_EQ(sound.Form(), window.get());
    EXPECT_EQ(sound.CooperativeLevel(), DSSCL_NORMAL);
    ASSERT_NE(sound.PrimaryBuffer(), nullptr);
    EXPECT_TRUE(sound.PrimaryBuffer()->Caps().dwFlags & DSBCAPS_PRIMARYBUFFER);
    EXPECT_EQ(sound.DirectSound()->Component(), &sound);

    sound.Finalize();
    EXPECT_FALSE(sound.Initialized());
    EXPECT_FALSE(sound.Opening());
    EXPECT_EQ(sound.DirectSound(), nullptr);
    EXPECT_EQ(sound.PrimaryBuffer(), nullptr);

    TDXSound manual(window.get());
    manual.AutoInitialize = false;
    manual.Loaded();
    EXPECT_FALSE(manual.Initialized());
}

TEST_F(DXSoundTest, NotificationsAndEventsComeInTheirOrderLastListenerFirst) {
    Recorder first{"A", &log}, second{"B", &log};
    {
        TDXSound sound(window.get());
        sound.RegisterListener(&Recorder::Notify, &first);
        sound.RegisterListener(&Recorder::Notify, &second);
        sound.OnInitializing = [&](TCustomDXSound&) { log.push_back("OnInitializing"); };
        sound.OnInitialize = [&](TCustomDXSound&) { log.push_back("OnInitialize"); };
        sound.OnRestore = [&](TCustomDXSound&) { log.push_back("OnRestore"); };
        sound.OnFinalize = [&](TCustomDXSound&) { log.push_back("OnFinalize"); };
        sound.Initialize();
        EXPECT_EQ(log, (std::vector<std::string>{
                           "B:Initializing", "A:Initializing", "OnInitializing", "B:Initialize",
                           "A:Initialize", "OnInitialize", "B:Restore", "A:Restore", "OnRestore"}));
        log.clear();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"OnFinalize", "B:Finalize", "A:Finalize",
                                             "B:Destroying", "A:Destroying"}));
}

TEST_F(DXSoundTest, ListenersOfAnOpenDeviceAreToldAtOnceAndRegisteredOnce) {
    TDXSound sound(window.get());
    sound.Initialize();
    Recorder recorder{"L", &log};
    sound.RegisterListener(&Recorder::Notify, &recorder);
    EXPECT_EQ(log, (std::vector<std::string>{"L:Initialize", "L:Restore"}));
    log.clear();
    sound.RegisterListener(&Recorder::Notify, &recorder);
    EXPECT_EQ(sound.ListenerCount(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"L:Finalize", "L:Initialize", "L:Restore"}));
    log.clear();
    sound.UnregisterListener(&Recorder::Notify, &recorder);
    sound.UnregisterListener(&Recorder::Notify, &recorder);
    EXPECT_EQ(log, (std::vector<std::string>{"L:Finalize"}));
    EXPECT_EQ(sound.ListenerCount(), 0);
}

TEST_F(DXSoundTest, AListenerThatLeavesWhileBeingToldIsSafe) {
    struct Leaver {
        TCustomDXSound* sound;
        Recorder* other;
        static void Notify(void* target, TCustomDXSound& sender, TDXSoundNotifyType type) {
            auto* self = static_cast<Leaver*>(target);
            if (type == TDXSoundNotifyType::SoundRestore) {
                sender.UnregisterListener(&Leaver::Notify, self);
                sender.UnregisterListener(&Recorder::Notify, self->other);
            }
        }
    };
    TDXSound sound(window.get());
    Recorder recorder{"R", &log};
    Leaver leaver{&sound, &recorder};
    sound.RegisterListener(&Recorder::Notify, &recorder);
    sound.RegisterListener(&Leaver::Notify, &leaver);
    sound.Initialize();
    // The recorder was removed by the leaver before its turn at "Restore": it got "Finalize".
    EXPECT_EQ(log, (std::vector<std::string>{"R:Initializing", "R:Initialize", "R:Finalize"}));
    EXPECT_EQ(sound.ListenerCount(), 0);
}

TEST_F(DXSoundTest, NoDeviceIsSilentAtLoadingAndAnErrorWhenAskedDirectly) {
    TDXSound sound(window.get());
    platform::DSoundTestFaults().deviceCreateFailures = 1;
    EXPECT_NO_THROW(sound.Loaded());
    EXPECT_FALSE(sound.Initialized());
    EXPECT_FALSE(sound.Opening());

    platform::DSoundTestFaults().deviceCreateFailures = 1;
    try {
        sound.Initialize();
        FAIL() << "no exception";
    } catch (const EDirectSoundError& error) {
        EXPECT_STREQ(error.what(), "DirectSound cannot be initialized");
    }
    EXPECT_FALSE(sound.Opening());
}

TEST_F(DXSoundTest, WithoutTheLibraryLoadingFailsWithNotLoaded) {
    UnregisterBuiltinLibrary("DSound.dll");
    TDXSound sound(window.get());
    try {
        sound.Loaded();
        FAIL() << "no exception";
    } catch (const EDirectXError&) {
        FAIL() << "not of the DirectSound family";
    } catch (const Exception& error) {
        EXPECT_STREQ(error.what(), "DSound.dll not loaded");
    }
    EXPECT_FALSE(sound.Initialized());
    EXPECT_FALSE(sound.Opening());
}

TEST_F(DXSoundTest, FormAndPrimaryBufferFailuresLeaveTheLoadedStep) {
    TDXSound orphan(nullptr);
    try {
        orphan.Loaded();
        FAIL() << "no exception";
    } catch (const EDXSoundError& error) {
        EXPECT_STREQ(error.what(), "Form not found");
    }

    // The recorder outlives the sound, which tells the listeners still registered as it goes.
    Recorder recorder{"R", &log};
    TDXSound sound(window.get());
    sound.RegisterListener(&Recorder::Notify, &recorder);
    platform::DSoundTestFaults().bufferCreateFailures = 1;
    try {
        sound.Loaded();
        FAIL() << "no exception";
    } catch (const EDXSoundError& error) {
        EXPECT_STREQ(error.what(), "Primary Buffer cannot be made");
    }
    EXPECT_FALSE(sound.Opening());
    EXPECT_EQ(sound.DirectSound(), nullptr);
    EXPECT_EQ(log, (std::vector<std::string>{"R:Initializing", "R:Finalize"}));
}

TEST_F(DXSoundTest, OptionsGiveFocusFlagsAtOnceAndExclusiveModeAtTheNextOpening) {
    TDXSound sound(window.get());
    sound.Initialize();
    TDirectSoundBuffer plain(*sound.DirectSound());
    plain.LoadFromWave(ToneWave(400));
    EXPECT_EQ(plain.Caps().dwFlags & 0xFFF0, 0xE0u);

    sound.SetOptions(soGlobalFocus | soStickyFocus | soExclusive);
    EXPECT_EQ(sound.EffectiveOptions(), soGlobalFocus | soStickyFocus);
    EXPECT_TRUE(sound.DirectSound()->GlobalFocus);
    EXPECT_TRUE(sound.DirectSound()->StickyFocus);
    TDirectSoundBuffer sticky(*sound.DirectSound());
    sticky.LoadFromWave(ToneWave(400));
    EXPECT_EQ(sticky.Caps().dwFlags & 0xFFF0, 0xE0u | DSBCAPS_STICKYFOCUS);

    sound.SetOptions(soGlobalFocus);
    TDirectSoundBuffer global(*sound.DirectSound());
    global.LoadFromWave(ToneWave(400));
    EXPECT_EQ(global.Caps().dwFlags & 0xFFF0, 0xE0u | DSBCAPS_GLOBALFOCUS);
    EXPECT_EQ(sound.CooperativeLevel(), DSSCL_NORMAL);

    sound.SetOptions(soExclusive);
    sound.Initialize();
    EXPECT_EQ(sound.EffectiveOptions(), soExclusive);
    EXPECT_EQ(sound.CooperativeLevel(), DSSCL_EXCLUSIVE);
    EXPECT_FALSE(sound.DirectSound()->GlobalFocus);
}

TEST_F(DXSoundTest, AWindowMadeAnewGetsTheCooperativeLevelAgain) {
    TDXSound sound(window.get());
    sound.Initialize();
    sound.DirectSound()->SetLastResult(DSERR_GENERIC);
    window->winId(); // the native window is made: the form's window-creation event
    EXPECT_EQ(sound.DirectSound()->LastResult(), DS_OK);
}

TEST_F(DXSoundTest, BufferLoadsSamplesAndReadsCapsAndFormat) {
    TDXSound sound(window.get());
    sound.Initialize();
    TDirectSoundBuffer buffer(*sound.DirectSound());
    EXPECT_EQ(sound.DirectSound()->BufferCount(), 2); // with the primary buffer
    buffer.LoadFromWave(ToneWave(25368));
    ASSERT_TRUE(buffer.HasBuffer());
    EXPECT_EQ(buffer.Caps().dwSize, 20u);
    EXPECT_EQ(buffer.Caps().dwBufferBytes, 25368u);
    ASSERT_NE(buffer.Format(), nullptr);
    EXPECT_EQ(buffer.Format()->nSamplesPerSec, 44100u);
    EXPECT_EQ(buffer.LockCount(), 0);

    TDirectSoundBuffer copy(*sound.DirectSound());
    copy.Assign(&buffer);
    ASSERT_TRUE(copy.HasBuffer());
    EXPECT_EQ(copy.Caps().dwBufferBytes, 25368u);
    copy.Play();
    EXPECT_TRUE(copy.IsPlaying());
    EXPECT_FALSE(buffer.IsPlaying());
    copy.Stop();
    EXPECT_FALSE(copy.IsPlaying());

    copy.Assign(static_cast<const TDirectSoundBuffer*>(nullptr));
    EXPECT_FALSE(copy.HasBuffer());
}

TEST_F(DXSoundTest, BufferFailuresRaiseTheirMessages) {
    TDXSound sound(window.get());
    sound.Initialize();
    TDirectSoundBuffer buffer(*sound.DirectSound());
    const auto messageOf = [](auto&& action) -> std::string {
        try {
            action();
        } catch (const EDirectSoundBufferError& error) {
            return error.what();
        }
        return "no exception";
    };

    EXPECT_EQ(messageOf([&] { buffer.Play(); }), "IDirectSoundBuffer not made");
    EXPECT_EQ(messageOf([&] { buffer.IsPlaying(); }), "IDirectSoundBuffer not made");
    void* r1 = nullptr;
    void* r2 = nullptr;
    std::uint32_t s1 = 0, s2 = 0;
    EXPECT_FALSE(buffer.Lock(0, 4, r1, s1, r2, s2));
    buffer.Unlock();

    platform::DSoundTestFaults().bufferCreateFailures = 1;
    EXPECT_EQ(messageOf([&] { buffer.LoadFromWave(ToneWave(400)); }),
              "Sound Buffer cannot be made");
    EXPECT_EQ(buffer.LastResult(), DSERR_OUTOFMEMORY);
    EXPECT_EQ(sound.DirectSound()->LastResult(), DSERR_OUTOFMEMORY);

    // A wave whose format the device cannot play, including one shorter than a format record.
    TWave shortFormat = ToneWave(400);
    shortFormat.SetFormatSize(6);
    EXPECT_EQ(messageOf([&] { buffer.LoadFromWave(shortFormat); }), "Sound Buffer cannot be made");
    EXPECT_EQ(messageOf([&] { buffer.LoadFromWave(TWave()); }), "Sound Buffer cannot be made");

    platform::DSoundTestFaults().lockFailures = 1;
    EXPECT_EQ(messageOf([&] { buffer.LoadFromWave(ToneWave(400)); }),
              "Sound Buffer cannot be locked");
    EXPECT_FALSE(buffer.HasBuffer());
    EXPECT_EQ(buffer.Caps().dwBufferBytes, 400u); // caps and format stay
    EXPECT_NE(buffer.Format(), nullptr);

    // A copy of a buffer without interface has none either.
    TDirectSoundBuffer copy(*sound.DirectSound());
    copy.Assign(&buffer);
    EXPECT_FALSE(copy.HasBuffer());
}

TEST_F(DXSoundTest, BuffersLeftOnAClosingDeviceLoseTheirInterface) {
    TDXSound sound(window.get());
    sound.Initialize();
    auto buffer = std::make_unique<TDirectSoundBuffer>(*sound.DirectSound());
    buffer->LoadFromWave(ToneWave(400));
    buffer->Play();
    sound.Finalize();
    EXPECT_EQ(buffer->DirectSound(), nullptr);
    EXPECT_FALSE(buffer->HasBuffer());
    EXPECT_THROW(buffer->Play(), EDirectSoundBufferError);
    try {
        buffer->LoadFromWave(ToneWave(400));
        FAIL() << "no exception";
    } catch (const EDirectSoundError& error) {
        EXPECT_STREQ(error.what(), "IDirectSound not made");
    }
    buffer.reset(); // its owner can still destroy it
}

TEST_F(DXSoundTest, ALostBufferRestoresEverySoundOnceAndNeverFromInsideARestore) {
    TDXSound sound(window.get());
    sound.Initialize();
    TDirectSoundBuffer buffer(*sound.DirectSound());
    buffer.LoadFromWave(ToneWave(400));

    int restores = 0;
    sound.OnRestore = [&](TCustomDXSound&) {
        ++restores;
        // The restore's own buffer calls report a lost buffer too.
        platform::DSoundTestFaults().lostResults = 1;
        buffer.Stop();
        EXPECT_TRUE(sound.DirectSound()->Restoring);
    };
    platform::DSoundTestFaults().lostResults = 1;
    buffer.Play();
    EXPECT_EQ(buffer.LastResult(), DSERR_BUFFERLOST);
    EXPECT_EQ(restores, 1);
    EXPECT_FALSE(sound.DirectSound()->Restoring);

    // Other failures are only stored.
    buffer.SetPan(20000);
    EXPECT_EQ(buffer.LastResult(), DSERR_INVALIDPARAM);
    EXPECT_EQ(restores, 1);
}
