// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue of the game's pictures and sounds: the stored description of the main window's
// image lists and sound list (and of the credits window's picture), made from assets/ by the
// packer at build time and compiled into the program.
//
// Stored form. The description is a sequence of forms, each the signature "TPF0" followed by
// one object: its class name and name (short strings: a length byte, then the characters), its
// properties (name, value) up to an empty name, then its child objects up to a zero byte.
// Values begin with a type byte: 0x02/0x03/0x04 a signed 8/16/32-bit little-endian integer,
// 0x06 a short string, 0x07 an identifier, 0x08 false, 0x09 true, 0x0A a byte block (a 32-bit
// little-endian count, then the bytes), 0x0E a collection (items, each 0x01 then its
// properties up to an empty name, then a zero byte).
//
// Form1 (TForm1) holds "Icon.Data" and, as children, the image lists (TDXImageList: "DXDraw",
// "Items.ColorTable", "Items") and the sound list (TDXWaveList: "DXSound", "Items"); Form3
// (TForm3) holds the credits picture, Image1 (TImage) with its "Picture.Data".
#include "platform/Exception.h"

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Malformed stored description.
class EStoredDescriptionError : public Exception {
public:
    using Exception::Exception;
};

using ByteBlock = std::vector<std::uint8_t>;

// One picture of an image list with its stored properties.
struct StoredImageItem {
    std::string Name;
    std::int32_t PatternWidth = 0;
    std::int32_t PatternHeight = 0;
    std::int32_t SkipWidth = 0;
    std::int32_t SkipHeight = 0;
    bool SystemMemory = false;
    bool Transparent = true;
    // A Windows colour value, 0x00BBGGRR ("clWhite" is stored by name and read as 0xFFFFFF).
    std::uint32_t TransparentColor = 0;
    // The "Picture.Data" value: a length byte, the picture class name ("TDIB" or
    // "TJPEGImage"), then that class's own data.
    ByteBlock PictureData;
    // The item's art drawn for larger scales, by percent: the optional "Picture<percent>.Data"
    // values (101 to 800 percent), in the same form, at the picture's size times the scale.
    std::vector<std::pair<int, ByteBlock>> ScaledPictureData;
};

struct StoredImageList {
    std::string Name;     // "DXImageList1" ...
    std::string DXDraw;   // the drawing surface it is bound to, "DXDraw1"
    ByteBlock ColorTable; // 256 entries of blue, green, red, zero: 1024 bytes
    std::vector<StoredImageItem> Items;
};

// One sound of the sound list.
struct StoredWaveItem {
    std::string Name;
    bool Looped = false;
    std::int32_t MaxPlayingCount = 0;
    ByteBlock Wave; // the "Wave.WAVE" value: a complete RIFF WAVE file
};

struct StoredWaveList {
    std::string Name;    // "DXWaveList1"
    std::string DXSound; // the sound device it is bound to, "DXSound1"
    std::vector<StoredWaveItem> Items;
};

struct StoredDescription {
    std::vector<StoredImageList> ImageLists; // in stored order: DXImageList1, 2, 3
    StoredWaveList WaveList;
    ByteBlock CreditsPicture; // the "Picture.Data" value of the credits window's picture
    ByteBlock Icon;           // the program's icon: a 32 x 32, 16-colour .ico file

    // DXImageList<number>; raises EStoredDescriptionError when there is no such list.
    const StoredImageList& ImageList(int number) const;
};

// Reads a stored description; malformed data raise EStoredDescriptionError.
StoredDescription ReadStoredDescription(std::span<const std::uint8_t> data);

// The description compiled into the program, read once on first use.
std::span<const std::uint8_t> EmbeddedDescriptionBytes();
const StoredDescription& EmbeddedDescription();

// Gives the memory that holds the compiled-in description's bytes back to the system, for once
// they have been read: the bytes stay as they are and readable, the system reads them again
// from the program file when they are next used. Does nothing where that cannot be done.
void ReleaseEmbeddedDescriptionMemory();
