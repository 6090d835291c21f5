// SPDX-License-Identifier: GPL-3.0-or-later
// The DirectSound stand-in against OpenAL Soft's null back end (ALSOFT_DRIVERS=null).
#include "platform/DSound.h"
#include "platform/Exception.h"
#include "platform/Loader.h"
#include "tests/platform/ToneBuffers.h"
#include "tests/support/WaveFiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace {

using tonebuffers::kGameFormat;
using tonebuffers::Secondary;

std::uint32_t StatusOf(IDirectSoundBuffer& buffer) {
    std::uint32_t status = 0xFFFF;
    EXPECT_EQ(buffer.GetStatus(&status), DS_OK);
    return status;
}

void WaitUntilSilent(IDirectSoundBuffer& buffer) {
    for (int i = 0; i < 300 && StatusOf(buffer) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

class DSoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::DSoundTestFaults() = {};
        ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
        ASSERT_NE(device, nullptr);
    }
    void TearDown() override { platform::DSoundTestFaults() = {}; }

    std::unique_ptr<IDirectSoundBuffer> Filled(std::uint32_t bytes) {
        return tonebuffers::Filled(*device, bytes);
    }

    std::unique_ptr<IDirectSound> device;
};

} // namespace

TEST(DSoundLibrary, RegisteredUnderItsFileNameWithItsEntryPoint) {
    platform::RegisterDSoundLibrary();
    const auto create =
        GetLibraryFunction<DirectSoundCreateProc>("dsound.DLL", "DirectSoundCreate");
    std::unique_ptr<IDirectSound> device;
    EXPECT_EQ(create(nullptr, &device, nullptr), DS_OK);
    EXPECT_NE(device, nullptr);
    EXPECT_THROW(GetLibraryProc("DSound.dll", "DirectSoundCreate8"), Exception);
}

TEST(DSoundLibrary, DeviceCreationRefusesAggregationOtherDevicesAndInjectedFailures) {
    std::unique_ptr<IDirectSound> device;
    int outer = 0;
    EXPECT_EQ(DirectSoundCreate(nullptr, &device, &outer), DSERR_INVALIDPARAM);
    const std::uint8_t guid[16] = {1};
    EXPECT_EQ(DirectSoundCreate(guid, &device, nullptr), DSERR_NODRIVER);
    platform::DSoundTestFaults().deviceCreateFailures = 1;
    EXPECT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DSERR_NODRIVER);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
}

