// SPDX-License-Identifier: GPL-3.0-or-later
// ekoba-packer: makes the stored description of the image lists, the sound list, the credits
// picture and the icon from assets/, and writes it as a C++ byte array with its reader entry
// points, to be compiled into the program.
//
//   ekoba-packer <assets directory> <output .cpp>
//
// Every asset is checked against the catalogue (size, pixel format, storage kind, sound format
// and length) before it is packed: a wrong asset stops the build with a clear message.
#include "graphics/Assets.h"
#include "tools/packer/StoredWriter.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path.string());
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t Le(const Bytes& b, std::size_t at, int bytes) {
    if (at + bytes > b.size())
        throw std::runtime_error("file too short");
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= std::uint32_t(b[at + i]) << (8 * i);
    return v;
}

void Check(bool ok, const std::string& file, const std::string& what) {
    if (!ok)
        throw std::runtime_error(file + ": " + what);
}

// A BMP file of the catalogue: 14-byte file header, 40-byte header, the full colour table, no
// compression, bottom-up lines. Returns the DIB (without the file header).
Bytes CheckedDib(const Bytes& file, const assets::ImageAsset& image, const std::string& name = "") {
    if (name.empty())
        return CheckedDib(file, image, assets::FileName(image));
    Check(file.size() >= 54 && file[0] == 'B' && file[1] == 'M', name, "not a BMP file");
    const int colors = image.BitCount <= 8 ? 1 << image.BitCount : 0;
    const std::uint32_t widthBytes = ((image.Width * image.BitCount + 31) / 32) * 4;
    const std::uint32_t pixelBytes = widthBytes * image.Height;
    const std::uint32_t offset = 14 + 40 + 4 * colors;
    Check(Le(file, 2, 4) == file.size(), name, "file size field is wrong");
    Check(Le(file, 10, 4) == offset, name, "pixel offset is wrong");
    Check(Le(file, 14, 4) == 40, name, "header is not the 40-byte information header");
    Check(static_cast<std::int32_t>(Le(file, 18, 4)) == image.Width &&
              static_cast<std::int32_t>(Le(file, 22, 4)) == image.Height,
          name,
          "size is not " + std::to_string(image.Width) + " x " + std::to_string(image.Height));
    Check(Le(file, 26, 2) == 1, name, "planes is not 1");
    Check(Le(file, 28, 2) == std::uint32_t(image.BitCount), name,
          "bit count is not " + std::to_string(image.BitCount));
    Check(Le(file, 30, 4) == 0, name, "compressed");
    Check(Le(file, 46, 4) == 0, name, "states a colour count");
    Check(file.size() == offset + pixelBytes, name, "pixel part is not lines x bytes per line");
    return Bytes(file.begin() + 14, file.end());
}

// The frame of a JPEG file: progressive or baseline, and its size.
void CheckJpeg(const Bytes& file, const std::string& name, bool progressive, int width,
               int height) {
    Check(file.size() > 4 && file[0] == 0xFF && file[1] == 0xD8, name, "not a JPEG file");
    std::size_t at = 2;
    while (at + 4 <= file.size()) {
        Check(file[at] == 0xFF, name, "damaged marker");
        const std::uint8_t marker = file[at + 1];
        const std::size_t length = (std::size_t(file[at + 2]) << 8) | file[at + 3];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            Check(at + 9 <= file.size(), name, "damaged frame header");
            Check((marker == 0xC2) == progressive, name,
                  progressive ? "not progressive" : "not baseline");
            const int h = (file[at + 5] << 8) | file[at + 6];
            const int w = (file[at + 7] << 8) | file[at + 8];
            Check(w == width && h == height, name, "wrong size");
            Check(file[at + 9] == 3, name, "not three components");
            return;
        }
        at += 2 + length;
    }
    throw std::runtime_error(name + ": no frame header");
}

void CheckWave(const Bytes& file, const assets::SoundAsset& sound) {
    const std::string name = assets::FileName(sound);
    Check(file.size() >= 44 && std::string(file.begin(), file.begin() + 4) == "RIFF" &&
              std::string(file.begin() + 8, file.begin() + 16) == "WAVEfmt ",
          name, "not a canonical RIFF WAVE file");
    Check(Le(file, 4, 4) == file.size() - 8, name, "RIFF length is wrong");
    Check(Le(file, 16, 4) == 16 && Le(file, 20, 2) == 1 && Le(file, 22, 2) == 2 &&
              Le(file, 24, 4) == 44100 && Le(file, 28, 4) == 176400 && Le(file, 32, 2) == 4 &&
              Le(file, 34, 2) == 16,
          name, "not PCM, 2 channels, 44 100 Hz, 16 bits");
    Check(std::string(file.begin() + 36, file.begin() + 40) == "data", name,
          "no data chunk after the format");
    Check(Le(file, 40, 4) == sound.SampleBytes && file.size() == 44 + sound.SampleBytes, name,
          "sample byte count is not " + std::to_string(sound.SampleBytes));
}

Bytes PictureData(const std::string& className, const Bytes& classData) {
    Bytes data;
    data.push_back(static_cast<std::uint8_t>(className.size()));
    data.insert(data.end(), className.begin(), className.end());
    data.insert(data.end(), classData.begin(), classData.end());
    return data;
}

Bytes JpegPictureData(const Bytes& jpeg) {
    Bytes data;
    const std::uint32_t n = static_cast<std::uint32_t>(jpeg.size());
    for (int i = 0; i < 4; ++i)
        data.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    return PictureData("TJPEGImage", data);
}

