// SPDX-License-Identifier: GPL-3.0-or-later
// Image lists on a live drawing surface: patterns and surfaces made from pictures, drawing with
// and without the transparent colour, clipping at the surface edges, re-keying, the grid of
// patterns, and the lifecycle through the drawing surface's notifications.
#include "engine/ImageList.h"

#include "tests/engine/ImageListTestSupport.h"

#include <gtest/gtest.h>

using namespace spritetest;

namespace {

constexpr std::uint32_t Marker = 0x123456;
constexpr std::uint32_t Red = 0xFF0000;
constexpr std::uint32_t Green = 0x00FF00;
constexpr std::uint32_t Blue = 0x0000FF;

// 4 x 2: black (index 0) corners, red, green and blue inside.
std::unique_ptr<TDIB> SmallDib() {
    return MakeDib({{0, 1, 2, 0}, {3, 1, 2, 3}}, {0x000000, Red, Green, Blue});
}

class ImageListTest : public ::testing::Test {
protected:
    ImageListTest() : window(637, 470) { list.SetDXDraw(&window.DXDraw()); }

    TPictureCollectionItem& AddItem(std::unique_ptr<TGraphic> graphic) {
        TPictureCollectionItem& item = list.Items().Add();
        item.Picture().SetGraphic(std::move(graphic));
        return item;
    }
    TDirectDrawSurface& Back() { return *window.DXDraw().Surface(); }
    void ClearBack() { Back().Fill(Marker); }
    // The colours of a row of the back surface from x, count pixels long.
    std::vector<std::uint32_t> Row(int x, int y, int count) {
        std::vector<std::uint32_t> row;
        for (int i = 0; i < count; ++i)
            row.push_back(Pixel(Back(), x + i, y));
        return row;
    }

    TestWindow window;
    TDXImageList list;
};

using Pixels = std::vector<std::uint32_t>;

} // namespace

TEST_F(ImageListTest, AnItemWithPatternSizeZeroHasOnePatternCoveringItsPicture) {
    TPictureCollectionItem& item = AddItem(SmallDib());
    EXPECT_EQ(item.Width(), 4);
    EXPECT_EQ(item.Height(), 2);
    EXPECT_FALSE(item.Initialized());
    window.DXDraw().Initialize();

    ASSERT_TRUE(item.Initialized());
    ASSERT_EQ(item.PatternCount(), 1);
    ASSERT_EQ(item.SurfaceCount(), 1);
    const TPictureCollectionItemPattern& pattern = item.Patterns(0);
    EXPECT_EQ(pattern.Rect.right, 4);
    EXPECT_EQ(pattern.Rect.bottom, 2);
    EXPECT_EQ(pattern.Surface, item.Surfaces(0));
    EXPECT_EQ(pattern.Surface->Width(), 4);
    EXPECT_EQ(pattern.Surface->Height(), 2);

    ClearBack();
    item.Draw(&Back(), 0, 0, 1);
    item.Draw(&Back(), 0, 0, -1);
    EXPECT_EQ(Row(0, 0, 4), Pixels(4, Marker));
    item.Draw(&Back(), 0, 0, 0);
    EXPECT_EQ(Row(0, 1, 4), (Pixels{Blue, Red, Green, Blue}));
}

TEST_F(ImageListTest, TransparentItemsLeaveTheKeyColourOutOpaqueOnesCopyEverything) {
    TPictureCollectionItem& item = AddItem(SmallDib()); // transparent, keyed on black
    window.DXDraw().Initialize();

    ClearBack();
    item.Draw(&Back(), 10, 20, 0);
    EXPECT_EQ(Row(10, 20, 4), (Pixels{Marker, Red, Green, Marker}));
    EXPECT_EQ(Row(10, 21, 4), (Pixels{Blue, Red, Green, Blue}));

    item.Transparent = false;
    ClearBack();
    item.Draw(&Back(), 10, 20, 0);
    EXPECT_EQ(Row(10, 20, 4), (Pixels{0, Red, Green, 0}));
}

