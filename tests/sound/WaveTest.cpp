// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Wave.h"
#include "tests/support/WaveFiles.h"

#include <gtest/gtest.h>
#include <limits>

#include <cstring>

using namespace wavefiles;

namespace {

TWave Read(const Bytes& file) {
    TWave wave;
    TMemoryStream stream(file);
    wave.ReadWaveFile(stream);
    return wave;
}

Bytes SamplesOf(const TWave& wave) {
    return Bytes(wave.Samples(), wave.Samples() + wave.Size());
}

Bytes FormatOf(const TWave& wave) {
    return Bytes(wave.FormatBytes(), wave.FormatBytes() + wave.FormatSize());
}

template <typename Error> std::string MessageOf(const Bytes& file) {
    try {
        Read(file);
    } catch (const Error& error) {
        return error.what();
    }
    return "no exception";
}

} // namespace

TEST(WaveRead, CanonicalFilesOfTheGameSizesGiveTheirFormatAndEveryByte) {
    for (const std::uint32_t count : {98756u, 62740u, 33220u, 25368u, 42348u}) {
        const Bytes samples = Tone(count);
        const Bytes file = CanonicalFile(samples);
        ASSERT_EQ(file.size(), 44 + count);
        const TWave wave = Read(file);
        EXPECT_EQ(wave.FormatSize(), 16);
        EXPECT_EQ(FormatOf(wave), PcmFormat());
        const WAVEFORMATEX format = wave.Format();
        EXPECT_EQ(format.wFormatTag, 1);
        EXPECT_EQ(format.nChannels, 2);
        EXPECT_EQ(format.nSamplesPerSec, 44100u);
        EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
        EXPECT_EQ(format.nBlockAlign, 4);
        EXPECT_EQ(format.wBitsPerSample, 16);
        EXPECT_EQ(wave.Size(), static_cast<std::int32_t>(count));
        EXPECT_EQ(SamplesOf(wave), samples);
    }
}

TEST(WaveRead, ChunksInAnyOrderAndUnknownChunksAreSkipped) {
    const Bytes samples = Tone(400);
    const Bytes list = {'I', 'N', 'F', 'O', 'a', 'b', 'c'}; // odd size: no pad byte follows
    const std::vector<std::vector<Chunk>> layouts = {
        {DataChunk(samples), FmtChunk()},
        {FmtChunk(), {"LIST", list}, DataChunk(samples)},
        {FmtChunk(), DataChunk(samples), {"LIST", list}},
        {{"fact", {4, 0, 0, 0}}, DataChunk(samples), {"LIST", list}, FmtChunk()},
    };
    for (const auto& layout : layouts) {
        const TWave wave = Read(RiffFile(layout));
        EXPECT_EQ(FormatOf(wave), PcmFormat());
        EXPECT_EQ(SamplesOf(wave), samples);
    }
}

TEST(WaveRead, RiffLengthIsNotUsed) {
    const Bytes samples = Tone(1000);
    for (const long long length : {0LL, 4LL, 0x7FFFFFFFLL, 0xFFFFFFFFLL}) {
        const TWave wave = Read(RiffFile({FmtChunk(), DataChunk(samples)}, length));
        EXPECT_EQ(SamplesOf(wave), samples);
    }
}

TEST(WaveRead, LastOfRepeatedChunksWinsAndMissingChunksLeaveZero) {
    const Bytes first = Tone(100);
    const Bytes second(60, 7);
    const TWave repeated = Read(RiffFile(
        {FmtChunk(PcmFormat(1, 22050, 8)), DataChunk(first), FmtChunk(), DataChunk(second)}));
    EXPECT_EQ(FormatOf(repeated), PcmFormat());
    EXPECT_EQ(SamplesOf(repeated), second);

    const TWave noFormat = Read(RiffFile({DataChunk(first)}));
    EXPECT_EQ(noFormat.FormatSize(), 0);
    EXPECT_EQ(noFormat.Format().wFormatTag, 0);
    EXPECT_EQ(noFormat.Size(), 100);

    const TWave noData = Read(RiffFile({FmtChunk()}));
    EXPECT_EQ(noData.FormatSize(), 16);
    EXPECT_EQ(noData.Size(), 0);
    EXPECT_EQ(noData.Samples(), nullptr);
}

TEST(WaveRead, ScanEndsAtAChunkWithAZeroIdentifier) {
    Bytes file = RiffFile({FmtChunk(), DataChunk(Tone(40))});
    // A zero chunk header, then a "data" chunk that must not be read.
    const Bytes tail = RiffFile({{std::string("\0\0\0\0", 4), {}}, DataChunk(Bytes(8, 1))});
    file.insert(file.end(), tail.begin() + 12, tail.end());
    EXPECT_EQ(Read(file).Size(), 40);
}