TEST_F(DSoundTest, SecondaryBufferHasTheDescribedSizeFormatAndCaps) {
    std::unique_ptr<IDirectSoundBuffer> buffer;
    const DSBUFFERDESC description = Secondary(98756);
    ASSERT_EQ(device->CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
    DSBCAPS caps{};
    caps.dwSize = 20;
    ASSERT_EQ(buffer->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwBufferBytes, 98756u);
    EXPECT_EQ(caps.dwFlags & 0xE0, 0xE0u);
    caps.dwSize = 24;
    EXPECT_EQ(buffer->GetCaps(&caps), DSERR_INVALIDPARAM);

    std::uint32_t size = 0;
    ASSERT_EQ(buffer->GetFormat(nullptr, 0, &size), DS_OK);
    ASSERT_EQ(size, sizeof(WAVEFORMATEX));
    WAVEFORMATEX format{};
    ASSERT_EQ(buffer->GetFormat(&format, size, nullptr), DS_OK);
    EXPECT_EQ(std::memcmp(&format, &kGameFormat, 16), 0);
    EXPECT_EQ(buffer->GetFormat(&format, 10, nullptr), DSERR_INVALIDPARAM);
    EXPECT_EQ(StatusOf(*buffer), 0u);
}

TEST_F(DSoundTest, BadDescriptionsAreRefused) {
    std::unique_ptr<IDirectSoundBuffer> buffer;
    const auto refused = [&](const DSBUFFERDESC& description) {
        return device->CreateSoundBuffer(&description, &buffer, nullptr);
    };
    DSBUFFERDESC wrongSize = Secondary(100);
    wrongSize.dwSize = 40;
    EXPECT_EQ(refused(wrongSize), DSERR_INVALIDPARAM);
    EXPECT_EQ(refused(Secondary(100, nullptr)), DSERR_INVALIDPARAM);
    EXPECT_EQ(refused(Secondary(0)), DSERR_INVALIDPARAM);
    EXPECT_EQ(refused(Secondary(DSBSIZE_MAX + 1)), DSERR_INVALIDPARAM);

    WAVEFORMATEX format = kGameFormat;
    format.wFormatTag = 3; // floating point
    EXPECT_EQ(refused(Secondary(100, &format)), DSERR_BADFORMAT);
    format = kGameFormat;
    format.nBlockAlign = 3;
    EXPECT_EQ(refused(Secondary(100, &format)), DSERR_BADFORMAT);
    format = kGameFormat;
    format.wBitsPerSample = 24;
    format.nBlockAlign = 6;
    EXPECT_EQ(refused(Secondary(100, &format)), DSERR_BADFORMAT);
    format = kGameFormat;
    format.nSamplesPerSec = 50;
    EXPECT_EQ(refused(Secondary(100, &format)), DSERR_BADFORMAT);
    const WAVEFORMATEX zero{};
    EXPECT_EQ(refused(Secondary(100, &zero)), DSERR_BADFORMAT);
    EXPECT_EQ(buffer, nullptr);

    DSBUFFERDESC primaryWithFormat = Secondary(100, &kGameFormat, DSBCAPS_PRIMARYBUFFER);
    EXPECT_EQ(refused(primaryWithFormat), DSERR_INVALIDPARAM);
}

TEST_F(DSoundTest, LockHandsOutOneRangeThatWrapsAtTheEnd) {
    std::unique_ptr<IDirectSoundBuffer> buffer;
    const DSBUFFERDESC description = Secondary(1000);
    ASSERT_EQ(device->CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
    void* region1 = nullptr;
    void* region2 = nullptr;
    std::uint32_t size1 = 0, size2 = 0;
    ASSERT_EQ(buffer->Lock(800, 400, &region1, &size1, &region2, &size2, 0), DS_OK);
    EXPECT_EQ(size1, 200u);
    EXPECT_EQ(size2, 200u);
    EXPECT_EQ(static_cast<std::uint8_t*>(region1) - static_cast<std::uint8_t*>(region2), 800);
    // One lock at a time.
    void* other = nullptr;
    std::uint32_t otherSize = 0;
    EXPECT_EQ(buffer->Lock(0, 4, &other, &otherSize, nullptr, nullptr, 0), DSERR_INVALIDCALL);
    EXPECT_EQ(buffer->Unlock(region1, size1, region2, size2), DS_OK);
    EXPECT_EQ(buffer->Unlock(region1, size1, region2, size2), DSERR_INVALIDCALL);

    EXPECT_EQ(buffer->Lock(0, 1001, &region1, &size1, &region2, &size2, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(1000, 1, &region1, &size1, &region2, &size2, 0), DSERR_INVALIDPARAM);
    // A wrapping range needs somewhere to put its second part.
    EXPECT_EQ(buffer->Lock(900, 200, &region1, &size1, nullptr, nullptr, 0), DSERR_INVALIDPARAM);

    ASSERT_EQ(buffer->Lock(0, 1000, &region1, &size1, &region2, &size2, 0), DS_OK);
    EXPECT_EQ(region2, nullptr);
    // Regions that were not handed out are refused.
    std::uint8_t elsewhere[8];
    EXPECT_EQ(buffer->Unlock(elsewhere, 8, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(region1, 1001, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Unlock(region1, size1, nullptr, 0), DS_OK);
}

TEST_F(DSoundTest, DuplicatesShareTheSamplesAndPlayIndependently) {
    auto original = Filled(17640); // 0.1 s
    std::unique_ptr<IDirectSoundBuffer> copy;
    ASSERT_EQ(device->DuplicateSoundBuffer(original.get(), &copy), DS_OK);

    void* region1 = nullptr;
    void* region2 = nullptr;
    std::uint32_t size1 = 0, size2 = 0;
    ASSERT_EQ(copy->Lock(0, 17640, &region1, &size1, &region2, &size2, 0), DS_OK);
    EXPECT_EQ(std::memcmp(region1, wavefiles::Tone(17640).data(), 17640), 0);
    EXPECT_EQ(copy->Unlock(region1, size1, region2, size2), DS_OK);

    const int sources = platform::DSoundSourceCount();
    ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(StatusOf(*copy), DSBSTATUS_PLAYING);
    EXPECT_EQ(StatusOf(*original), 0u);
    ASSERT_EQ(original->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_EQ(StatusOf(*original), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);

    // The copy ends on its own; the looping original goes on until stopped.
    WaitUntilSilent(*copy);
    EXPECT_EQ(StatusOf(*copy), 0u);
    EXPECT_EQ(StatusOf(*original), DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
    EXPECT_EQ(original->Stop(), DS_OK);
    EXPECT_EQ(StatusOf(*original), 0u);

    // Releasing the original leaves the copy its samples.
    original.reset();
    EXPECT_EQ(platform::DSoundSourceCount(), sources - 1);
    ASSERT_EQ(copy->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(copy->Play(0, 0, 0), DS_OK);
    EXPECT_EQ(StatusOf(*copy), DSBSTATUS_PLAYING);
}

TEST_F(DSoundTest, StopKeepsThePositionAndRewindRestarts) {
    auto buffer = Filled(176400); // 1 s
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_EQ(buffer->Stop(), DS_OK);
    // Going on from where it stopped, it ends well before a whole second.
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(StatusOf(*buffer), 0u);

    // Rewound, it plays its whole second again.
    ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
    ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(StatusOf(*buffer), DSBSTATUS_PLAYING);
    EXPECT_EQ(buffer->SetCurrentPosition(176400), DSERR_INVALIDPARAM);
}

TEST_F(DSoundTest, ControlsTakeTheirNeutralValuesAndRefuseOthersOrMissingCaps) {
    auto buffer = Filled(400);
    EXPECT_EQ(buffer->SetFrequency(DSBFREQUENCY_ORIGINAL), DS_OK);
    EXPECT_EQ(buffer->SetPan(DSBPAN_CENTER), DS_OK);
    EXPECT_EQ(buffer->SetVolume(DSBVOLUME_MAX), DS_OK);
    EXPECT_EQ(buffer->SetFrequency(22050), DS_OK);
    EXPECT_EQ(buffer->SetFrequency(50), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetPan(10001), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Play(1, 0, 0), DSERR_INVALIDPARAM);

    std::unique_ptr<IDirectSoundBuffer> plain;
    const DSBUFFERDESC description = Secondary(400, &kGameFormat, 0);
    ASSERT_EQ(device->CreateSoundBuffer(&description, &plain, nullptr), DS_OK);
    EXPECT_EQ(plain->SetFrequency(0), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetPan(0), DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(plain->SetVolume(0), DSERR_CONTROLUNAVAIL);
}

TEST_F(DSoundTest, InjectedFaultsAreUsedUpOneCallEach) {
    auto buffer = Filled(400);
    platform::DSoundTestFaults().lostResults = 1;
    EXPECT_EQ(buffer->Play(0, 0, 0), DSERR_BUFFERLOST);
    EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);

    platform::DSoundTestFaults().duplicateFailures = 1;
    std::unique_ptr<IDirectSoundBuffer> copy;
    EXPECT_EQ(device->DuplicateSoundBuffer(buffer.get(), &copy), DSERR_ALLOCATED);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(device->DuplicateSoundBuffer(buffer.get(), &copy), DS_OK);

    platform::DSoundTestFaults().bufferCreateFailures = 1;
    std::unique_ptr<IDirectSoundBuffer> other;
    const DSBUFFERDESC description = Secondary(400);
    EXPECT_EQ(device->CreateSoundBuffer(&description, &other, nullptr), DSERR_OUTOFMEMORY);
    EXPECT_EQ(device->CreateSoundBuffer(&description, &other, nullptr), DS_OK);
}

TEST_F(DSoundTest, BuffersOutliveTheirDeviceAndManyCopiesRunOutCleanly) {
    auto buffer = Filled(4000);
    device.reset();
    EXPECT_EQ(buffer->Play(0, 0, 0), DS_OK);
    buffer.reset();

    ASSERT_EQ(DirectSoundCreate(nullptr, &device, nullptr), DS_OK);
    auto original = Filled(400);
    // OpenAL has a limited number of sources: past it a duplicate is refused, not crashed.
    std::vector<std::unique_ptr<IDirectSoundBuffer>> copies;
    HRESULT result = DS_OK;
    for (int i = 0; i < 1000 && result == DS_OK; ++i) {
        std::unique_ptr<IDirectSoundBuffer> copy;
        result = device->DuplicateSoundBuffer(original.get(), &copy);
        if (result == DS_OK)
            copies.push_back(std::move(copy));
    }
    EXPECT_EQ(result, DSERR_ALLOCATED);
    EXPECT_GT(copies.size(), 16u);
    copies.pop_back();
    std::unique_ptr<IDirectSoundBuffer> again;
    EXPECT_EQ(device->DuplicateSoundBuffer(original.get(), &again), DS_OK);
}
