// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sprite engine: the scene as a tree of sprites under one root, each sprite's children kept
// in depth order, drawn on request onto the back surface of the drawing surface. Drawing is
// retained: owners change a sprite's fields and ask for a redraw; nothing moves by itself.
//
// Ownership. A sprite made with a parent belongs to that parent from its construction: it must be
// made with new, and the parent destroys it when the parent goes. Its owner (a pit, a hand, ...)
// may destroy it earlier with delete; the sprite then leaves its parent at once. The root, a
// TSpriteEngine, has no parent and is owned by whoever made it (the sprite engine component).
#include "engine/DXDraw.h"
#include "platform/DDraw.h"

#include <cstdint>
#include <memory>
#include <vector>

class TDirectDrawSurface;
class TCustomDXDraw;
class TPictureCollectionItem;
class TSpriteEngine;
enum class TDXDrawNotifyType;

class TSprite {
public:
    // Makes a sprite under parent (or a root when parent is null): appended to the parent's
    // children, inserted into its depth order with depth 0, visible, everything else zero.
    explicit TSprite(TSprite* parent);
    // Destroys the children, the most recently made first, then leaves the parent; a parent left
    // without children gives up its two child lists.
    virtual ~TSprite();
    TSprite(const TSprite&) = delete;
    TSprite& operator=(const TSprite&) = delete;

    // Position relative to the parent, size used for culling and centring, visibility. Writing
    // them has no side effect: the change shows at the next draw.
    double X = 0.0;
    double Y = 0.0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool Visible = true;

    // The root of the tree (null for the root itself) and the parent given at creation.
    TSpriteEngine* Engine() const { return engine_; }
    TSprite* Parent() const { return parent_; }

    // The depth; setting a new value moves the sprite in its parent's depth order, in front of
    // every sibling that already has that depth (so it is drawn under them).
    std::int32_t Z() const { return z_; }
    void SetZ(std::int32_t value);

    // The children in creation order and the same children by ascending depth; both are null
    // while the sprite has no child.
    const std::vector<TSprite*>* Children() const { return children_.get(); }
    const std::vector<TSprite*>* DepthOrder() const { return depthOrder_.get(); }
    int Count() const { return children_ ? static_cast<int>(children_->size()) : 0; }

    // The position on the surface: X plus the parent's AbsoluteX, up to the root.
    double AbsoluteX() const;
    double AbsoluteY() const;

    // The rectangle the sprite covers on the surface: its truncated absolute position and size.
    virtual RECT GetBounds() const;
    // Draws the sprite (when its bounds overlap the surface) and then its children in depth
    // order; an invisible sprite hides its whole subtree.
    void Draw();

    // Class shape of the sprite family; nothing in the program calls these three.
    virtual void Collided(TSprite& /*other*/) {}
    virtual void Step(double /*delta*/) {}
    virtual bool HitTest(int /*x*/, int /*y*/) const { return true; }

protected:
    // Draws this sprite alone onto the engine's surface; the plain sprite draws nothing.
    virtual void DrawSelf() {}
    // Destroys every child, the last of Children first.
    void DestroyChildren();

private:
    void AddChild(TSprite* child);
    void RemoveChild(TSprite* child);
    void InsertByDepth(TSprite* child);

    TSpriteEngine* engine_ = nullptr;
    TSprite* parent_ = nullptr;
    // Owned: the children are destroyed by this sprite (see the ownership note above).
    std::unique_ptr<std::vector<TSprite*>> children_;
    std::unique_ptr<std::vector<TSprite*>> depthOrder_;
    std::int32_t z_ = 0;
};

// A sprite showing one pattern of an image item, centred on the sprite's rectangle.
class TImageSprite : public TSprite {
public:
    explicit TImageSprite(TSprite* parent) : TSprite(parent) {}

    TPictureCollectionItem* Image = nullptr; // not owned
    std::int32_t FirstFrame = 0;
    double FramePos = 0.0;
    // Wrapped round the surface edges (the game never sets it).
    bool Wrap = false;

    // The pattern drawn: FirstFrame + trunc(FramePos).
    std::int32_t Pattern() const;
    RECT GetBounds() const override;

protected:
    // Draws the pattern on the engine's surface; without an image or a surface, nothing.
    void DrawSelf() override;
};

// The root of a sprite tree, drawing onto one surface.
class TSpriteEngine : public TSprite {
public:
    explicit TSpriteEngine(TSprite* parent = nullptr);
    // Every sprite still in the tree is destroyed before the engine goes.
    ~TSpriteEngine() override;

    TDirectDrawSurface* Surface() const { return surface_; }
    // (0, 0, width, height) of the last surface bound; all 0 before one was.
    const RECT& SurfaceRect() const { return surfaceRect_; }

    // Binds the surface the sprites are drawn on and takes its size in its units (the layout's
    // coordinates, whatever its scale); null unbinds it and leaves
    // SurfaceRect as it was.
    void SetSurface(TDirectDrawSurface* surface);

private:
    TDirectDrawSurface* surface_ = nullptr; // not owned
    RECT surfaceRect_;
};

// The sprite engine component ("DXSpriteEngine1"): owns an engine and keeps it bound to the back
// surface of the drawing surface named by its DXDraw property, through that drawing surface's
// notifications.
class TCustomDXSpriteEngine : public TDXDrawClient {
public:
    TCustomDXSpriteEngine();
    // Unbinds from the drawing surface, then destroys the engine and every sprite in it.
    virtual ~TCustomDXSpriteEngine();
    TCustomDXSpriteEngine(const TCustomDXSpriteEngine&) = delete;
    TCustomDXSpriteEngine& operator=(const TCustomDXSpriteEngine&) = delete;

    TSpriteEngine& Engine() const { return *engine_; }

    // Draws the engine when the drawing surface exists and is initialised; otherwise nothing.
    void Draw();

private:
    void DXDrawNotifyEvent(TCustomDXDraw& sender, TDXDrawNotifyType type) override;

    std::unique_ptr<TSpriteEngine> engine_;
};

class TDXSpriteEngine : public TCustomDXSpriteEngine {};
