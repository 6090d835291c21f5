// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Stream.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cstring>

std::int64_t TStream::Size() {
    const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError("Stream write error");
}

TMemoryStream::TMemoryStream(std::span<const std::uint8_t> bytes)
    : bytes_(bytes.begin(), bytes.end()) {}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t size = Size();
    if (count <= 0 || position_ >= size)
        return 0;
    const std::int64_t moved = std::min(count, size - position_);
    std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(moved));
    position_ += moved;
    return moved;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const std::int64_t end = position_ + count;
    if (end > Size())
        bytes_.resize(static_cast<size_t>(end));
    std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent)
        base = position_;
    else if (origin == TSeekOrigin::soEnd)
        base = Size();
    // A position before the start is refused; the position stays.
    if (offset < 0 && base + offset < 0)
        return position_;
    position_ = base + offset;
    return position_;
}

void TMemoryStream::Clear() {
    bytes_.clear();
    position_ = 0;
}