TEST(WaveRead, FileStartsAtTheStreamPosition) {
    const Bytes samples = Tone(64);
    Bytes data = {1, 2, 3};
    const Bytes file = CanonicalFile(samples);
    data.insert(data.end(), file.begin(), file.end());
    TMemoryStream stream(data);
    stream.SetPosition(3);
    TWave wave;
    wave.ReadWaveFile(stream);
    EXPECT_EQ(SamplesOf(wave), samples);
}

TEST(WaveRead, DamagedFilesRaiseTheirErrors) {
    const Bytes good = CanonicalFile(Tone(400));

    EXPECT_EQ(MessageOf<EReadError>(Bytes(good.begin(), good.begin() + 11)), "Stream read error");
    EXPECT_EQ(MessageOf<EReadError>(Bytes()), "Stream read error");

    Bytes notRiff = good;
    notRiff[0] = 'X';
    EXPECT_EQ(MessageOf<EWaveStreamError>(notRiff), "Wave is invalid");
    Bytes notWave = good;
    notWave[11] = 'X';
    EXPECT_EQ(MessageOf<EWaveStreamError>(notWave), "Wave is invalid");

    // The "fmt " chunk states more bytes than follow.
    EXPECT_EQ(MessageOf<EReadError>(Bytes(good.begin(), good.begin() + 30)), "Stream read error");
    // Fewer samples than "data" states.
    EXPECT_EQ(MessageOf<EReadError>(Bytes(good.begin(), good.end() - 1)), "Stream read error");
}

TEST(WaveRead, HugeChunkSizesAreRefusedBeforeAnyAllocation) {
    for (const std::uint32_t size : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFF0u, 0xFFFFFFFFu}) {
        Bytes fmt = RiffFile({FmtChunk()});
        std::memcpy(&fmt[16], &size, 4);
        EXPECT_EQ(MessageOf<EReadError>(fmt), "Stream read error") << size;

        Bytes data = CanonicalFile(Tone(16));
        std::memcpy(&data[40], &size, 4);
        EXPECT_EQ(MessageOf<EReadError>(data), "Stream read error") << size;
    }
}

TEST(WaveStorage, SamplesTakeWholeBlocksOf8096Bytes) {
    TWave wave;
    wave.SetSize(8096);
    EXPECT_EQ(wave.Capacity(), 8096);
    const std::uint8_t* oneBlock = wave.Samples();
    wave.SetSize(1);
    EXPECT_EQ(wave.Samples(), oneBlock); // same block count: not reallocated
    wave.SetSize(8097);
    EXPECT_EQ(wave.Capacity(), 16192);
    EXPECT_EQ(wave.Size(), 8097);
    wave.SetSize(0);
    EXPECT_EQ(wave.Capacity(), 0);
    EXPECT_EQ(wave.Samples(), nullptr);
    wave.SetSize(-5);
    EXPECT_EQ(wave.Size(), 0);
    // The largest sizes are not rounded up past what a size can hold.
    wave.SetSize(std::numeric_limits<std::int32_t>::max() - 100);
    ASSERT_NE(wave.Samples(), nullptr);
    EXPECT_GE(wave.Capacity(), wave.Size());
    wave.SetSize(0);
}

TEST(WaveStorage, ResizingKeepsTheBytesAlreadyThere) {
    TWave wave;
    wave.SetSize(10);
    for (int i = 0; i < 10; ++i)
        wave.Samples()[i] = static_cast<std::uint8_t>(i + 1);
    wave.SetSize(20000);
    EXPECT_EQ(wave.Samples()[9], 10);
    wave.SetSize(5);
    wave.SetSize(9000);
    EXPECT_EQ(wave.Samples()[4], 5);

    wave.SetFormatSize(4);
    std::memcpy(wave.FormatBytes(), "abcd", 4);
    wave.SetFormatSize(2);
    wave.SetFormatSize(18);
    EXPECT_EQ(wave.FormatSize(), 18);
    EXPECT_EQ(std::memcmp(wave.FormatBytes(), "ab", 2), 0);
    wave.SetFormatSize(-1);
    EXPECT_EQ(wave.FormatSize(), 0);
    EXPECT_EQ(wave.FormatBytes(), nullptr);
}

TEST(WaveStorage, CopyTakesFormatAndSamples) {
    const TWave source = Read(CanonicalFile(Tone(300)));
    TWave copy;
    copy.Assign(&source);
    EXPECT_EQ(SamplesOf(copy), SamplesOf(source));
    EXPECT_EQ(FormatOf(copy), FormatOf(source));
    EXPECT_NE(copy.Samples(), source.Samples());
    copy.Assign(&copy);
    EXPECT_EQ(copy.Size(), 300);
    copy.Assign(nullptr);
    EXPECT_EQ(copy.Size(), 0);
    EXPECT_EQ(copy.FormatSize(), 0);
}

