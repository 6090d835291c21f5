// SPDX-License-Identifier: GPL-3.0-or-later
// The sprite tree: depth order and its tie-break, culling at the surface edges, visibility of
// subtrees, destruction order and the child lists that exist only while there are children.
#include "engine/Sprites.h"

#include "tests/engine/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace {

// A sprite that writes its name into a log when it is drawn and when it is destroyed.
class LoggingSprite : public TSprite {
public:
    LoggingSprite(TSprite* parent, std::string name, std::vector<std::string>& log)
        : TSprite(parent), name_(std::move(name)), log_(log) {}
    ~LoggingSprite() override { log_.push_back("~" + name_); }

protected:
    void DrawSelf() override { log_.push_back(name_); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

std::vector<const TSprite*> DepthOrderOf(const TSprite& sprite) {
    if (!sprite.DepthOrder())
        return {};
    return {sprite.DepthOrder()->begin(), sprite.DepthOrder()->end()};
}

class SpriteTree : public ::testing::Test {
protected:
    std::vector<std::string> log;
    TSpriteEngine engine;

    LoggingSprite* Make(const std::string& name, std::int32_t z = 0, TSprite* parent = nullptr) {
        auto* sprite = new LoggingSprite(parent ? parent : &engine, name, log);
        sprite->Width = 10;
        sprite->Height = 10;
        sprite->X = 5;
        sprite->Y = 5;
        sprite->SetZ(z);
        return sprite;
    }
};

// Draws with a bound surface of the game's size.
class SpriteDrawing : public SpriteTree {
protected:
    SpriteDrawing() : surfaces(637, 470) { engine.SetSurface(&surfaces.Back()); }
    ~SpriteDrawing() override { engine.SetSurface(nullptr); }

    std::vector<std::string> DrawnNames() {
        log.clear();
        engine.Draw();
        return log;
    }

    spritetest::TestSurfaces surfaces;
};

} // namespace

TEST_F(SpriteTree, EverySpriteBelowTheRootKnowsTheEngine) {
    auto* parent = new TSprite(&engine);
    auto* child = new TImageSprite(parent);
    EXPECT_EQ(child->Parent(), parent);
    EXPECT_EQ(child->Engine(), &engine); // through a parent that is no engine
    EXPECT_EQ(parent->Engine(), &engine);
    EXPECT_EQ(engine.Engine(), nullptr);
    EXPECT_EQ(engine.Parent(), nullptr);
    ASSERT_NE(parent->Children(), nullptr);
    EXPECT_EQ(parent->Children()->front(), child);
}

TEST_F(SpriteTree, EqualDepthsPutTheNewestFirstAtCreationAndOnDepthChange) {
    auto* a = Make("a", 2);
    auto* b = Make("b", 2);
    auto* low = Make("low", 1);
    auto* high = Make("high", 4);
    // b was given depth 2 after a: it lies under a.
    EXPECT_EQ(DepthOrderOf(engine), (std::vector<const TSprite*>{low, b, a, high}));

    high->SetZ(2); // now the last one set to 2: lowest of the three
    EXPECT_EQ(DepthOrderOf(engine), (std::vector<const TSprite*>{low, high, b, a}));

    a->SetZ(2); // its current depth: nothing moves
    EXPECT_EQ(DepthOrderOf(engine), (std::vector<const TSprite*>{low, high, b, a}));

    low->SetZ(3);
    EXPECT_EQ(DepthOrderOf(engine), (std::vector<const TSprite*>{high, b, a, low}));

    // Children stay in creation order whatever their depths.
    ASSERT_NE(engine.Children(), nullptr);
    EXPECT_EQ(*engine.Children(), (std::vector<TSprite*>{a, b, low, high}));
}

TEST_F(SpriteTree, AbsolutePositionAddsTheParentsUpToTheRoot) {
    engine.X = 1000; // the root's own position counts, though the engine never moves itself
    auto* parent = Make("p");
    parent->X = 10.25;
    parent->Y = -3.5;
    auto* child = Make("c", 0, parent);
    child->X = 0.5;
    child->Y = 1;
    EXPECT_DOUBLE_EQ(child->AbsoluteX(), 1010.75);
    EXPECT_DOUBLE_EQ(child->AbsoluteY(), -2.5);
    // Bounds truncate toward zero: -2.5 gives -2.
    const RECT r = child->GetBounds();
    EXPECT_EQ(r.left, 1010);
    EXPECT_EQ(r.top, -2);
    EXPECT_EQ(r.right, 1020);
    EXPECT_EQ(r.bottom, 8);
}

TEST_F(SpriteTree, DestroyingASpriteDestroysItsChildrenNewestFirstAndGivesUpTheLists) {
    auto* parent = Make("parent");
    Make("first", 0, parent);
    auto* second = Make("second", 0, parent);
    Make("grandchild", 0, second);
    Make("third", 0, parent);
    ASSERT_EQ(parent->Count(), 3);

    delete parent;
    // Each name is logged as its sprite's destruction begins, before its own children go.
    EXPECT_EQ(log,
              (std::vector<std::string>{"~parent", "~third", "~second", "~grandchild", "~first"}));
    // The engine lost its last child with it.
    EXPECT_EQ(engine.Children(), nullptr);
    EXPECT_EQ(engine.DepthOrder(), nullptr);
}

TEST_F(SpriteTree, ASpriteDestroyedByItsOwnerLeavesItsParentAtOnce) {
    auto* parent = Make("parent");
    auto* a = Make("a", 0, parent);
    auto* b = Make("b", 1, parent);
    delete a;
    ASSERT_NE(parent->Children(), nullptr);
    EXPECT_EQ(*parent->Children(), (std::vector<TSprite*>{b}));
    EXPECT_EQ(DepthOrderOf(*parent), (std::vector<const TSprite*>{b}));
    delete b;
    EXPECT_EQ(parent->Children(), nullptr);
    EXPECT_EQ(parent->DepthOrder(), nullptr);
    // A sprite can have children again after giving its lists up.
    auto* c = Make("c", 0, parent);
    EXPECT_EQ(DepthOrderOf(*parent), (std::vector<const TSprite*>{c}));
}

TEST(SpriteEngineLifetime, DestroyingTheEngineDestroysEverySpriteStillInTheTree) {
    std::vector<std::string> log;
    {
        TSpriteEngine engine;
        auto* board = new LoggingSprite(&engine, "board", log);
        new LoggingSprite(board, "pit", log);
        new LoggingSprite(&engine, "hand", log);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"~hand", "~board", "~pit"}));
}

