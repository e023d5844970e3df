// Shared by the text and GDI suites: a stand-in rasteriser whose characters are plain boxes of
// known size, and a fixture that puts a recording device under the fonts and checks that no
// GDI object outlives a test.
#pragma once

#include <gtest/gtest.h>

#include <qv_gdi.h>

#include <memory>
#include <vector>

#include "render/device.h"
#include "support/recording_device.h"
#include "text/texture_font.h"

// Every character is cx x cy with ink of one coverage value filling its whole cell. With
// scaleWithHeight the size follows the requested em height instead: cx = em / 2 + extra,
// cy = em + extra (the extra, like hinting, keeps small sizes from shrinking in proportion).
class BoxRasteriser : public QvGdiRasteriser {
public:
    int cx = 8;
    int cy = 16;
    bool scaleWithHeight = false;
    int extra = 0;
    unsigned char ink = 255;
    bool failMeasure = false;
    bool failDraw = false;
    bool refuseFonts = false;
    std::vector<QvGdiFontRequest> requests;  // every font asked for, in order

    std::unique_ptr<QvGdiFace> OpenFace(const QvGdiFontRequest& request) override;
};

class BoxFace : public QvGdiFace {
public:
    BoxFace(const BoxRasteriser& owner, int cx, int cy) : owner_(owner), cx_(cx), cy_(cy) {}
    int Ascent() const override { return cy_ - cy_ / 4; }
    int Descent() const override { return cy_ / 4; }
    bool Advance(unsigned char, int* advance) override
    {
        *advance = cx_;
        return !owner_.failMeasure;
    }
    bool Render(unsigned char, QvGdiGlyphImage* image) override
    {
        image->left = 0;
        image->top = Ascent();
        image->width = cx_;
        image->rows = cy_;
        image->coverage.assign(static_cast<size_t>(cx_) * cy_, owner_.ink);
        return !owner_.failDraw;
    }
    std::string Describe() const override { return "box"; }

private:
    const BoxRasteriser& owner_;
    int cx_;
    int cy_;
};

inline std::unique_ptr<QvGdiFace> BoxRasteriser::OpenFace(const QvGdiFontRequest& request)
{
    requests.push_back(request);
    if (refuseFonts) return nullptr;
    int em = request.height < 0 ? -request.height : request.height;
    if (scaleWithHeight) return std::make_unique<BoxFace>(*this, em / 2 + extra, em + extra);
    return std::make_unique<BoxFace>(*this, cx, cy);
}

// A recording device as the engine's device, the box rasteriser behind CreateFontA (tests that
// want real fonts call UseRealFonts), and a check that every GDI object made was deleted.
class TextTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedDevice_ = g_pd3dDevice;
        g_pd3dDevice = &device;
        QvGdiSetRasteriser(&boxes);
        gdiObjectsBefore_ = QvGdiLiveObjectCount();
    }
    void TearDown() override
    {
        QvGdiSetRasteriser(nullptr);
        g_pd3dDevice = savedDevice_;
        EXPECT_EQ(QvGdiLiveObjectCount(), gdiObjectsBefore_) << "a GDI object outlived the test";
    }
    void UseRealFonts() { QvGdiSetRasteriser(nullptr); }

    RecordingDevice device;
    BoxRasteriser boxes;

private:
    IDirect3DDevice9* savedDevice_ = nullptr;
    int gdiObjectsBefore_ = 0;
};