TEST(WaveWrite, WriteThenReadBackGivesTheSameWaveInTwoChunks) {
    const Bytes samples = Tone(98756);
    const TWave original = Read(RiffFile({{"LIST", {1, 2, 3, 4}}, DataChunk(samples), FmtChunk()}));
    const Bytes written = original.StoredValue();
    // Exactly the canonical layout: "fmt " first, "data" second, nothing else.
    EXPECT_EQ(written, CanonicalFile(samples));

    TWave back;
    back.LoadStoredValue(written);
    EXPECT_EQ(FormatOf(back), FormatOf(original));
    EXPECT_EQ(SamplesOf(back), samples);
}

TEST(WaveWrite, WritesAtTheStreamPositionAndLeavesItAtTheEnd) {
    const TWave wave = Read(CanonicalFile(Tone(32)));
    TMemoryStream stream;
    const std::uint8_t lead[5] = {9, 9, 9, 9, 9};
    stream.WriteBuffer(lead, 5);
    wave.WriteWaveFile(stream);
    EXPECT_EQ(stream.Size(), 5 + 44 + 32);
    EXPECT_EQ(stream.Position(), stream.Size());
    const Bytes file(stream.Bytes().begin() + 5, stream.Bytes().end());
    EXPECT_EQ(file, CanonicalFile(Tone(32)));
}

TEST(WaveWrite, EmptyWaveWritesNothingAndItsEmptyValueReadsAsEmpty) {
    TWave noSamples;
    noSamples.SetFormatSize(16);
    EXPECT_TRUE(noSamples.StoredValue().empty());
    TWave noFormat;
    noFormat.SetSize(10);
    EXPECT_TRUE(noFormat.StoredValue().empty());

    TWave wave = Read(CanonicalFile(Tone(8)));
    wave.LoadStoredValue({});
    EXPECT_EQ(wave.Size(), 0);
    EXPECT_EQ(wave.FormatSize(), 0);
}

TEST(WaveStoredBlock, ByteBlockFormHoldsTheFile) {
    const Bytes file = CanonicalFile(Tone(100));
    Bytes block = {0x0A};
    Put32(block, static_cast<std::uint32_t>(file.size()));
    block.insert(block.end(), file.begin(), file.end());
    TWave wave;
    wave.LoadStoredBlock(block);
    EXPECT_EQ(wave.Size(), 100);

    Bytes wrongType = block;
    wrongType[0] = 0x06;
    EXPECT_THROW(wave.LoadStoredBlock(wrongType), EReadError);
    Bytes tooLong = block;
    tooLong[1] += 1;
    EXPECT_THROW(wave.LoadStoredBlock(tooLong), EReadError);
    EXPECT_THROW(wave.LoadStoredBlock(Bytes{0x0A, 0, 0}), EReadError);
}

TEST(WaveStream, OpeningTwiceWritingWithoutFormatAndUnopenedMovesRaise) {
    const Bytes file = CanonicalFile(Tone(40));
    TMemoryStream source(file);
    TWaveStream stream(source);
    std::uint8_t buffer[4];
    try {
        stream.Read(buffer, 4);
        FAIL() << "no exception";
    } catch (const EWaveStreamError& error) {
        EXPECT_STREQ(error.what(), "Stream not opend");
    }
    EXPECT_THROW(stream.Write(buffer, 4), EWaveStreamError);
    EXPECT_EQ(stream.Size(), 0);

    stream.Open(false);
    try {
        stream.Open(false);
        FAIL() << "no exception";
    } catch (const EWaveStreamError& error) {
        EXPECT_STREQ(error.what(), "Stream has already been opened");
    }

    TMemoryStream target;
    TWaveStream writer(target);
    try {
        writer.Open(true);
        FAIL() << "no exception";
    } catch (const EWaveStreamError& error) {
        EXPECT_STREQ(error.what(), "Format is invalid");
    }
}

TEST(WaveStream, PositionsAreWithinTheSamplesAndClamped) {
    const Bytes samples = Tone(40);
    const Bytes file = CanonicalFile(samples);
    TMemoryStream source(file);
    TWaveStream stream(source);
    stream.Open(false);
    EXPECT_EQ(stream.Size(), 40);
    EXPECT_EQ(stream.DataPosition(), 44);
    EXPECT_EQ(stream.Seek(-10, TSeekOrigin::soEnd), 30);
    std::uint8_t buffer[64] = {};
    EXPECT_EQ(stream.Read(buffer, 64), 10); // never beyond Size
    EXPECT_EQ(std::memcmp(buffer, samples.data() + 30, 10), 0);
    EXPECT_EQ(stream.Position(), 40);
    EXPECT_EQ(stream.Seek(100, TSeekOrigin::soCurrent), 40);
    EXPECT_EQ(stream.Seek(-100, TSeekOrigin::soCurrent), 0);
    EXPECT_EQ(stream.Seek(5, TSeekOrigin::soBeginning), 5);
    EXPECT_EQ(stream.Read(buffer, 2), 2);
    EXPECT_EQ(buffer[0], samples[5]);
}
