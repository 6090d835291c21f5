// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Sprites.h"

#include "engine/DXDraw.h"
#include "engine/DirectX.h"
#include "engine/ImageList.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::int64_t IntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t IntMax = std::numeric_limits<std::int32_t>::max();

std::int32_t Saturate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp(value, IntMin, IntMax));
}

// Truncation toward zero of a position. Positions far outside the 32-bit range (or not a
// number) are pinned to its ends instead of overflowing: such a sprite lies off the surface.
std::int32_t Truncate(double value) {
    if (std::isnan(value))
        return static_cast<std::int32_t>(IntMin);
    if (value <= static_cast<double>(IntMin))
        return static_cast<std::int32_t>(IntMin);
    if (value >= static_cast<double>(IntMax))
        return static_cast<std::int32_t>(IntMax);
    return static_cast<std::int32_t>(value);
}

RECT BoundsAt(std::int64_t x, std::int64_t y, std::int32_t width, std::int32_t height) {
    RECT r;
    r.left = Saturate(x);
    r.top = Saturate(y);
    r.right = Saturate(x + width);
    r.bottom = Saturate(y + height);
    return r;
}

bool Overlaps(const RECT& surface, const RECT& r) {
    return surface.left < r.right && surface.right > r.left && surface.top < r.bottom &&
           surface.bottom > r.top;
}

// Wraps a coordinate round an edge: into the range -size .. edge, with a period of edge + size.
std::int64_t WrapCoordinate(std::int64_t value, std::int64_t edge, std::int64_t size) {
    const std::int64_t period = edge + size;
    if (period <= 0) // no surface bound yet and no size: there is nothing to wrap round
        return value;
    value %= period;
    if (value < 0)
        value += period;
    if (value > edge)
        value -= period;
    return value;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TSprite

TSprite::TSprite(TSprite* parent) : parent_(parent) {
    if (parent_) {
        parent_->AddChild(this);
        if (auto* engine = dynamic_cast<TSpriteEngine*>(parent_))
            engine_ = engine;
        else
            engine_ = parent_->engine_;
    }
    Visible = true;
}

TSprite::~TSprite() {
    DestroyChildren();
    if (parent_)
        parent_->RemoveChild(this);
}

void TSprite::DestroyChildren() {
    // Each child takes itself out of the lists as it goes; the lists go with the last one.
    while (children_)
        delete children_->back();
}

void TSprite::AddChild(TSprite* child) {
    if (!children_) {
        children_ = std::make_unique<std::vector<TSprite*>>();
        depthOrder_ = std::make_unique<std::vector<TSprite*>>();
    }
    children_->push_back(child);
    InsertByDepth(child);
}

void TSprite::RemoveChild(TSprite* child) {
    if (!children_)
        return;
    std::erase(*children_, child);
    std::erase(*depthOrder_, child);
    if (children_->empty()) {
        children_.reset();
        depthOrder_.reset();
    }
}

void TSprite::InsertByDepth(TSprite* child) {
    // The first position whose depth is not below the child's: the child goes in front of its
    // siblings of equal depth, so it is drawn before them and lies under them.
    const auto at = std::lower_bound(depthOrder_->begin(), depthOrder_->end(), child->z_,
                                     [](const TSprite* s, std::int32_t z) { return s->z_ < z; });
    depthOrder_->insert(at, child);
}

void TSprite::SetZ(std::int32_t value) {
    if (value == z_)
        return;
    z_ = value;
    if (parent_) {
        std::erase(*parent_->depthOrder_, this);
        parent_->InsertByDepth(this);
    }
}

double TSprite::AbsoluteX() const {
    return parent_ ? X + parent_->AbsoluteX() : X;
}

double TSprite::AbsoluteY() const {
    return parent_ ? Y + parent_->AbsoluteY() : Y;
}

RECT TSprite::GetBounds() const {
    return BoundsAt(Truncate(AbsoluteX()), Truncate(AbsoluteY()), Width, Height);
}

void TSprite::Draw() {
    if (!Visible)
        return;
    if (engine_ && Overlaps(engine_->SurfaceRect(), GetBounds()))
        DrawSelf();
    // A culled sprite's children are still drawn: they may lie elsewhere. The list is read
    // afresh at every step, in case drawing changed it.
    for (std::size_t i = 0; depthOrder_ && i < depthOrder_->size(); ++i)
        (*depthOrder_)[i]->Draw();
}

// ---------------------------------------------------------------------------------------------
// TImageSprite

std::int32_t TImageSprite::Pattern() const {
    return Saturate(static_cast<std::int64_t>(FirstFrame) + Truncate(FramePos));
}

RECT TImageSprite::GetBounds() const {
    std::int64_t x = Truncate(AbsoluteX());
    std::int64_t y = Truncate(AbsoluteY());
    if (Wrap) {
        RECT surface;
        if (Engine())
            surface = Engine()->SurfaceRect();
        x = WrapCoordinate(x, surface.right, Width);
        y = WrapCoordinate(y, surface.bottom, Height);
    }
    return BoundsAt(x, y, Width, Height);
}

void TImageSprite::DrawSelf() {
    if (!Image || !Engine() || !Engine()->Surface())
        return;
    const RECT r = GetBounds();
    // Centred: the integer halves of the size differences, truncated toward zero.
    const std::int64_t dx = (static_cast<std::int64_t>(Width) - Image->Width()) / 2;
    const std::int64_t dy = (static_cast<std::int64_t>(Height) - Image->Height()) / 2;
    Image->Draw(Engine()->Surface(), Saturate(r.left + dx), Saturate(r.top + dy), Pattern());
}

// ---------------------------------------------------------------------------------------------
// TSpriteEngine

TSpriteEngine::TSpriteEngine(TSprite* parent) : TSprite(parent) {}

TSpriteEngine::~TSpriteEngine() {
    // The sprites go while the engine is still whole: their destructors may look at it.
    DestroyChildren();
}

void TSpriteEngine::SetSurface(TDirectDrawSurface* surface) {
    surface_ = surface;
    if (surface_) {
        // In the surface's units: the sprites keep the layout's coordinates at every scale.
        surfaceRect_ = RECT{0, 0, surface_->UnitWidth(), surface_->UnitHeight()};
        Width = surface_->UnitWidth();
        Height = surface_->UnitHeight();
    }
}

// ---------------------------------------------------------------------------------------------
// TCustomDXSpriteEngine

TCustomDXSpriteEngine::TCustomDXSpriteEngine() : engine_(std::make_unique<TSpriteEngine>()) {}

TCustomDXSpriteEngine::~TCustomDXSpriteEngine() {
    SetDXDraw(nullptr);
    engine_.reset();
}

void TCustomDXSpriteEngine::Draw() {
    if (DXDraw() && DXDraw()->Initialized())
        engine_->Draw();
}

void TCustomDXSpriteEngine::DXDrawNotifyEvent(TCustomDXDraw& sender, TDXDrawNotifyType type) {
    switch (type) {
    case TDXDrawNotifyType::NotifyDestroying:
        SetDXDraw(nullptr);
        break;
    case TDXDrawNotifyType::NotifyInitialize:
        engine_->SetSurface(sender.Surface());
        break;
    case TDXDrawNotifyType::NotifyFinalize:
        engine_->SetSurface(nullptr);
        break;
    default:
        break;
    }
}