TEST_F(SpriteDrawing, DrawsLowestDepthFirstParentsBeforeTheirChildren) {
    auto* top = Make("top", 4);
    Make("bottom", 1);
    Make("child-high", 9, top);
    Make("child-low", -5, top);
    Make("middle", 2);
    EXPECT_EQ(DrawnNames(),
              (std::vector<std::string>{"bottom", "middle", "top", "child-low", "child-high"}));
}

TEST_F(SpriteDrawing, CullsByStrictOverlapWithTheSurface) {
    struct Case {
        const char* name;
        double x, y;
        std::int32_t w, h;
        bool drawn;
    };
    const Case cases[] = {
        {"right edge 0", -10, 5, 10, 10, false},
        {"right edge 1", -9, 5, 10, 10, true},
        {"bottom edge 0", 5, -10, 10, 10, false},
        {"left edge width-1", 636, 5, 10, 10, true},
        {"left edge width", 637, 5, 10, 10, false},
        {"top edge height-1", 5, 469, 10, 10, true},
        {"top edge height", 5, 470, 10, 10, false},
        {"start position of a game sprite", -11, -11, 10, 10, false},
        {"-0.5 truncates to 0", -0.5, -0.5, 10, 10, true},
        {"637.9 truncates to 637", 637.9, 5, 10, 10, false},
        {"636.9 truncates to 636", 636.9, 5, 10, 10, true},
        {"size 0 at 0", 0, 5, 0, 0, false},
        {"size 0 at 1", 1, 5, 0, 0, true},
        {"size 0 at y 0", 5, 0, 0, 0, false},
        {"size 0 at width-1", 636, 469, 0, 0, true},
        {"far away", 1e15, -1e300, 10, 10, false},
        {"not a number", std::numeric_limits<double>::quiet_NaN(), 5, 10, 10, false},
    };
    for (const Case& c : cases) {
        auto* sprite = Make(c.name);
        sprite->X = c.x;
        sprite->Y = c.y;
        sprite->Width = c.w;
        sprite->Height = c.h;
        EXPECT_EQ(DrawnNames().size(), c.drawn ? 1u : 0u) << c.name;
        delete sprite;
    }
}

TEST_F(SpriteDrawing, HugeSizesDoNotOverflowTheBounds) {
    auto* sprite = Make("huge");
    sprite->X = 2147483000.0;
    sprite->Width = std::numeric_limits<std::int32_t>::max();
    const RECT r = sprite->GetBounds();
    EXPECT_EQ(r.left, 2147483000);
    EXPECT_EQ(r.right, std::numeric_limits<std::int32_t>::max());
    EXPECT_TRUE(DrawnNames().empty());
}

TEST_F(SpriteDrawing, AnInvisibleSpriteHidesItsChildrenACulledOneDoesNot) {
    auto* hidden = Make("hidden", 1);
    Make("under-hidden", 0, hidden);
    hidden->Visible = false;

    auto* culled = Make("culled", 2);
    culled->X = -100; // its own rectangle ends at -90: culled
    auto* child = Make("under-culled", 0, culled);
    child->X = 150; // absolute 50: on the surface
    EXPECT_EQ(DrawnNames(), (std::vector<std::string>{"under-culled"}));

    hidden->Visible = true;
    EXPECT_EQ(DrawnNames(), (std::vector<std::string>{"hidden", "under-hidden", "under-culled"}));
}

TEST_F(SpriteDrawing, WrappedImageSpritesComeBackRoundTheEdges) {
    auto* sprite = new TImageSprite(&engine);
    sprite->Width = 20;
    sprite->Height = 10;
    sprite->Wrap = true;
    struct Case {
        double x, y;
        int left, top;
    };
    // Period 637 + 20 horizontally, 470 + 10 vertically.
    const Case cases[] = {{700, 5, 43, 5},     {-30, -15, 627, 465}, {637, 470, 637, 470},
                          {638, 471, -19, -9}, {-19, -9, -19, -9},   {-20, -10, 637, 470},
                          {5, 2000, 5, 80}};
    for (const Case& c : cases) {
        sprite->X = c.x;
        sprite->Y = c.y;
        const RECT r = sprite->GetBounds();
        EXPECT_EQ(r.left, c.left) << c.x;
        EXPECT_EQ(r.top, c.top) << c.y;
        EXPECT_EQ(r.right, c.left + 20);
    }
}

TEST(SpriteWrap, WithoutASurfaceAndWithoutASizeNothingIsWrapped) {
    TSpriteEngine engine; // no surface bound: the wrap period would be 0
    auto* sprite = new TImageSprite(&engine);
    sprite->Wrap = true;
    sprite->X = -7;
    sprite->Y = 12;
    const RECT r = sprite->GetBounds();
    EXPECT_EQ(r.left, -7);
    EXPECT_EQ(r.top, 12);
}
