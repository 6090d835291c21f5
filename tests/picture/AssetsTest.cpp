// SPDX-License-Identifier: GPL-3.0-or-later
// The game's own pictures under assets/ read as the program reads them: every bitmap file as a
// DIB with whole lines of pixels, the board and credits JPEG pictures at their sizes.
#include "tests/picture/PictureTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace picturetest;
using testpic::Bytes;

namespace {

std::filesystem::path AssetsDir() {
    const char* source = std::getenv("EKOBA_SOURCE_DIR");
    return source ? std::filesystem::path(source) / "assets" : std::filesystem::path();
}

Bytes Load(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(GamePictures, EveryBitmapAndJpegPictureReads) {
    const std::filesystem::path dir = AssetsDir();
    if (dir.empty() || !std::filesystem::exists(dir / "plateau.jpg"))
        GTEST_SKIP() << "no assets";
    int bitmaps = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".bmp")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        TMemoryStream stream(Load(entry.path()));
        TDIB dib;
        dib.ReadBitmapFile(stream);
        EXPECT_EQ(stream.Position(), stream.Size()); // nothing follows the pixels
        EXPECT_TRUE(dib.BitCount() == 1 || dib.BitCount() == 4 || dib.BitCount() == 8 ||
                    dib.BitCount() == 24);
        EXPECT_EQ(dib.Handle().size(), QSize(dib.Width(), dib.Height()));
        ++bitmaps;
    }
    EXPECT_GT(bitmaps, 0);
    for (auto [name, width, height, progressive] :
         {std::tuple{"plateau.jpg", 640, 480, true}, std::tuple{"credits.jpg", 80, 100, false}}) {
        TMemoryStream stream(testpic::JpegData(Load(dir / name)));
        TJPEGImage image;
        image.ReadStoredData(stream);
        EXPECT_EQ(image.ProgressiveEncoding(), progressive) << name;
        EXPECT_EQ(image.Bitmap().BitCount(), 24) << name;
        EXPECT_EQ(QSize(image.Width(), image.Height()), QSize(width, height)) << name;
    }
}
