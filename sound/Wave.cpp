// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/Wave.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

constexpr std::int64_t kMaxInt32 = std::numeric_limits<std::int32_t>::max();

std::uint32_t ReadLE32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void WriteLE32(TStream& stream, std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    stream.WriteBuffer(bytes, 4);
}

void WriteTag(TStream& stream, const char* tag) {
    stream.WriteBuffer(tag, 4);
}

bool IsTag(const std::uint8_t* bytes, const char* tag) {
    return std::memcmp(bytes, tag, 4) == 0;
}

// Bytes of the stream from its position to its end.
std::int64_t BytesLeft(TStream& stream) {
    return std::max<std::int64_t>(stream.Size() - stream.Position(), 0);
}

// A new block of size bytes holding the first min(size, oldSize) bytes of old.
std::unique_ptr<std::uint8_t[]> Reallocate(const std::uint8_t* old, std::int32_t oldSize,
                                           std::int32_t size) {
    if (size <= 0)
        return nullptr;
    auto block = std::make_unique<std::uint8_t[]>(static_cast<size_t>(size));
    if (old != nullptr)
        std::memcpy(block.get(), old, static_cast<size_t>(std::min(oldSize, size)));
    return block;
}

} // namespace

// --- TCustomWaveStream

std::int64_t TCustomWaveStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const std::int64_t left = std::max<std::int64_t>(WaveSize() - position_, 0);
    const auto wanted = static_cast<std::int32_t>(std::min(count, left));
    const std::int32_t moved = ReadWave(position_, buffer, wanted);
    position_ += std::max(moved, 0);
    return moved;
}

std::int64_t TCustomWaveStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const auto wanted = static_cast<std::int32_t>(std::min(count, kMaxInt32 - position_));
    const std::int32_t moved = WriteWave(position_, buffer, wanted);
    position_ += std::max(moved, 0);
    return moved;
}

std::int64_t TCustomWaveStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t size = WaveSize();
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = position_;
    else if (origin == TSeekOrigin::soEnd)
        base = size;
    const std::int64_t wanted = std::clamp<std::int64_t>(offset, -kMaxInt32, kMaxInt32) + base;
    position_ = static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, 0, size));
    return position_;
}

// --- TCustomWaveStream2

void TCustomWaveStream2::SetFormatSize(std::int32_t size) {
    size = std::max(size, 0);
    format_ = Reallocate(format_.get(), formatSize_, size);
    formatSize_ = size;
}

// --- TWaveStream

TWaveStream::TWaveStream(TStream& source) : source_(source), start_(source.Position()) {}

TWaveStream::~TWaveStream() {
    try {
        Close();
    } catch (const Exception&) {
        // A file that cannot be finished is left as it is; the writer has already failed.
    }
}

void TWaveStream::Open(bool writeMode) {
    if (opened_)
        throw EWaveStreamError("Stream has already been opened");
    if (writeMode)
        OpenForWriting();
    else
        OpenForReading();
}

void TWaveStream::OpenForReading() {
    opened_ = true;
    readMode_ = true;
    source_.SetPosition(start_);
    std::uint8_t header[12];
    source_.ReadBuffer(header, sizeof header);
    // The RIFF length field is not used: the chunks are walked to the end of the stream.
    if (!IsTag(header, "RIFF") || !IsTag(header + 8, "WAVE"))
        throw EWaveStreamError("Wave is invalid");

    // A short chunk header leaves its identifier zero, which ends the walk. Every chunk moves
    // the position on by at least its 8 header bytes, so the walk ends at the end of the stream.
    const auto readChunkHeader = [this](std::uint8_t(&chunk)[8]) {
        std::memset(chunk, 0, sizeof chunk);
        source_.Read(chunk, sizeof chunk);
        return ReadLE32(chunk) != 0;
    };
    std::uint8_t chunk[8];
    while (readChunkHeader(chunk)) {
        const std::uint32_t size = ReadLE32(chunk + 4);
        if (IsTag(chunk, "fmt ")) {
            // A size beyond the bytes left is refused before the block is allocated.
            if (size > BytesLeft(source_))
                throw EReadError("Stream read error");
            SetFormatSize(static_cast<std::int32_t>(size));
            source_.ReadBuffer(FormatBytes(), size);
        } else if (IsTag(chunk, "data")) {
            dataSize_ = size;
            dataPosition_ = source_.Position();
            source_.Seek(size, TSeekOrigin::soCurrent);
        } else {
            source_.Seek(size, TSeekOrigin::soCurrent);
        }
    }
}

void TWaveStream::OpenForWriting() {
    if (FormatSize() == 0)
        throw EWaveStreamError("Format is invalid");
    opened_ = true;
    source_.SetPosition(start_);
    const std::uint8_t placeholder[12] = {};
    source_.WriteBuffer(placeholder, sizeof placeholder);
    WriteTag(source_, "fmt ");
    WriteLE32(source_, static_cast<std::uint32_t>(FormatSize()));
    source_.WriteBuffer(Format(), FormatSize());
    dataHeaderPosition_ = source_.Position();
    WriteTag(source_, "data");
    WriteLE32(source_, 0);
    dataPosition_ = source_.Position();
}