TEST_F(ImageListTest, ChangingTheTransparentColourReKeysEverySurface) {
    // Two patterns 515 pixels wide lie on two blocks, so on two surfaces; each begins with
    // black, red, green, black and is blue elsewhere.
    std::vector<std::uint8_t> line(1030, 3);
    const std::uint8_t head[] = {0, 1, 2, 0};
    for (std::size_t start : {0u, 515u})
        for (std::size_t i = 0; i < 4; ++i)
            line[start + i] = head[i];
    TPictureCollectionItem& item = AddItem(MakeDib({line, line}, {0x000000, Red, Green, Blue}));
    item.PatternWidth = 515;
    window.DXDraw().Initialize();
    ASSERT_EQ(item.PatternCount(), 2);
    ASSERT_EQ(item.SurfaceCount(), 2);

    auto drawBoth = [&] {
        ClearBack();
        item.Draw(&Back(), 0, 0, 0);
        item.Draw(&Back(), 0, 10, 1);
    };
    item.SetTransparentColor(RGB(255, 0, 0));
    drawBoth();
    for (int y : {0, 10})
        EXPECT_EQ(Row(0, y, 5), (Pixels{0, Marker, Green, 0, Blue})) << y;

    item.SetTransparentColor(RGB(0, 0, 255));
    drawBoth();
    for (int y : {0, 10})
        EXPECT_EQ(Row(0, y, 5), (Pixels{0, Red, Green, 0, Marker})) << y;
}

TEST_F(ImageListTest, DrawingIsClippedToTheDestination) {
    TPictureCollectionItem& item = AddItem(SmallDib());
    item.Transparent = false;
    window.DXDraw().Initialize();

    ClearBack();
    item.Draw(&Back(), -2, -1, 0); // only the right half of the bottom line lands
    EXPECT_EQ(Row(0, 0, 3), (Pixels{Green, Blue, Marker}));
    EXPECT_EQ(Pixel(Back(), 0, 1), Marker);

    ClearBack();
    item.Draw(&Back(), 636, 469, 0); // only the top-left pixel lands
    EXPECT_EQ(Pixel(Back(), 636, 469), 0u);
    EXPECT_EQ(Pixel(Back(), 635, 469), Marker);

    ClearBack();
    for (const auto& [x, y] : {std::pair{637, 0},
                               {0, 470},
                               {638, 0},
                               {0, 471},
                               {-4, 0},
                               {0, -2},
                               {-100000, 5},
                               {2147483647, 2147483647}})
        item.Draw(&Back(), x, y, 0);
    EXPECT_EQ(Row(0, 0, 4), Pixels(4, Marker));
    EXPECT_EQ(Row(633, 469, 4), Pixels(4, Marker));
    EXPECT_EQ(Row(0, 469, 4), Pixels(4, Marker));
    EXPECT_EQ(Row(633, 0, 4), Pixels(4, Marker));
}

TEST_F(ImageListTest, AGridOfPatternsIsCutIntoBlocksInVideoMemoryAndKeptWholeInSystemMemory) {
    // 1100 x 50 picture, cells 100 x 20 with gaps of 10: 10 columns and 2 rows. In video memory
    // blocks are 550 pixels wide (5 cells) and 60 high (2 cells, capped at the rows).
    auto makeItem = [&](bool systemMemory) -> TPictureCollectionItem& {
        TPictureCollectionItem& item = AddItem(std::make_unique<PatternGraphic>(1100, 50));
        item.PatternWidth = 100;
        item.PatternHeight = 20;
        item.SkipWidth = 10;
        item.SkipHeight = 10;
        item.SystemMemory = systemMemory;
        item.Transparent = false;
        return item;
    };
    TPictureCollectionItem& video = makeItem(false);
    TPictureCollectionItem& system = makeItem(true);
    window.DXDraw().Initialize();

    ASSERT_EQ(video.PatternCount(), 20);
    ASSERT_EQ(video.SurfaceCount(), 2);
    EXPECT_EQ(video.Surfaces(0)->Width(), 550);
    EXPECT_EQ(video.Surfaces(0)->Height(), 50); // cut to the picture
    EXPECT_EQ(video.Patterns(4).Surface, video.Surfaces(0));
    EXPECT_EQ(video.Patterns(5).Surface, video.Surfaces(1));
    EXPECT_EQ(video.Patterns(5).Rect.left, 0);
    EXPECT_EQ(video.Patterns(16).Rect.left, 110);
    EXPECT_EQ(video.Patterns(16).Rect.top, 30);

    ASSERT_EQ(system.PatternCount(), 20);
    ASSERT_EQ(system.SurfaceCount(), 1);
    EXPECT_TRUE(system.Surfaces(0)->SystemMemory());
    EXPECT_EQ(system.Patterns(16).Rect.left, 660);
    EXPECT_EQ(system.Patterns(16).Rect.right, 760);
    EXPECT_EQ(system.Patterns(16).Rect.bottom, 50);

    // Both draw the same cell: row 1, column 6 of the picture.
    for (TPictureCollectionItem* item : {&video, &system}) {
        ClearBack();
        item->Draw(&Back(), 0, 0, 16);
        EXPECT_EQ(Pixel(Back(), 0, 0), PatternGraphic::ColourAt(660, 30));
        EXPECT_EQ(Pixel(Back(), 99, 19), PatternGraphic::ColourAt(759, 49));
        EXPECT_EQ(Pixel(Back(), 100, 0), Marker);
    }
}

