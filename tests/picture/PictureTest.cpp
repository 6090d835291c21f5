// SPDX-License-Identifier: GPL-3.0-or-later
// Reading stored "Picture.Data" values into TPicture: the class name, the registered classes,
// and what the holder keeps when reading fails.
#include "tests/picture/PictureTestSupport.h"

#include <jerror.h>

using namespace picturetest;
using testpic::Bytes;
using testpic::StoredPicture;

namespace {

Bytes SmallDib(int width) {
    testpic::DibLayout layout{.width = width, .height = 2, .bitCount = 24};
    layout.pixels = Bytes(static_cast<size_t>(testpic::WidthBytes(width, 24) * 2), 0x40);
    return testpic::MakeDib(layout);
}

void Read(TPicture& picture, const Bytes& value) {
    TMemoryStream stream(value);
    picture.ReadData(stream);
}

// A picture class of the tests: reads nothing, reports a fixed size.
class TTestGraphic : public TGraphic {
public:
    int Width() const override { return 7; }
    int Height() const override { return 9; }
    bool Empty() const override { return false; }
    void ReadStoredData(TStream&) override {}
    void Draw(platform::DeviceContext&, const QRect&) override {}
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TTestGraphic>(); }
};

} // namespace

TEST(PictureData, TheClassNameChoosesTheReaderAndUnknownNamesGiveNoPicture) {
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&] { ++changes; };
    Read(picture, StoredPicture("TDIB", SmallDib(5)));
    ASSERT_NE(dynamic_cast<TDIB*>(picture.Graphic()), nullptr);
    EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(5, 2));
    static_cast<TDIB*>(picture.Graphic())->SetColorTableEntry(0, {1, 2, 3, 0});
    EXPECT_EQ(changes, 2); // the read, then the picture's own change
    Read(picture, StoredPicture("TJPEGImage", testpic::JpegData(testpic::CreditsJpeg())));
    ASSERT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(80, 100));

    // Names are compared exactly; an unknown one empties the holder and the rest stays unread.
    for (const char* name : {"TPNGImage", "tdib", "TDIBX", "TBitmap"}) {
        Read(picture, StoredPicture("TDIB", SmallDib(3)));
        TMemoryStream stream(StoredPicture(name, SmallDib(4)));
        picture.ReadData(stream);
        EXPECT_EQ(picture.Graphic(), nullptr) << name;
        EXPECT_EQ(picture.Width(), 0);
        EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(1 + std::string(name).size()));
    }

    // Copies are pictures of their own.
    Read(picture, StoredPicture("TDIB", SmallDib(3)));
    TPicture copy;
    copy.Assign(picture);
    ASSERT_NE(copy.Graphic(), nullptr);
    EXPECT_NE(copy.Graphic(), picture.Graphic());
    EXPECT_EQ(copy.Width(), 3);
}

TEST(PictureData, ShortValuesAndFailingReadersKeepThePreviousPicture) {
    TPicture picture;
    Read(picture, StoredPicture("TDIB", SmallDib(3)));
    TGraphic* before = picture.Graphic();
    ExpectRaises<EReadError>([&] { Read(picture, {}); }, "Stream read error");
    ExpectRaises<EReadError>([&] { Read(picture, {10, 'T', 'D', 'I', 'B'}); }, "Stream read error");
    testpic::DibLayout twoBits{.width = 2, .height = 2, .bitCount = 2};
    twoBits.colors.resize(4);
    twoBits.pixels = Bytes(8, 0);
    ExpectRaises<EInvalidGraphicOperation>(
        [&] { Read(picture, StoredPicture("TDIB", testpic::MakeDib(twoBits))); },
        "Bitcount in invalid (2)");
    ExpectRaises<EJPEG>([&] { Read(picture, StoredPicture("TJPEGImage", testpic::JpegData({1}))); },
                        Format("JPEG error #%d", static_cast<int>(JERR_NO_SOI)));
    EXPECT_EQ(picture.Graphic(), before);
    // A DIB value with no byte after the class name is an empty DIB, not an error.
    Read(picture, StoredPicture("TDIB", {}));
    ASSERT_NE(dynamic_cast<TDIB*>(picture.Graphic()), nullptr);
    EXPECT_TRUE(picture.Graphic()->Empty());
}

TEST(PictureData, TheLatestRegistrationComesFirst) {
    RegisterGraphicClass("TDIB", "tst", "Test pictures",
                         [] { return std::make_unique<TTestGraphic>(); });
    TPicture picture;
    Read(picture, StoredPicture("TDIB", SmallDib(3)));
    EXPECT_EQ(picture.Width(), 7);
    UnregisterGraphicClass("TDIB");
    Read(picture, StoredPicture("TDIB", SmallDib(3)));
    EXPECT_EQ(picture.Width(), 3);
}
