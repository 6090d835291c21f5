// SPDX-License-Identifier: GPL-3.0-or-later
// BM_DecodeBoardJpeg: the 640 x 480 progressive board picture read from its stored value and
// decoded through TJPEGImage as the game does on the first paint (float DCT, block smoothing,
// blue-green-red lines straight into a new bottom-up bitmap).
// BM_DecodeBoardJpegPlain: the same bytes through plain libjpeg calls with the library's default
// settings into a buffer obtained for that decode, as every decode that keeps its picture needs
// one. The first should stay within 1.15 x the second.
// BM_DecodeBoardJpegPlainReusedBuffer: the plain decode into one buffer used over and over. Its
// pages are touched once for the whole run, while a decode into new memory pays the first touch
// of each page (about a quarter of the decode time on a busy machine); it shows that cost.
#include "picture/JPEG.h"
#include "tests/picture/TestPictures.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

// The game's board picture when the assets are at hand, otherwise one of the same kind.
const testpic::Bytes& BoardJpeg() {
    static const testpic::Bytes board = [] {
        const std::filesystem::path asset =
            std::filesystem::path(__FILE__).parent_path().parent_path() / "assets" / "plateau.jpg";
        std::ifstream in(asset, std::ios::binary);
        testpic::Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        return bytes.empty() ? testpic::BoardJpeg() : bytes;
    }();
    return board;
}

void BM_DecodeBoardJpeg(benchmark::State& state) {
    const testpic::Bytes stored = testpic::JpegData(BoardJpeg());
    for (auto _ : state) {
        TMemoryStream stream(stored);
        TJPEGImage image;
        image.ReadStoredData(stream);
        TDIB& bitmap = image.Bitmap();
        benchmark::DoNotOptimize(bitmap.PBits());
    }
    state.SetLabel(std::to_string(BoardJpeg().size()) + " bytes");
}
BENCHMARK(BM_DecodeBoardJpeg)->Unit(benchmark::kMillisecond);

// Decodes jpeg with libjpeg's default settings into buffer, which is made large enough.
void PlainDecode(const testpic::Bytes& jpeg, std::unique_ptr<JSAMPLE[]>& buffer,
                 std::size_t& capacity) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const std::size_t stride = std::size_t{cinfo.output_width} * cinfo.output_components;
    if (capacity < stride * cinfo.output_height) {
        capacity = stride * cinfo.output_height;
        buffer = std::make_unique_for_overwrite<JSAMPLE[]>(capacity);
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = buffer.get() + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(buffer.get());
}

void BM_DecodeBoardJpegPlain(benchmark::State& state) {
    const testpic::Bytes& jpeg = BoardJpeg();
    for (auto _ : state) {
        std::unique_ptr<JSAMPLE[]> buffer;
        std::size_t capacity = 0;
        PlainDecode(jpeg, buffer, capacity);
    }
}
BENCHMARK(BM_DecodeBoardJpegPlain)->Unit(benchmark::kMillisecond);

void BM_DecodeBoardJpegPlainReusedBuffer(benchmark::State& state) {
    const testpic::Bytes& jpeg = BoardJpeg();
    std::unique_ptr<JSAMPLE[]> buffer;
    std::size_t capacity = 0;
    for (auto _ : state)
        PlainDecode(jpeg, buffer, capacity);
}
BENCHMARK(BM_DecodeBoardJpegPlainReusedBuffer)->Unit(benchmark::kMillisecond);

} // namespace
