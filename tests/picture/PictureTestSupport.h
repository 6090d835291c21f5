// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the picture tests: reading values, checking raised messages, and a canvas
// over plain 32-bit memory.
#include "picture/DIB.h"
#include "picture/JPEG.h"
#include "picture/Picture.h"
#include "platform/Graphics.h"
#include "platform/Stream.h"
#include "tests/picture/TestPictures.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace picturetest {

inline QGuiApplication& App() {
    static int argc = 1;
    static char arg0[] = "picture_tests";
    static char* argv[] = {arg0, nullptr};
    static QGuiApplication app(argc, argv);
    return app;
}

inline TDIB ReadDib(const testpic::Bytes& data) {
    TMemoryStream stream(data);
    TDIB dib;
    dib.ReadStoredData(stream);
    return dib;
}

// Runs action and checks that it raises E with exactly message.
template <typename E, typename Action>
void ExpectRaises(Action&& action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "nothing raised; expected \"" << message << "\"";
    } catch (const E& error) {
        EXPECT_EQ(error.Message(), message);
    } catch (const std::exception& other) {
        ADD_FAILURE() << "raised another kind of error: " << other.what();
    }
}

// A canvas over width x height pixels of 32-bit memory, initially filled with fill.
class MemoryCanvas : public TCanvas {
public:
    MemoryCanvas(int width, int height, std::uint32_t fill = 0xFF000000u)
        : width_(width), height_(height), memory_(static_cast<size_t>(width * height), fill) {}
    ~MemoryCanvas() override { Release(); }

    std::uint32_t Pixel(int x, int y) {
        Release(); // ends the painter so that everything drawn is in memory
        return memory_[static_cast<size_t>(y * width_ + x)] & 0xFFFFFFu;
    }
    // Every pixel, its fourth byte included, line after line.
    const std::vector<std::uint32_t>& Memory() {
        Release();
        return memory_;
    }
    void Release() {
        SetHandle(nullptr);
        dc_.reset();
    }

protected:
    void CreateHandle() override {
        dc_ = std::make_unique<platform::DeviceContext>(reinterpret_cast<uchar*>(memory_.data()),
                                                        width_, height_, width_ * 4);
        SetHandle(dc_.get());
    }

private:
    int width_, height_;
    std::vector<std::uint32_t> memory_;
    std::unique_ptr<platform::DeviceContext> dc_;
};

} // namespace picturetest
