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

TEST(GamePictures, BitmapFilesReadWithWholeLines) {
    const std::filesystem::path dir = AssetsDir();
    if (dir.empty() || !std::filesystem::exists(dir))
        GTEST_SKIP() << "no assets directory";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".bmp")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const Bytes file = Load(entry.path());
        TMemoryStream stream(file);
        TDIB dib;
        dib.ReadBitmapFile(stream);
        EXPECT_EQ(stream.Position(), stream.Size()); // nothing follows the pixels
        const int bits = dib.BitCount();
        EXPECT_TRUE(bits == 1 || bits == 4 || bits == 8 || bits == 24) << bits;
        EXPECT_EQ(dib.WidthBytes(), testpic::WidthBytes(dib.Width(), bits));
        EXPECT_EQ(dib.Image().PixelsSize(),
                  static_cast<size_t>(dib.WidthBytes()) * static_cast<size_t>(dib.Height()));
        EXPECT_EQ(dib.Handle().size(), QSize(dib.Width(), dib.Height()));
        ++count;
    }
    EXPECT_GT(count, 0);
}

TEST(GamePictures, BoardAndCreditsJpegPictures) {
    const std::filesystem::path dir = AssetsDir();
    if (dir.empty() || !std::filesystem::exists(dir / "plateau.jpg"))
        GTEST_SKIP() << "no JPEG assets";
    struct Case {
        const char* name;
        int width, height;
        bool progressive;
    };
    for (const Case& c :
         {Case{"plateau.jpg", 640, 480, true}, Case{"credits.jpg", 80, 100, false}}) {
        SCOPED_TRACE(c.name);
        TMemoryStream stream(testpic::JpegData(Load(dir / c.name)));
        TJPEGImage image;
        image.ReadStoredData(stream);
        EXPECT_EQ(image.Width(), c.width);
        EXPECT_EQ(image.Height(), c.height);
        EXPECT_EQ(image.ProgressiveEncoding(), c.progressive);
        TDIB& bitmap = image.Bitmap();
        EXPECT_EQ(bitmap.BitCount(), 24);
        EXPECT_EQ(bitmap.Width(), c.width);
        EXPECT_EQ(bitmap.Height(), c.height);
    }
}
