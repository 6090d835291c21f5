// SPDX-License-Identifier: GPL-3.0-or-later
// Image lists loaded from the stored description: names, settings and pictures of the items,
// and the read errors of malformed values.
#include "graphics/StoredImageList.h"

#include "graphics/Catalogue.h"
#include "platform/Exception.h"
#include "tests/engine/SpriteTestSupport.h"

#include <gtest/gtest.h>

using namespace spritetest;

namespace {

// The "Picture.Data" value of a stored 8-bit DIB: the class name, a 40-byte header, the colour
// table and bottom-up rows.
ByteBlock StoredDib(int width, int height, std::uint8_t index, std::uint32_t colour) {
    ByteBlock data = {4, 'T', 'D', 'I', 'B'};
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](std::uint16_t v) {
        data.push_back(static_cast<std::uint8_t>(v));
        data.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    put32(40);
    put32(static_cast<std::uint32_t>(width));
    put32(static_cast<std::uint32_t>(height));
    put16(1);
    put16(8);
    for (int i = 0; i < 6; ++i)
        put32(0);
    for (int i = 0; i < 256; ++i)
        put32(i == index ? colour : 0);
    const int widthBytes = (width + 3) / 4 * 4;
    data.insert(data.end(), static_cast<std::size_t>(widthBytes * height), index);
    return data;
}

StoredImageList StoredList() {
    StoredImageList stored;
    stored.Name = "DXImageList2";
    stored.DXDraw = "DXDraw1";
    stored.ColorTable.assign(1024, 0);
    stored.ColorTable[4] = 0x80;
    StoredImageItem first;
    first.Name = "case4";
    first.TransparentColor = 0xFFFFFF;
    first.PictureData = StoredDib(65, 65, 7, 0x00C08040);
    StoredImageItem second;
    second.Name = "fond";
    second.Transparent = false;
    second.SystemMemory = true;
    second.PictureData = StoredDib(3, 2, 1, 0x000000FF);
    stored.Items = {first, second};
    return stored;
}

class StoredImageListTest : public ::testing::Test {
protected:
    StoredImageListTest() : window(637, 470) { list.SetDXDraw(&window.DXDraw()); }
    TDirectDrawSurface& Back() { return *window.DXDraw().Surface(); }
    void ClearBack() { Back().Fill(0x123456); }

    TestWindow window;
    TDXImageList list;
};

} // namespace

TEST_F(StoredImageListTest, LoadsItsItemsFromTheStoredDescription) {
    LoadImageList(list, StoredList());
    EXPECT_EQ(list.Name, "DXImageList2");
    EXPECT_EQ(list.Items().ColorTable[4], 0x80);
    ASSERT_EQ(list.Items().Count(), 2);
    TPictureCollectionItem& first = list.Items().Items(0);
    TPictureCollectionItem& second = list.Items().Items(1);
    EXPECT_EQ(first.Name, "case4");
    EXPECT_EQ(first.TransparentColor(), 0xFFFFFFu);
    EXPECT_TRUE(first.Transparent);
    EXPECT_EQ(first.Width(), 65);
    EXPECT_EQ(first.Height(), 65);
    EXPECT_EQ(second.Name, "fond");
    EXPECT_FALSE(second.Transparent);
    EXPECT_TRUE(second.SystemMemory);

    window.DXDraw().Initialize();
    ClearBack();
    first.Draw(&Back(), 0, 0, 0);
    second.Draw(&Back(), 100, 0, 0);
    EXPECT_EQ(Pixel(Back(), 64, 64), 0xC08040u);
    EXPECT_EQ(Pixel(Back(), 102, 1), 0x0000FFu);
    EXPECT_TRUE(second.Surfaces(0)->SystemMemory());
}

TEST_F(StoredImageListTest, MalformedStoredValuesRaiseReadErrors) {
    StoredImageList shortTable = StoredList();
    shortTable.ColorTable.resize(1000);
    EXPECT_THROW(LoadImageList(list, shortTable), EReadError);

    StoredImageList truncated = StoredList();
    truncated.Items[1].PictureData.resize(60); // the colour table is cut off
    EXPECT_THROW(LoadImageList(list, truncated), EReadError);
    EXPECT_EQ(list.Items().Count(), 2); // the items read so far, the last without a picture
    EXPECT_EQ(list.Items().Items(1).Picture().Graphic(), nullptr);
    window.DXDraw().Initialize();
    EXPECT_EQ(list.Items().Items(1).SurfaceCount(), 0);
}
