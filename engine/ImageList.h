// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image lists: named pictures kept as stored data and, while the drawing surface is initialised,
// as DirectDraw surfaces in the display's pixel format. Drawing an item copies one of its
// patterns (a rectangle of the picture) onto a destination surface, leaving out the item's
// transparent colour when the item is transparent.
//
// An image list (TDXImageList) registers with its drawing surface: on NotifyInitialize its items
// may make surfaces, on NotifyRestore (the end of every initialisation and every restore after a
// loss) they make them again from their pictures, on NotifyFinalize they drop them.
#include "engine/DXDraw.h"
#include "picture/Picture.h"
#include "platform/DDraw.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Stream.h"

#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TCustomDXDraw;
class TDirectDrawSurface;
class TPictureCollection;
class TCustomDXImageList;
enum class TDXDrawNotifyType;

// The collection cannot be initialised ("%s cannot be initialized" with "TPictureCollection").
class EPictureCollectionError : public Exception {
public:
    using Exception::Exception;
};

// Draws rect of graphic into surface, which is first made w x h (0: the rectangle's size) in the
// display's format. Unstretched, the picture draws itself at the negative of the rectangle's
// origin; stretched, a DIB is drawn straight from its pixels and another picture through a
// temporary bitmap of the rectangle. With TPictureUse::Last the caller makes the picture dormant
// straight after, so that it draws itself at its own size through DrawDormant (a JPEG picture
// then decodes straight onto the surface).
enum class TPictureUse { Kept, Last };
void LoadPicture(TDirectDrawSurface& surface, TGraphic& graphic, int w, int h, const RECT& rect,
                 TPictureUse use = TPictureUse::Kept);

// One pattern: a rectangle of one of the item's surfaces.
struct TPictureCollectionItemPattern {
    RECT Rect;
    TDirectDrawSurface* Surface = nullptr; // one of the item's surfaces, not owned
};

class TPictureCollectionItem {
public:
    explicit TPictureCollectionItem(TPictureCollection& collection);
    // Finalises the item, dropping its surfaces and patterns, then frees its picture.
    ~TPictureCollectionItem();
    TPictureCollectionItem(const TPictureCollectionItem&) = delete;
    TPictureCollectionItem& operator=(const TPictureCollectionItem&) = delete;

    TPictureCollection& Collection() const { return collection_; }

    // Stored properties.
    std::string Name;
    std::int32_t PatternWidth = 0;  // 0 or less: the picture's width
    std::int32_t PatternHeight = 0; // 0 or less: the picture's height
    std::int32_t SkipWidth = 0;     // gaps between pattern cells
    std::int32_t SkipHeight = 0;
    bool SystemMemory = false; // make the surfaces in system memory
    bool Transparent = true;   // leave the transparent colour out when drawing

    TColor TransparentColor() const { return transparentColor_; }
    // A new colour re-keys every surface made so far with the value it has on that surface.
    void SetTransparentColor(TColor value);

    TPicture& Picture() { return *picture_; }
    const TPicture& Picture() const { return *picture_; }
    // Takes a copy of picture.
    void SetPicture(const TPicture& picture);

    // The item's art drawn for a scale (its picture's size times the scale, rounded as
    // ScaledLength rounds), kept beside the picture; an empty picture removes that scale's art.
    // On a drawing surface of scale 1 the picture is drawn. At another scale the surfaces are
    // made of the art drawn for that scale; where there is none, of the art of the nearest larger
    // scale drawn down smoothly, else of the largest (or the picture) drawn up smoothly. Art
    // whose size is not its scale's is never used.
    TPicture& ScaledPicture(double scale);

    // The pattern size, or the picture's size when the pattern size is 0 or less.
    int Width() const;
    int Height() const;

    bool Initialized() const { return initialized_; }
    // The patterns and surfaces; asking for them makes surfaces a restore left to first use.
    int PatternCount() const;
    const TPictureCollectionItemPattern& Patterns(int index) const;
    int SurfaceCount() const;
    TDirectDrawSurface* Surfaces(int index) const;