TEST_F(ImageListTest, CellsThatCannotBeCutGiveNoPatterns) {
    TPictureCollectionItem& tooBig = AddItem(std::make_unique<PatternGraphic>(30, 30));
    tooBig.PatternWidth = 40; // wider than the picture: no column
    TPictureCollectionItem& noSize = AddItem(std::make_unique<PatternGraphic>(30, 30));
    noSize.PatternWidth = 5;
    noSize.SkipWidth = -5; // cells of width 0
    TPictureCollectionItem& tooMany = AddItem(std::make_unique<PatternGraphic>(1000, 1000));
    tooMany.PatternWidth = 1;
    tooMany.PatternHeight = 1;
    // A million one-pixel cells are refused rather than made.
    EXPECT_THROW(window.DXDraw().Initialize(), EPictureCollectionError);
    tooMany.PatternWidth = 0;
    tooMany.PatternHeight = 0;
    window.DXDraw().Initialize();
    EXPECT_EQ(tooBig.PatternCount(), 0);
    EXPECT_EQ(noSize.PatternCount(), 0);
    tooBig.Draw(&Back(), 0, 0, 0); // nothing to draw, and no failure
}

TEST_F(ImageListTest, PicturesOfOtherClassesDrawThemselvesAtTheirOwnSizeOrStretched) {
    auto graphic = std::make_unique<PatternGraphic>(8, 6);
    PatternGraphic* pattern = graphic.get();
    TPictureCollectionItem& item = AddItem(std::move(graphic));
    item.Transparent = false;
    window.DXDraw().Initialize();
    EXPECT_EQ(pattern->paints, 1); // converted once, when the surfaces are made
    TDirectDrawSurface* surface = item.Surfaces(0);
    EXPECT_EQ(Pixel(*surface, 7, 5), PatternGraphic::ColourAt(7, 5));

    // A rectangle of the picture at its own size: drawn at the negative of its origin.
    LoadPicture(*surface, *item.Picture().Graphic(), 0, 0, RECT{2, 1, 6, 4});
    EXPECT_EQ(surface->Width(), 4);
    EXPECT_EQ(surface->Height(), 3);
    EXPECT_EQ(Pixel(*surface, 0, 0), PatternGraphic::ColourAt(2, 1));
    EXPECT_EQ(Pixel(*surface, 3, 2), PatternGraphic::ColourAt(5, 3));

    // Stretched to twice the size through a bitmap of the rectangle.
    LoadPicture(*surface, *item.Picture().Graphic(), 8, 6, RECT{2, 1, 6, 4});
    EXPECT_EQ(surface->Width(), 8);
    EXPECT_EQ(Pixel(*surface, 0, 0), PatternGraphic::ColourAt(2, 1));
    EXPECT_EQ(Pixel(*surface, 1, 1), PatternGraphic::ColourAt(2, 1));
    EXPECT_EQ(Pixel(*surface, 7, 5), PatternGraphic::ColourAt(5, 3));

    // A DIB stretched straight from its pixels.
    const std::unique_ptr<TDIB> dib = SmallDib();
    LoadPicture(*surface, *dib, 8, 4, RECT{0, 0, 4, 2});
    EXPECT_EQ(Pixel(*surface, 2, 0), Red);
    EXPECT_EQ(Pixel(*surface, 3, 1), Red);
    EXPECT_EQ(Pixel(*surface, 7, 3), Blue);
}

