// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/JPEG.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

namespace {

constexpr std::size_t kSourceBlock = 4096;
constexpr long kMaxDecoderMemory = 256L * 1024 * 1024;

// Fatal libjpeg errors leave libjpeg through longjmp back into Decompressor::Guarded, which
// turns them into EJPEG; warnings and trace messages are dropped.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* manager = reinterpret_cast<ErrorManager*>(cinfo->err);
    manager->code = cinfo->err->msg_code;
    std::longjmp(manager->jump, 1);
}
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}

// Stops pictures with more scans than any picture of the game could need.
void ProgressMonitor(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > TJPEGImage::MaxScans)
        ERREXIT(cinfo, JERR_BAD_PROGRESSION);
}

// Hands libjpeg the held bytes from their start in blocks of 4096 bytes. Past the last byte it
// supplies an end-of-image marker with a warning, so a truncated picture still decodes; no
// bytes at all is a fatal error.
struct SourceManager {
    jpeg_source_mgr pub;
    const JOCTET* data;
    std::size_t size;
    std::size_t offset;
    bool startOfFile;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

SourceManager* Source(j_decompress_ptr cinfo) {
    return reinterpret_cast<SourceManager*>(cinfo->src);
}

void InitSource(j_decompress_ptr cinfo) {
    Source(cinfo)->offset = 0;
    Source(cinfo)->startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    SourceManager* src = Source(cinfo);
    if (src->offset >= src->size) {
        if (src->startOfFile)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        src->pub.next_input_byte = kEndOfImage;
        src->pub.bytes_in_buffer = sizeof kEndOfImage;
    } else {
        const std::size_t count = std::min(kSourceBlock, src->size - src->offset);
        src->pub.next_input_byte = src->data + src->offset;
        src->pub.bytes_in_buffer = count;
        src->offset += count;
    }
    src->startOfFile = false;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0)
        return;
    SourceManager* src = Source(cinfo);
    auto skip = static_cast<std::size_t>(count);
    if (skip <= src->pub.bytes_in_buffer) {
        src->pub.next_input_byte += skip;
        src->pub.bytes_in_buffer -= skip;
        return;
    }
    skip -= src->pub.bytes_in_buffer;
    src->pub.bytes_in_buffer = 0;
    src->offset += std::min(skip, src->size - std::min(src->offset, src->size));
}

void TermSource(j_decompress_ptr) {}

// A libjpeg decompressor reading held bytes, destroyed whatever happens.
class Decompressor {
public:
    explicit Decompressor(const std::vector<std::uint8_t>& bytes) {
        cinfo.err = jpeg_std_error(&error_.pub);
        error_.pub.error_exit = ErrorExit;
        error_.pub.emit_message = EmitMessage;
        error_.pub.output_message = OutputMessage;
        Guarded([this] { jpeg_create_decompress(&cinfo); });
        cinfo.mem->max_memory_to_use = kMaxDecoderMemory;
        progress_.progress_monitor = ProgressMonitor;
        cinfo.progress = &progress_;
        source_.pub.init_source = InitSource;
        source_.pub.fill_input_buffer = FillInputBuffer;
        source_.pub.skip_input_data = SkipInputData;
        source_.pub.resync_to_restart = jpeg_resync_to_restart;
        source_.pub.term_source = TermSource;
        source_.pub.next_input_byte = nullptr;
        source_.pub.bytes_in_buffer = 0;
        source_.data = bytes.data();
        source_.size = bytes.size();
        source_.offset = 0;
        source_.startOfFile = true;
        cinfo.src = &source_.pub;
    }
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
    Decompressor(const Decompressor&) = delete;
    Decompressor& operator=(const Decompressor&) = delete;

    // Runs libjpeg calls; a fatal error raises EJPEG. The calls must not hold objects with
    // destructors, since an error leaves them by longjmp.
    template <typename Calls> void Guarded(Calls&& calls) {
        if (setjmp(error_.jump) == 0)
            calls();
        else
            throw EJPEG(Format("JPEG error #%d", error_.code));
    }

    // jpeg_read_header with an image required, then the size limits.
    void ReadHeader() {
        Guarded([this] { jpeg_read_header(&cinfo, TRUE); });
        const std::int64_t width = cinfo.image_width;
        const std::int64_t height = cinfo.image_height;
        if (width > TJPEGImage::MaxSide || height > TJPEGImage::MaxSide ||
            width * height > TJPEGImage::MaxPixels)
            throw EJPEG(Format("JPEG error #%d", static_cast<int>(JERR_IMAGE_TOO_BIG)));
    }

    jpeg_decompress_struct cinfo{};

private:
    ErrorManager error_{};
    SourceManager source_{};
    jpeg_progress_mgr progress_{};
};

EJPEG ConversionNotImplemented() {
    return EJPEG(Format("JPEG error #%d", static_cast<int>(JERR_CONVERSION_NOTIMPL)));
}

