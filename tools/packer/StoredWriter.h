// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes a stored description (the form read by ReadStoredDescription, graphics/Catalogue.h):
// forms of objects with typed property values.
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class StoredWriter {
public:
    const std::vector<std::uint8_t>& Bytes() const { return out_; }

    void BeginForm(const std::string& className, const std::string& name) {
        Raw("TPF0");
        BeginObject(className, name);
    }
    void BeginObject(const std::string& className, const std::string& name) {
        ShortString(className);
        ShortString(name);
    }
    // Closes the property list of the current object; its children follow.
    void EndProperties() { out_.push_back(0); }
    // Closes the child list of the current object.
    void EndObject() { out_.push_back(0); }

    void Integer(const std::string& name, std::int32_t value) {
        ShortString(name);
        if (value >= -128 && value <= 127) {
            out_.push_back(kInt8);
            Little(static_cast<std::uint32_t>(value), 1);
        } else if (value >= -32768 && value <= 32767) {
            out_.push_back(kInt16);
            Little(static_cast<std::uint32_t>(value), 2);
        } else {
            out_.push_back(kInt32);
            Little(static_cast<std::uint32_t>(value), 4);
        }
    }
    void Boolean(const std::string& name, bool value) {
        ShortString(name);
        out_.push_back(value ? kTrue : kFalse);
    }
    void String(const std::string& name, const std::string& value) {
        ShortString(name);
        out_.push_back(kString);
        ShortString(value);
    }
    void Identifier(const std::string& name, const std::string& value) {
        ShortString(name);
        out_.push_back(kIdent);
        ShortString(value);
    }
    // A byte block: 0x0A, a 32-bit little-endian count, the bytes.
    void Bytes(const std::string& name, std::span<const std::uint8_t> bytes) {
        ShortString(name);
        out_.push_back(kBinary);
        Little(static_cast<std::uint32_t>(bytes.size()), 4);
        out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    // A colour: white by its name, any other by its value.
    void Color(const std::string& name, std::uint32_t value) {
        if (value == 0xFFFFFF)
            Identifier(name, "clWhite");
        else
            Integer(name, static_cast<std::int32_t>(value));
    }

    void BeginCollection(const std::string& name) {
        ShortString(name);
        out_.push_back(kCollection);
    }
    void BeginItem() { out_.push_back(kList); }
    void EndItem() { out_.push_back(0); }
    void EndCollection() { out_.push_back(0); }

private:
    static constexpr std::uint8_t kList = 1, kInt8 = 2, kInt16 = 3, kInt32 = 4, kString = 6,
                                  kIdent = 7, kFalse = 8, kTrue = 9, kBinary = 10, kCollection = 14;

    void Raw(const std::string& text) { out_.insert(out_.end(), text.begin(), text.end()); }
    void ShortString(const std::string& text) {
        if (text.size() > 255)
            throw std::length_error("stored name longer than 255 characters: " + text);
        out_.push_back(static_cast<std::uint8_t>(text.size()));
        Raw(text);
    }
    void Little(std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    std::vector<std::uint8_t> out_;
};