TEST_F(ImageListTest, ItemsFollowTheDrawingSurfaceThroughFinalizeAndLoss) {
    TPictureCollectionItem& item = AddItem(SmallDib());
    item.Transparent = false;
    window.DXDraw().Initialize();
    EXPECT_EQ(list.Items().DXDraw(), &window.DXDraw());

    // Lost surfaces come back with rubbish in them; the restore draws the pictures again.
    platform::LoseAllDDrawSurfaces();
    window.DXDraw().Flip();
    ASSERT_EQ(item.SurfaceCount(), 1);
    ClearBack();
    item.Draw(&Back(), 0, 0, 0);
    EXPECT_EQ(Row(0, 1, 4), (Pixels{Blue, Red, Green, Blue}));

    window.DXDraw().Finalize();
    EXPECT_FALSE(item.Initialized());
    EXPECT_EQ(item.SurfaceCount(), 0);
    EXPECT_EQ(item.PatternCount(), 0);
    EXPECT_EQ(list.Items().DXDraw(), nullptr);

    // Initialising again gives a complete new set.
    window.DXDraw().Initialize();
    EXPECT_TRUE(item.Initialized());
    EXPECT_EQ(item.SurfaceCount(), 1);
}

TEST_F(ImageListTest, SurfacesLeftToFirstUseAreMadeOnceWhenFirstDrawnOrAskedFor) {
    list.Items().SurfacesOnFirstUse = true;
    TPictureCollectionItem& shown = AddItem(SmallDib());
    shown.Transparent = false;
    TPictureCollectionItem& unused = AddItem(std::make_unique<PatternGraphic>(40, 30));
    auto* unusedPicture = static_cast<PatternGraphic*>(unused.Picture().Graphic());
    const int objectsBefore = platform::LiveDDrawObjects();
    window.DXDraw().Initialize();
    const int objectsInitialised = platform::LiveDDrawObjects();
    EXPECT_TRUE(unused.Initialized());

    // Drawn: its surface is made then, with the picture's pixels, and kept.
    ClearBack();
    shown.Draw(&Back(), 0, 0, 0);
    EXPECT_EQ(Row(0, 1, 4), (Pixels{Blue, Red, Green, Blue}));
    EXPECT_EQ(platform::LiveDDrawObjects(), objectsInitialised + 1);
    shown.Draw(&Back(), 4, 0, 0);
    EXPECT_EQ(platform::LiveDDrawObjects(), objectsInitialised + 1);
    // Never shown: never painted onto a surface, until asked for.
    EXPECT_EQ(unusedPicture->paints, 0);
    EXPECT_EQ(unused.PatternCount(), 1);
    EXPECT_EQ(unusedPicture->paints, 1);
    EXPECT_EQ(unused.Surfaces(0)->Width(), 40);

    // A loss drops them again; the next use remakes them with the picture.
    platform::LoseAllDDrawSurfaces();
    window.DXDraw().Flip();
    EXPECT_EQ(unusedPicture->paints, 1);
    ClearBack();
    shown.Draw(&Back(), 0, 0, 0);
    EXPECT_EQ(Row(0, 1, 4), (Pixels{Blue, Red, Green, Blue}));
    EXPECT_EQ(unused.SurfaceCount(), 1);
    EXPECT_EQ(unusedPicture->paints, 2);

    // Finalised before any use: nothing is made for an item that is no longer initialised.
    window.DXDraw().Finalize();
    window.DXDraw().Initialize();
    window.DXDraw().Finalize();
    EXPECT_EQ(unused.SurfaceCount(), 0);
    EXPECT_EQ(unusedPicture->paints, 2);
    EXPECT_EQ(platform::LiveDDrawObjects(), objectsBefore);
}