// Full size, block smoothing, the best-quality transform: every decode's settings. Only grey
// and red-green-blue output fit the pictures; other colour spaces (CMYK, YCCK, unknown) are
// refused rather than written into lines too short for them. True for grey output.
bool SetFullQuality(j_decompress_ptr cinfo) {
    cinfo->scale_num = 1;
    cinfo->scale_denom = 1;
    cinfo->do_block_smoothing = TRUE;
    cinfo->dct_method = JDCT_FLOAT;
    const bool grayscale = cinfo->out_color_space == JCS_GRAYSCALE;
    if (!grayscale && cinfo->out_color_space != JCS_RGB)
        throw ConversionNotImplemented();
    return grayscale;
}

} // namespace

TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const {
    if (bitmap_)
        return bitmap_->Width();
    return data_ ? data_->Width : 0;
}

int TJPEGImage::Height() const {
    if (bitmap_)
        return bitmap_->Height();
    return data_ ? data_->Height : 0;
}

bool TJPEGImage::Empty() const {
    return (!data_ || data_->Bytes.empty()) && (!bitmap_ || bitmap_->Empty());
}

void TJPEGImage::SetWidth(int) {
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetHeight(int) {
    throw EInvalidGraphicOperation("Cannot change the size of a JPEG image");
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat format) {
    if (format == pixelFormat_)
        return;
    pixelFormat_ = format;
    bitmap_.reset();
    Changed();
}

void TJPEGImage::SetPalette(std::vector<TRGBQuad> palette) {
    if (palette.size() > 256)
        palette.resize(256);
    palette_ = std::move(palette);
    bitmap_.reset();
    Changed();
}

void TJPEGImage::ReadStoredData(TStream& stream) {
    std::uint8_t count[4];
    stream.ReadBuffer(count, sizeof count);
    const std::int64_t size = static_cast<std::int64_t>(count[0]) | (count[1] << 8) |
                              (count[2] << 16) | (static_cast<std::int64_t>(count[3]) << 24);
    if (size > stream.Size() - stream.Position())
        throw EReadError("Stream read error");

    auto data = std::make_shared<TJPEGData>();
    data->Bytes.resize(static_cast<std::size_t>(size));
    stream.ReadBuffer(data->Bytes.data(), size);
    bool progressive = false;
    if (size > 0) {
        Decompressor decompressor(data->Bytes);
        decompressor.ReadHeader();
        const jpeg_decompress_struct& cinfo = decompressor.cinfo;
        data->Width = static_cast<int>(cinfo.image_width);
        data->Height = static_cast<int>(cinfo.image_height);
        data->Grayscale = cinfo.jpeg_color_space == JCS_GRAYSCALE;
        progressive = jpeg_has_multiple_scans(&decompressor.cinfo);
    }
    data_ = std::move(data);
    progressive_ = progressive;
    bitmap_.reset();
    Changed();
}

TDIB& TJPEGImage::Bitmap() {
    if (!bitmap_)
        bitmap_ = Decode(data_, pixelFormat_, palette_);
    return *bitmap_;
}

std::unique_ptr<TDIB> TJPEGImage::Decode(std::shared_ptr<const TJPEGData> data,
                                         TJPEGPixelFormat pixelFormat,
                                         std::vector<TRGBQuad> palette) {
    auto bitmap = std::make_unique<TDIB>();
    if (!data || data->Bytes.empty())
        return bitmap;

    Decompressor decompressor(data->Bytes);
    j_decompress_ptr cinfo = &decompressor.cinfo;
    decompressor.ReadHeader();
    const bool grayscale = SetFullQuality(cinfo);
    const bool eightBit = pixelFormat == TJPEGPixelFormat::jf8Bit || grayscale;
    if (eightBit) {
        cinfo->quantize_colors = TRUE;
        cinfo->desired_number_of_colors = 236;
        if (!palette.empty() && !grayscale) {
            const int count = static_cast<int>(palette.size());
            JSAMPARRAY map = nullptr;
            decompressor.Guarded([&] {
                map = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                  JPOOL_IMAGE, static_cast<JDIMENSION>(count), 3);
            });
            for (int i = 0; i < count; ++i) {
                map[0][i] = palette[static_cast<size_t>(i)].rgbRed;
                map[1][i] = palette[static_cast<size_t>(i)].rgbGreen;
                map[2][i] = palette[static_cast<size_t>(i)].rgbBlue;
            }
            cinfo->colormap = map;
            cinfo->actual_number_of_colors = count;
        }
    } else {
        // The decoder writes blue, green, red: its lines are the bitmap's lines as they stand.
        cinfo->out_color_space = JCS_EXT_BGR;
    }

    decompressor.Guarded([&] { jpeg_start_decompress(cinfo); });
    if (cinfo->output_components != (eightBit ? 1 : 3))
        throw ConversionNotImplemented();

    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    bitmap->SetSizeForOverwrite(width, height, eightBit ? 8 : 24);
    if (eightBit) {
        TColorTable table{};
        const int colors = std::clamp(cinfo->actual_number_of_colors, 0, 256);
        for (int i = 0; i < colors; ++i) {
            const int r = cinfo->colormap[0][i];
            const int g = cinfo->out_color_components == 1 ? r : cinfo->colormap[1][i];
            const int b = cinfo->out_color_components == 1 ? r : cinfo->colormap[2][i];
            table[static_cast<size_t>(i)] = {static_cast<std::uint8_t>(b),
                                             static_cast<std::uint8_t>(g),
                                             static_cast<std::uint8_t>(r), 0};
        }
        bitmap->SetColorTable(table);
    }

    // Lines arrive from the top down; the bitmap's lines are stored bottom-up, so each call
    // reads one line straight into its place.
    std::uint8_t* const bits = bitmap->PBits();
    const std::size_t widthBytes = static_cast<std::size_t>(bitmap->WidthBytes());
    const std::size_t lineBytes = std::size_t{cinfo->output_width} * (eightBit ? 1 : 3);
    JDIMENSION lines = 0;
    decompressor.Guarded([&] {
        while (cinfo->output_scanline < cinfo->output_height) {
            JSAMPROW row = bits + (cinfo->output_height - 1 - cinfo->output_scanline) * widthBytes;
            if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
                break;
        }
        lines = cinfo->output_scanline;
        jpeg_finish_decompress(cinfo);
    });
    // The bitmap was not cleared: clear the padding at the end of each line, and any line the
    // decoder did not deliver.
    for (JDIMENSION y = 0; y < cinfo->output_height; ++y) {
        std::uint8_t* line = bits + (cinfo->output_height - 1 - y) * widthBytes;
        if (y < lines)
            std::memset(line + lineBytes, 0, widthBytes - lineBytes);
        else
            std::memset(line, 0, widthBytes);
    }
    return bitmap;
}

