// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures as the window data stores them: a picture holder (TPicture) whose "Data" value names
// the picture class that reads the rest, the picture classes' common base (TGraphic) and the
// table of registered picture classes.
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Stream.h"

#include <QRect>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// A picture's data cannot be read ("DIB is invalid").
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// An operation a picture does not allow ("Bitcount in invalid (%d)", "PixelFormat in invalid",
// "Cannot change the size of a JPEG image").
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

// A drawing resource cannot be had ("%s cannot be made" with "DIB").
class EOutOfResources : public Exception {
public:
    using Exception::Exception;
};

// The base of the picture classes: a size, a stored form it reads, and painting itself onto a
// rectangle of a device context.
class TGraphic {
public:
    TGraphic() = default;
    virtual ~TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;

    // Reads the class's own data from the stream, which holds nothing after the picture value.
    virtual void ReadStoredData(TStream& stream) = 0;
    // Paints the whole picture stretched onto rect of the device context.
    virtual void Draw(platform::DeviceContext& dc, const QRect& rect) = 0;
    // A picture with the same content (images are shared, not copied).
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    // Gives back the memory of the forms the picture makes from its own data to paint itself
    // (a DIB's drawable image, a JPEG picture's decoded bitmap); the next paint makes them
    // again, with the same result. For a holder that has made what it needed from the picture.
    virtual void Dormant() {}
    // Draw(canvas, x, y) then Dormant(), for a holder that keeps what is painted: the picture
    // may then paint without making the forms it would keep (a JPEG picture not yet decoded
    // decodes straight onto a 32-bit canvas).
    virtual void DrawDormant(TCanvas& canvas, int x, int y);

    // The canvas forms: the picture at its own size with its top-left corner at (x, y), or
    // stretched onto rect. An empty picture paints nothing.
    void Draw(TCanvas& canvas, int x, int y);
    void StretchDraw(TCanvas& canvas, const QRect& rect);

    // Called whenever the picture's content changed.
    std::function<void()> OnChange;

protected:
    void Changed() const;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// The registered picture classes: class name, file extension and description. "TDIB" ("dib",
// "Device Independent Bitmap") and "TJPEGImage" ("jpeg" and "jpg", "JPEG Image File") are
// registered from the start, in that order.
struct TGraphicClassEntry {
    std::string ClassName;
    std::string Extension;
    std::string Description;
    TGraphicFactory Create;
};
void RegisterGraphicClass(const std::string& className, const std::string& extension,
                          const std::string& description, TGraphicFactory create);
// Takes away the latest registration under className (tests use it to undo theirs).
void UnregisterGraphicClass(const std::string& className);
const std::vector<TGraphicClassEntry>& GraphicClasses();
// An object of the class registered under className (exact, case-sensitive; the latest
// registration first), or null when no class bears that name.
std::unique_ptr<TGraphic> CreateGraphic(const std::string& className);

// The picture holder: at most one picture, read from a stored "Picture.Data" value.
class TPicture {
public:
    TPicture() = default;
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // The picture, or null when the holder is empty.
    TGraphic* Graphic() const { return graphic_.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // Takes a copy of source's picture (none when source is empty).
    void Assign(const TPicture& source);

    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Reads the "Data" value: one byte n, a class name of n bytes, then that class's data.
    // A name no registered class bears empties the holder and leaves the rest unread. When the
    // class's reader raises, the holder keeps its previous picture and the exception passes on.
    void ReadData(TStream& stream);

    // Paints the picture at its size at (x, y) / stretched onto rect; nothing when empty.
    void Draw(TCanvas& canvas, int x, int y);
    void StretchDraw(TCanvas& canvas, const QRect& rect);

    // Called when the holder takes another picture or its picture changes.
    std::function<void()> OnChange;

private:
    void Changed() const;

    std::unique_ptr<TGraphic> graphic_;
};