TEST_F(ImageListTest, APictureThatCannotBeMadeAtFirstUseRaisesOnceThenDrawsNothing) {
    list.Items().SurfacesOnFirstUse = true;
    TPictureCollectionItem& tooMany = AddItem(std::make_unique<PatternGraphic>(1000, 1000));
    tooMany.PatternWidth = 1;
    tooMany.PatternHeight = 1;
    window.DXDraw().Initialize(); // nothing is made yet, so nothing is refused yet
    EXPECT_THROW(tooMany.Draw(&Back(), 0, 0, 0), EPictureCollectionError);
    // Not tried again at every frame.
    ClearBack();
    tooMany.Draw(&Back(), 0, 0, 0);
    EXPECT_EQ(tooMany.PatternCount(), 0);
    EXPECT_EQ(Pixel(Back(), 0, 0), Marker);
    // A picture made right is made at the next restore's first use.
    tooMany.PatternWidth = 0;
    tooMany.PatternHeight = 0;
    platform::LoseAllDDrawSurfaces();
    window.DXDraw().Flip();
    EXPECT_EQ(tooMany.PatternCount(), 1);
}

TEST_F(ImageListTest, ItemsWithoutAPictureOrWithAnEmptyOneMakeNoSurface) {
    TPictureCollectionItem& none = list.Items().Add();
    TPictureCollectionItem& empty = AddItem(std::make_unique<TDIB>());
    window.DXDraw().Initialize();
    EXPECT_TRUE(none.Initialized());
    EXPECT_EQ(none.SurfaceCount(), 0);
    EXPECT_EQ(empty.SurfaceCount(), 0);
    EXPECT_EQ(none.Width(), 0);
}

TEST_F(ImageListTest, AListBoundLaterCatchesUpAndAListUnboundDropsItsSurfaces) {
    window.DXDraw().Initialize();
    TDXImageList late;
    TPictureCollectionItem& item = late.Items().Add();
    item.Picture().SetGraphic(SmallDib());
    late.SetDXDraw(&window.DXDraw()); // told Initialize and Restore at once
    EXPECT_EQ(item.SurfaceCount(), 1);
    late.SetDXDraw(nullptr); // told Finalize
    EXPECT_EQ(item.SurfaceCount(), 0);
    EXPECT_FALSE(item.Initialized());
}

TEST_F(ImageListTest, TheListLetsGoOfADrawingSurfaceThatIsDestroyedOrRemoved) {
    {
        TestWindow other(100, 100);
        list.SetDXDraw(&other.DXDraw());
    }
    EXPECT_EQ(list.DXDraw(), nullptr);
    list.SetDXDraw(&window.DXDraw());
    list.ComponentRemoved(&window.Form());
    EXPECT_EQ(list.DXDraw(), &window.DXDraw());
    list.ComponentRemoved(&window.DXDraw());
    EXPECT_EQ(list.DXDraw(), nullptr);
}

TEST(PictureCollection, RefusesToInitialiseWithoutAnInitialisedDrawingSurface) {
    TestWindow window(50, 50);
    TPictureCollection collection;
    try {
        collection.Initialize(&window.DXDraw());
        FAIL() << "initialised";
    } catch (const EPictureCollectionError& error) {
        EXPECT_STREQ(error.what(), "TPictureCollection cannot be initialized");
    }
    EXPECT_FALSE(collection.Initialized());
    EXPECT_THROW(collection.Initialize(nullptr), EPictureCollectionError);
}

TEST(PictureCollection, AnIndexOutsideTheItemsRaisesTheListIndexError) {
    TPictureCollection collection;
    collection.Add();
    collection.Add();
    EXPECT_NO_THROW(collection.Items(1));
    for (int index : {2, -1}) {
        try {
            collection.Items(index);
            FAIL() << index;
        } catch (const EListError& error) {
            EXPECT_EQ(error.Message(), Format("List index out of bounds (%d)", index));
        }
    }
}