void TWaveStream::Close() {
    if (!opened_ || readMode_ || closed_)
        return;
    closed_ = true;
    const std::int64_t size = source_.Size();
    source_.SetPosition(start_);
    WriteTag(source_, "RIFF");
    WriteLE32(source_, static_cast<std::uint32_t>(size - start_ - 8));
    WriteTag(source_, "WAVE");
    source_.SetPosition(dataHeaderPosition_);
    WriteTag(source_, "data");
    WriteLE32(source_, static_cast<std::uint32_t>(size - dataPosition_));
    source_.Seek(0, TSeekOrigin::soEnd);
}

std::int32_t TWaveStream::ReadWave(std::int32_t position, void* buffer, std::int32_t count) {
    if (!opened_)
        throw EWaveStreamError("Stream not opend");
    source_.SetPosition(dataPosition_ + position);
    return static_cast<std::int32_t>(source_.Read(buffer, count));
}

std::int32_t TWaveStream::WriteWave(std::int32_t position, const void* buffer, std::int32_t count) {
    if (!opened_)
        throw EWaveStreamError("Stream not opend");
    source_.SetPosition(dataPosition_ + position);
    return static_cast<std::int32_t>(source_.Write(buffer, count));
}

std::int32_t TWaveStream::WaveSize() {
    if (!opened_)
        return 0;
    const std::int64_t size = readMode_ ? dataSize_ : source_.Size() - dataPosition_;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(size, 0, kMaxInt32));
}

// --- TWave

void TWave::Clear() {
    samples_.reset();
    format_.reset();
    size_ = 0;
    formatSize_ = 0;
    capacity_ = 0;
}

void TWave::SetFormatSize(std::int32_t size) {
    size = std::max(size, 0);
    format_ = Reallocate(format_.get(), formatSize_, size);
    formatSize_ = size;
}

void TWave::SetSize(std::int32_t size) {
    size = std::max(size, 0);
    const std::int64_t blocks = (static_cast<std::int64_t>(size) + kSampleBlock - 1) / kSampleBlock;
    // Whole blocks, but never past the largest size a wave can have.
    const auto capacity = static_cast<std::int32_t>(
        std::min<std::int64_t>(blocks * kSampleBlock, std::numeric_limits<std::int32_t>::max()));
    if (capacity != capacity_) {
        samples_ = Reallocate(samples_.get(), std::min(size_, capacity_), capacity);
        capacity_ = capacity;
    }
    size_ = size;
}

void TWave::Assign(const TWave* other) {
    if (other == this)
        return;
    if (other == nullptr) {
        Clear();
        return;
    }
    SetSize(other->size_);
    SetFormatSize(other->formatSize_);
    if (size_ > 0)
        std::memcpy(samples_.get(), other->samples_.get(), static_cast<size_t>(size_));
    if (formatSize_ > 0)
        std::memcpy(format_.get(), other->format_.get(), static_cast<size_t>(formatSize_));
}

WAVEFORMATEX TWave::Format() const {
    WAVEFORMATEX format{};
    if (formatSize_ >= static_cast<std::int32_t>(PCMWAVEFORMAT_SIZE))
        std::memcpy(&format, format_.get(), PCMWAVEFORMAT_SIZE);
    return format;
}

void TWave::ReadWaveFile(TStream& stream) {
    Clear();
    TWaveStream wave(stream);
    wave.Open(false);
    SetFormatSize(wave.FormatSize());
    if (formatSize_ > 0)
        std::memcpy(format_.get(), wave.Format(), static_cast<size_t>(formatSize_));
    // The stated sample count must be there before the samples are allocated.
    if (wave.DataSize() > kMaxInt32 ||
        wave.DataSize() > std::max<std::int64_t>(stream.Size() - wave.DataPosition(), 0))
        throw EReadError("Stream read error");
    SetSize(static_cast<std::int32_t>(wave.DataSize()));
    wave.ReadBuffer(samples_.get(), size_);
}

void TWave::WriteWaveFile(TStream& stream) const {
    if (formatSize_ <= 0 || size_ <= 0)
        return;
    TWaveStream wave(stream);
    wave.SetFormatSize(formatSize_);
    std::memcpy(wave.FormatBytes(), format_.get(), static_cast<size_t>(formatSize_));
    wave.Open(true);
    wave.WriteBuffer(samples_.get(), size_);
    wave.Close();
}

void TWave::LoadStoredValue(std::span<const std::uint8_t> value) {
    if (value.empty()) {
        Clear();
        return;
    }
    TMemoryStream stream(value);
    ReadWaveFile(stream);
}

std::vector<std::uint8_t> TWave::StoredValue() const {
    TMemoryStream stream;
    WriteWaveFile(stream);
    return stream.Bytes();
}

void TWave::LoadStoredBlock(std::span<const std::uint8_t> block) {
    constexpr std::uint8_t kBinaryValue = 0x0A;
    if (block.size() < 5 || block[0] != kBinaryValue)
        throw EReadError("Stream read error");
    const std::uint32_t count = ReadLE32(block.data() + 1);
    if (count > block.size() - 5)
        throw EReadError("Stream read error");
    LoadStoredValue(block.subspan(5, count));
}
