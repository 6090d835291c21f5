// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Wave data: a sound's format block and sample bytes (TWave), and the wave stream that walks the
// RIFF WAVE layout (TWaveStream). Nothing in the samples is decoded: the format block goes to
// the sound output as it was stored and the samples are copied as they are.
#include "platform/DSound.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class EWaveStreamError : public Exception {
public:
    using Exception::Exception;
};

// A stream over the samples of a wave: positions are within the samples, 0 to Size.
class TCustomWaveStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Seeks are clamped to 0 ... Size.
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return WaveSize(); }

    virtual const std::uint8_t* Format() const = 0;
    virtual std::int32_t FormatSize() const = 0;
    virtual void SetFormatSize(std::int32_t size) = 0;
    virtual void Open(bool writeMode) = 0;

protected:
    // Moves count sample bytes at position; returns how many were moved.
    virtual std::int32_t ReadWave(std::int32_t position, void* buffer, std::int32_t count) = 0;
    virtual std::int32_t WriteWave(std::int32_t position, const void* buffer,
                                   std::int32_t count) = 0;
    virtual std::int32_t WaveSize() = 0;

private:
    std::int32_t position_ = 0;
};

// A wave stream that holds its own format block.
class TCustomWaveStream2 : public TCustomWaveStream {
public:
    const std::uint8_t* Format() const override { return format_.get(); }
    std::int32_t FormatSize() const override { return formatSize_; }
    // Reallocates the format block to size bytes (0 frees it).
    void SetFormatSize(std::int32_t size) override;
    std::uint8_t* FormatBytes() { return format_.get(); }

private:
    std::unique_ptr<std::uint8_t[]> format_;
    std::int32_t formatSize_ = 0;
};

// The samples of a RIFF WAVE file held in another stream, which the wave stream does not own.
// The file starts at the other stream's position when the wave stream is made.
class TWaveStream : public TCustomWaveStream2 {
public:
    explicit TWaveStream(TStream& source);
    // Finishes a file opened for writing (see Close).
    ~TWaveStream() override;
    TWaveStream(const TWaveStream&) = delete;
    TWaveStream& operator=(const TWaveStream&) = delete;

    // Reading: reads the RIFF header and walks every chunk, taking "fmt " and "data" and
    // skipping any other. Writing: writes the header, the "fmt " chunk and an empty "data" chunk
    // header. Raises EWaveStreamError when already opened or, for writing, without a format, and
    // EReadError when the header or the format block is cut short.
    void Open(bool writeMode) override;
    // For a file opened for writing: writes the final RIFF and "data" lengths and leaves the
    // other stream at its end. Runs once; the destructor runs it when it has not run.
    void Close();

    bool Opened() const { return opened_; }
    bool ReadMode() const { return readMode_; }
    std::int64_t Start() const { return start_; }
    std::int64_t DataPosition() const { return dataPosition_; }
    std::int64_t DataHeaderPosition() const { return dataHeaderPosition_; }
    std::int64_t DataSize() const { return dataSize_; }

protected:
    std::int32_t ReadWave(std::int32_t position, void* buffer, std::int32_t count) override;
    std::int32_t WriteWave(std::int32_t position, const void* buffer, std::int32_t count) override;
    std::int32_t WaveSize() override;

private:
    void OpenForReading();
    void OpenForWriting();

    TStream& source_;
    std::int64_t start_;
    std::int64_t dataPosition_ = 0;
    std::int64_t dataHeaderPosition_ = 0;
    std::int64_t dataSize_ = 0;
    bool opened_ = false;
    bool readMode_ = false;
    bool closed_ = false;
};

// A sound's format block and samples. The samples are held in whole blocks of 8096 bytes.
class TWave {
public:
    static constexpr std::int32_t kSampleBlock = 8096;

    TWave() = default;
    TWave(const TWave& other) { Assign(&other); }
    TWave& operator=(const TWave& other) {
        Assign(&other);
        return *this;
    }

    void Clear();
    // n < 0 counts as 0. Bytes already there are kept up to the smaller size.
    void SetFormatSize(std::int32_t size);
    // n < 0 counts as 0; the block is reallocated only when its block count changes.
    void SetSize(std::int32_t size);
    // Takes the other wave's format and samples; nothing when it is this wave, Clear for null.
    void Assign(const TWave* other);

    std::int32_t Size() const { return size_; }
    std::int32_t FormatSize() const { return formatSize_; }
    // Bytes allocated for the samples: whole blocks of kSampleBlock.
    std::int32_t Capacity() const { return capacity_; }
    const std::uint8_t* Samples() const { return samples_.get(); }
    std::uint8_t* Samples() { return samples_.get(); }
    const std::uint8_t* FormatBytes() const { return format_.get(); }
    std::uint8_t* FormatBytes() { return format_.get(); }
    // The format block read as a wave format; its PCM fields only when it holds at least 16
    // bytes, zero elsewhere (every field is zero for a wave without format).
    WAVEFORMATEX Format() const;

    // Reads a RIFF WAVE file starting at the stream's position. Raises EReadError "Stream read
    // error" for a header, format block or sample data cut short (before allocating for it) and
    // EWaveStreamError "Wave is invalid" without "RIFF" ... "WAVE".
    void ReadWaveFile(TStream& stream);
    // Writes a RIFF WAVE file of two chunks, "fmt " and "data", at the stream's position;
    // nothing at all when there is no format or no sample.
    void WriteWaveFile(TStream& stream) const;

    // The stored "WAVE" value: the bytes of a RIFF WAVE file. An empty value reads as an empty
    // wave, as an empty wave writes an empty value.
    void LoadStoredValue(std::span<const std::uint8_t> value);
    std::vector<std::uint8_t> StoredValue() const;
    // The value in its stored byte-block form: 0x0A, a 32-bit little-endian count, the bytes.
    // Raises EReadError when the form is not that or the count exceeds the bytes there.
    void LoadStoredBlock(std::span<const std::uint8_t> block);

private:
    std::unique_ptr<std::uint8_t[]> samples_;
    std::unique_ptr<std::uint8_t[]> format_;
    std::int32_t formatSize_ = 0;
    std::int32_t size_ = 0;
    std::int32_t capacity_ = 0;
};