    // Finalize, then become Initialized when the collection is; no surface is made yet.
    void Initialize();
    // When Initialized: stop being it and drop the surfaces.
    void Finalize();
    // Empties Patterns and destroys every surface.
    void ClearSurfaces();
    // Makes the patterns and surfaces again from the picture; when the collection makes
    // surfaces on first use, drops them and leaves them to be made then.
    void Restore();
    // Draws pattern index at (x, y) on dest; nothing before the item is initialised or for an
    // index outside the patterns.
    void Draw(TDirectDrawSurface* dest, int x, int y, int index) const;

private:
    bool HasPicture() const;
    void MakeSurfaces();
    // Makes the surfaces a restore left to first use, once: a picture that cannot be made into
    // surfaces raises at its first use and then draws nothing until the next restore.
    void MakeDueSurfaces() const;
    // A surface on the drawing surface's device holding rect of the picture, keyed on the
    // transparent colour; use says whether the picture is drawn for another surface after it.
    TDirectDrawSurface* AddSurface(const RECT& rect, TPictureUse use = TPictureUse::Kept);
    void RestoreGrid(int pictureWidth, int pictureHeight);
    // The scale of the drawing surface the surfaces are made for (1 without one).
    double SurfaceScale() const;
    // The art the surfaces are made from at scale: exact (drawn for it) or to be resampled.
    struct TArt {
        TGraphic* Graphic = nullptr;
        bool Exact = false;
    };
    TArt ArtFor(double scale) const;

    TPictureCollection& collection_;
    std::unique_ptr<TPicture> picture_;
    std::vector<std::pair<double, std::unique_ptr<TPicture>>> scaled_; // by increasing scale
    QImage resampled_; // the art drawn for another scale, while surfaces are being made
    TColor transparentColor_ = 0;
    bool initialized_ = false;
    mutable bool surfacesDue_ = false;
    std::vector<TPictureCollectionItemPattern> patterns_;
    std::vector<std::unique_ptr<TDirectDrawSurface>> surfaces_;
};

class TPictureCollection {
public:
    static constexpr const char* ClassName = "TPictureCollection";
    static constexpr std::size_t ColorTableSize = 1024;

    explicit TPictureCollection(TCustomDXImageList* owner = nullptr);
    ~TPictureCollection();
    TPictureCollection(const TPictureCollection&) = delete;
    TPictureCollection& operator=(const TPictureCollection&) = delete;

    TCustomDXImageList* Owner() const { return owner_; }

    int Count() const { return static_cast<int>(items_.size()); }
    // The item at index; outside 0 .. Count - 1, EListError "List index out of bounds (%d)".
    TPictureCollectionItem& Items(int index) const;
    TPictureCollectionItem& Add();
    void Clear();

    // 256 entries of blue, green, red, zero, stored as the binary property "ColorTable"; kept
    // and written back, never used for drawing.
    std::array<std::uint8_t, ColorTableSize> ColorTable{};
    // Reads the stored "ColorTable" value: 1024 bytes ("Stream read error" when fewer are left).
    void ReadColorTable(TStream& stream);
    void WriteColorTable(TStream& stream) const;

    // When set, a restore leaves each item's surfaces to be made at the item's first use (drawn,
    // or its patterns or surfaces asked for), and the stored pictures are decoded then too: a
    // picture not shown yet costs neither start-up time nor memory. Off by default.
    bool SurfacesOnFirstUse = false;

    // The drawing surface the collection is initialised for (null otherwise).
    TCustomDXDraw* DXDraw() const { return dxDraw_; }
    // It has a drawing surface and that drawing surface is initialised.
    bool Initialized() const;

    // Finalize; remember dxDraw; EPictureCollectionError when not initialised now, otherwise
    // Initialize every item in index order.
    void Initialize(TCustomDXDraw* dxDraw);
    // Finalize every item in index order, then (also when one raised) forget the drawing surface.
    void Finalize();
    // Restore every item in index order.
    void Restore();

private:
    TCustomDXImageList* owner_;
    TCustomDXDraw* dxDraw_ = nullptr;
    std::vector<std::unique_ptr<TPictureCollectionItem>> items_;
};

// The image list component ("DXImageList1" ...).
class TCustomDXImageList : public TDXDrawClient {
public:
    TCustomDXImageList();
    // Sets DXDraw to null first (the items drop their surfaces), then destroys the items.
    virtual ~TCustomDXImageList();
    TCustomDXImageList(const TCustomDXImageList&) = delete;
    TCustomDXImageList& operator=(const TCustomDXImageList&) = delete;

    std::string Name;

    TPictureCollection& Items() { return *items_; }
    const TPictureCollection& Items() const { return *items_; }

private:
    void DXDrawNotifyEvent(TCustomDXDraw& sender, TDXDrawNotifyType type) override;

    std::unique_ptr<TPictureCollection> items_;
};

class TDXImageList : public TCustomDXImageList {};