// The picture of a scaled set, checked as the picture at 100 % is, at its scaled size.
Bytes ScaledPictureData(const fs::path& folder, const assets::ImageAsset& image, int percent) {
    const std::string name = assets::ScaledFolder(percent) + "/" + assets::ScaledFileName(image);
    const Bytes file = ReadFile(folder / assets::ScaledFileName(image));
    assets::ImageAsset scaled = image;
    scaled.Width = assets::ScaledSize(image.Width, percent);
    scaled.Height = assets::ScaledSize(image.Height, percent);
    if (assets::ScaledStorage(image) == assets::Storage::Jpeg) {
        CheckJpeg(file, name, image.Stored == assets::Storage::Jpeg, scaled.Width, scaled.Height);
        return JpegPictureData(file);
    }
    return PictureData("TDIB", CheckedDib(file, scaled, name));
}

Bytes Pack(const fs::path& dir) {
    StoredWriter w;
    w.BeginForm("TForm1", "Form1");
    const Bytes icon = ReadFile(dir / assets::kIconFile);
    Check(icon.size() > 22 && Le(icon, 0, 4) == 0x00010000 && Le(icon, 4, 2) == 1 &&
              icon[6] == 32 && icon[7] == 32 && icon[8] == 16,
          assets::kIconFile, "not a single 32 x 32, 16-colour icon");
    w.Bytes("Icon.Data", icon);
    w.EndProperties();

    for (int list = 1; list <= assets::kImageListCount; ++list) {
        w.BeginObject("TDXImageList", "DXImageList" + std::to_string(list));
        w.Identifier("DXDraw", "DXDraw1");
        w.Bytes("Items.ColorTable", Bytes(1024, 0));
        w.BeginCollection("Items");
        int expected = 0;
        for (const assets::ImageAsset& image : assets::kImages) {
            if (image.List != list)
                continue;
            if (image.Index != expected++)
                throw std::runtime_error(std::string(image.Name) + ": out of order");
            const std::string name = assets::FileName(image);
            const Bytes file = ReadFile(dir / name);
            Bytes data;
            if (image.Stored == assets::Storage::Jpeg) {
                CheckJpeg(file, name, true, image.Width, image.Height);
                data = JpegPictureData(file);
            } else {
                data = PictureData("TDIB", CheckedDib(file, image));
            }
            w.BeginItem();
            w.String("Name", image.Name);
            w.Integer("PatternHeight", 0);
            w.Integer("PatternWidth", 0);
            w.Bytes("Picture.Data", data);
            for (int percent : assets::kScaledPercents) {
                const fs::path folder = dir / assets::ScaledFolder(percent);
                if (!fs::is_directory(folder))
                    continue; // a set not made: the program draws the nearest one for that scale
                w.Bytes("Picture" + std::to_string(percent) + ".Data",
                        ScaledPictureData(folder, image, percent));
            }
            w.Integer("SkipHeight", 0);
            w.Integer("SkipWidth", 0);
            w.Boolean("SystemMemory", false);
            w.Boolean("Transparent", image.Transparent);
            w.Color("TransparentColor", image.TransparentColor);
            w.EndItem();
        }
        w.EndCollection();
        w.EndProperties();
        w.EndObject();
    }

    w.BeginObject("TDXWaveList", "DXWaveList1");
    w.Identifier("DXSound", "DXSound1");
    w.BeginCollection("Items");
    for (const assets::SoundAsset& sound : assets::kSounds) {
        const Bytes file = ReadFile(dir / assets::FileName(sound));
        CheckWave(file, sound);
        w.BeginItem();
        w.Boolean("Looped", false);
        w.Integer("MaxPlayingCount", 0);
        w.String("Name", sound.Name);
        w.Bytes("Wave.WAVE", file);
        w.EndItem();
    }
    w.EndCollection();
    w.EndProperties();
    w.EndObject();
    w.EndObject(); // Form1

    w.BeginForm("TForm3", "Form3");
    w.EndProperties();
    w.BeginObject("TImage", "Image1");
    const Bytes credits = ReadFile(dir / assets::kCreditsFile);
    CheckJpeg(credits, assets::kCreditsFile, false, assets::kCreditsWidth, assets::kCreditsHeight);
    w.Bytes("Picture.Data", JpegPictureData(credits));
    w.EndProperties();
    w.EndObject();
    w.EndObject(); // Form3
    return w.Bytes();
}

std::string Source(const Bytes& description) {
    std::ostringstream out;
    out << "// Made by ekoba-packer from assets/: the stored description of the image lists, the\n"
           "// sound list, the credits picture and the icon.\n"
           "#include \"graphics/Catalogue.h\"\n\n"
           "namespace {\n"
           "alignas(16) const std::uint8_t kDescription[] = {\n";
    for (std::size_t i = 0; i < description.size(); ++i) {
        out << int(description[i]) << ',';
        if (i % 32 == 31)
            out << '\n';
    }
    out << "};\n"
           "} // namespace\n\n"
           "std::span<const std::uint8_t> EmbeddedDescriptionBytes() {\n"
           "    return {kDescription, sizeof kDescription};\n"
           "}\n\n"
           "const StoredDescription& EmbeddedDescription() {\n"
           "    static const StoredDescription description =\n"
           "        ReadStoredDescription(EmbeddedDescriptionBytes());\n"
           "    return description;\n"
           "}\n";
    return out.str();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: ekoba-packer <assets directory> <output .cpp>\n";
        return 2;
    }
    try {
        const std::string source = Source(Pack(argv[1]));
        const fs::path output = argv[2];
        const fs::path temporary = output.string() + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary);
            out << source;
            if (!out.flush())
                throw std::runtime_error("cannot write " + temporary.string());
        }
        fs::rename(temporary, output);
    } catch (const std::exception& e) {
        std::cerr << "ekoba-packer: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
