// SPDX-License-Identifier: GPL-3.0-or-later
// Run with OpenAL Soft's wave-writer back end: the device's whole output goes to a file
// (EKOBA_WAVE_OUTPUT), written when the device closes.
#include "sound/WaveList.h"
#include "tests/support/TestApp.h"
#include "tests/support/WaveFiles.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

using namespace std::chrono_literals;

namespace {

// The device's output, read back with the program's own wave reader.
TWave ReadOutput() {
    const char* path = std::getenv("EKOBA_WAVE_OUTPUT");
    EXPECT_NE(path, nullptr);
    std::ifstream file(path ? path : "", std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
    TWave wave;
    wave.LoadStoredValue(bytes);
    return wave;
}

int NonZeroBytes(const TWave& wave) {
    int count = 0;
    for (std::int32_t i = 0; i < wave.Size(); ++i)
        count += wave.Samples()[i] != 0;
    return count;
}

class WaveWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        platform::RegisterDSoundLibrary();
        window = std::make_unique<QWidget>();
        sound = std::make_unique<TDXSound>(window.get());
        list.AddWave("billegagn", wavefiles::CanonicalFile(wavefiles::Tone(42348)));
        list.SetDXSound(sound.get());
    }

    std::unique_ptr<QWidget> window;
    std::unique_ptr<TDXSound> sound;
    TDXWaveList list;
};

} // namespace

TEST_F(WaveWriterTest, OutputIsSilentWithoutAPlay) {
    sound->Loaded();
    ASSERT_TRUE(sound->Initialized());
    std::this_thread::sleep_for(400ms);
    sound->Finalize(); // closes the device: the file is complete
    const TWave output = ReadOutput();
    EXPECT_GT(output.Size(), 0);
    EXPECT_EQ(NonZeroBytes(output), 0);
}

TEST_F(WaveWriterTest, OutputCarriesTheSoundAfterAPlay) {
    sound->Loaded();
    ASSERT_TRUE(sound->Initialized());
    list.Items()[0].PlayWave(true);
    std::this_thread::sleep_for(100ms);
    sound->Finalize();
    const TWave output = ReadOutput();
    // A quarter of a second of a loud tone among the output frames.
    EXPECT_GT(NonZeroBytes(output), output.Size() / 10);
}
