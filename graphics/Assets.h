// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every asset of the game, as the generator writes it into assets/, the packer stores it and
// the game names it: the three image lists in their stored order, the sound list, the credits
// picture and the program's icon.
#include <cstdint>
#include <string>
#include <string_view>

namespace assets {

enum class Storage { Bitmap, Jpeg };

struct ImageAsset {
    int List;  // 1, 2 or 3: DXImageList1 to DXImageList3
    int Index; // position in its list
    const char* Name;
    int Width;
    int Height;
    int BitCount;
    Storage Stored;
    bool Transparent;
    std::uint32_t TransparentColor; // Windows colour value 0x00BBGGRR
};

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t Rgb(int r, int g, int b) {
    return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
}

inline constexpr ImageAsset kImages[] = {
    {1, 0, "blanc", 400, 200, 1, Storage::Bitmap, false, kWhite},
    {1, 1, "sable", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {1, 2, "plateau", 640, 480, 24, Storage::Jpeg, true, Rgb(5, 0, 0)},
    {1, 3, "presentation", 640, 480, 24, Storage::Bitmap, false, Rgb(253, 253, 249)},
    {1, 4, "maintour", 91, 91, 24, Storage::Bitmap, false, Rgb(224, 153, 95)},
    {1, 5, "temp-score", 36, 47, 4, Storage::Bitmap, true, kWhite},
    {1, 6, "maintour2", 91, 91, 24, Storage::Bitmap, false, Rgb(85, 69, 44)},
    {2, 0, "case0", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 1, "case1", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 2, "case2", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 3, "case3", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 4, "case4", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 5, "case5", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 6, "case6", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 7, "case7", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 8, "case8", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 9, "case9", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 10, "case10", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 11, "case11", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 12, "case12", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 13, "case13", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 14, "case14", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 15, "case15", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 16, "case16", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 17, "case17", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 18, "case18", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 19, "case19", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {2, 20, "case20", 65, 65, 8, Storage::Bitmap, true, kWhite},
    {3, 0, "mainouv2", 157, 157, 1, Storage::Bitmap, true, kWhite},
    {3, 1, "mainouv", 157, 157, 1, Storage::Bitmap, true, kWhite},
    {3, 2, "mainferm2", 157, 157, 1, Storage::Bitmap, true, kWhite},
    {3, 3, "mainferm", 157, 157, 1, Storage::Bitmap, true, kWhite},
    {3, 4, "poing2", 157, 157, 1, Storage::Bitmap, true, kWhite},
    {3, 5, "poing", 157, 157, 1, Storage::Bitmap, true, kWhite},
    {3, 6, "maindistr2", 157, 157, 8, Storage::Bitmap, true, kWhite},
    {3, 7, "maindistr", 157, 157, 8, Storage::Bitmap, true, kWhite},
};

struct SoundAsset {
    int Index;
    const char* Name;
    std::uint32_t SampleBytes; // PCM, 2 channels, 44 100 Hz, 16 bits
};

inline constexpr SoundAsset kSounds[] = {
    {0, "bille1", 98756},     {1, "billeplus", 62740}, {2, "billebcp", 33220},
    {3, "billeprend", 25368}, {4, "billegagn", 42348},
};

constexpr int kImageListCount = 3;
constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;

// The credits window's picture: an 80 x 100 baseline JPEG.
constexpr const char* kCreditsFile = "credits.jpg";
constexpr int kCreditsWidth = 80;
constexpr int kCreditsHeight = 100;
// The program's icon: 32 x 32, 16 colours, as a Windows icon and as a PNG for the desktop.
constexpr const char* kIconFile = "ekobarama.ico";
constexpr const char* kIconPngFile = "ekobarama.png";

// An item of the image lists by its name, found in the table when the program is compiled.
struct ImageRef {
    int List;
    int Index;
};
consteval ImageRef Image(std::string_view name) {
    for (const ImageAsset& image : kImages)
        if (name == image.Name)
            return {image.List, image.Index};
    throw "no image of that name";
}
// An item of the sound list by its name.
consteval int Sound(std::string_view name) {
    for (const SoundAsset& sound : kSounds)
        if (name == sound.Name)
            return sound.Index;
    throw "no sound of that name";
}

inline std::string FileName(const ImageAsset& image) {
    return std::string(image.Name) + (image.Stored == Storage::Jpeg ? ".jpg" : ".bmp");
}

// The image lists' art is also drawn for these scales, in percent; each set lies in a folder of
// its own beside the pictures (ScaledFolder), the pictures at their size times the scale
// (ScaledSize), with the catalogue's pixel formats and transparency. The one large picture
// without transparency, the presentation, is stored as a JPEG file in the scaled sets: as a
// bitmap it would take several megabytes.
inline constexpr int kScaledPercents[] = {150, 200};
inline std::string ScaledFolder(int percent) {
    return "scaled-" + std::to_string(percent);
}
constexpr int ScaledSize(int units, int percent) {
    return (units * percent + 50) / 100;
}
constexpr Storage ScaledStorage(const ImageAsset& image) {
    return image.Stored == Storage::Bitmap && !image.Transparent && image.BitCount == 24 &&
                   image.Width * image.Height >= 640 * 480
               ? Storage::Jpeg
               : image.Stored;
}
inline std::string ScaledFileName(const ImageAsset& image) {
    return std::string(image.Name) + (ScaledStorage(image) == Storage::Jpeg ? ".jpg" : ".bmp");
}
inline std::string FileName(const SoundAsset& sound) {
    return std::string(sound.Name) + ".wav";
}

} // namespace assets