void TJPEGImage::Draw(platform::DeviceContext& dc, const QRect& rect) {
    if (Empty())
        return;
    Bitmap().Draw(dc, rect);
}

void TJPEGImage::DecodeOnto(const TJPEGData& data, QImage& target, QPoint at) {
    Decompressor decompressor(data.Bytes);
    j_decompress_ptr cinfo = &decompressor.cinfo;
    decompressor.ReadHeader();
    if (SetFullQuality(cinfo))
        throw ConversionNotImplemented(); // grey output goes through a colour table
    // Blue, green, red and an opaque fourth byte: the target's own pixels.
    cinfo->out_color_space = JCS_EXT_BGRA;
    decompressor.Guarded([&] { jpeg_start_decompress(cinfo); });
    const QRect area(
        at, QSize(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height)));
    if (cinfo->output_components != 4 || target.format() != QImage::Format_RGB32 ||
        !target.rect().contains(area))
        throw ConversionNotImplemented();
    uchar* const origin = target.bits() + std::ptrdiff_t{area.top()} * target.bytesPerLine() +
                          std::ptrdiff_t{area.left()} * 4;
    const qsizetype pitch = target.bytesPerLine();
    // The source never suspends: every line is delivered (a truncated picture's as the decoder
    // estimates them).
    decompressor.Guarded([&] {
        while (cinfo->output_scanline < cinfo->output_height) {
            JSAMPROW row = origin + std::ptrdiff_t{cinfo->output_scanline} * pitch;
            if (jpeg_read_scanlines(cinfo, &row, 1) != 1)
                break;
        }
        jpeg_finish_decompress(cinfo);
    });
}

void TJPEGImage::DrawDormant(TCanvas& canvas, int x, int y) {
    if (!bitmap_ && data_ && !data_->Bytes.empty() && !data_->Grayscale &&
        pixelFormat_ == TJPEGPixelFormat::jf24Bit) {
        platform::DeviceContext* dc = canvas.Handle();
        if (dc && dc->Scale() == 1.0 && dc->Image().format() == QImage::Format_RGB32 &&
            dc->Image().rect().contains(QRect(x, y, data_->Width, data_->Height))) {
            DecodeOnto(*data_, dc->Image(), QPoint(x, y));
            return;
        }
    }
    TGraphic::DrawDormant(canvas, x, y);
}

void TJPEGImage::Dormant() {
    if (data_ && !data_->Bytes.empty())
        bitmap_.reset();
    else if (bitmap_)
        bitmap_->Dormant();
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
    auto copy = std::make_unique<TJPEGImage>();
    copy->data_ = data_;
    copy->progressive_ = progressive_;
    copy->pixelFormat_ = pixelFormat_;
    copy->palette_ = palette_;
    if (bitmap_)
        copy->bitmap_ = std::make_unique<TDIB>(*bitmap_);
    return copy;
}
