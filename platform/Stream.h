// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The framework's streams: a position in a sequence of bytes, reads and writes that move it, and
// seeks from the start, the current position or the end. TMemoryStream holds its bytes in
// memory; stored values (pictures, sounds) are read from one.
#include <cstdint>
#include <span>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;

    // Moves up to count bytes; returns how many were moved (0 at the end). Negative counts move
    // nothing.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Returns the new position.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
    // The byte count; the position is left where it was.
    virtual std::int64_t Size();

    // Exactly count bytes or EReadError "Stream read error" / EWriteError "Stream write error".
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
};

// Bytes in memory. The position may stand beyond the end: reads there move nothing, a write
// there first fills the gap with zero bytes.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::span<const std::uint8_t> bytes);

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    void Clear();

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t position_ = 0;
};
