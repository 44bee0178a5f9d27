#include "app/run_setup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "export/amsdos.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

TEST(RunSetup, ClampsR1AndMasksPenInksByTheMode) {
    const struct { int32_t typed, used; } r1Cases[] = {{0, 1}, {-3, 1}, {48, 48}, {64, 64}, {100, 64}};
    for (const auto& c : r1Cases) EXPECT_EQ(clampCrtcR1(c.typed), c.used) << c.typed;

    const struct { int32_t ink, mode, shown; } inkCases[] = {{7, 0, 7}, {7, 1, 3}, {7, 2, 1}, {5, 1, 1}, {15, 0, 15}};
    for (const auto& c : inkCases) EXPECT_EQ(maskPenInk(c.ink, c.mode), c.shown) << c.ink << " in mode " << c.mode;
}

TEST(RunSetup, PointsExportOnlyInMode1WithAPointRenderMode) {
    for (int32_t mode = 0; mode <= 2; ++mode)
        for (int32_t render = 0; render < RenderModeCount; ++render) {
            const bool expected = mode == 1 && (render == RenderPoints || render == RenderHiddenPoints);
            EXPECT_EQ(pointsExportAllowed(mode, static_cast<RenderMode>(render)), expected) << mode << ' ' << render;
        }
}

RunRequest makeRequest(int32_t mode, RenderMode render, ExportKind kind, bool compress) {
    RunRequest request;
    request.parameters.screenMode = mode;
    request.parameters.renderMode = render;
    request.exportKind = kind;
    request.compress = compress;
    return request;
}

TEST(RunSetup, RefusesWhatTheWindowNeverOffers) {
    const struct {
        int32_t mode;
        RenderMode render;
        ExportKind kind;
        bool compress;
        RunSetupResult refusal;
    } cases[] = {
        {0, RenderPoints, ExportPoints, false, RunSetupPointsNeedMode1},
        {2, RenderWireframe, ExportPoints, false, RunSetupPointsNeedMode1},  // the mode is named first
        {1, RenderWireframe, ExportPoints, false, RunSetupPointsNeedPointRender},
        {1, RenderHiddenSprites, ExportPoints, false, RunSetupPointsNeedPointRender},
        {0, RenderSprites, ExportSprite, true, RunSetupCompressNeedsDelta},
        {1, RenderHiddenPoints, ExportPoints, true, RunSetupCompressNeedsDelta},
    };
    for (const auto& c : cases) {
        RunRequest request = makeRequest(c.mode, c.render, c.kind, c.compress);
        EXPECT_EQ(applyRunRules(request), c.refusal) << c.mode << ' ' << c.render << ' ' << c.kind;
    }
}

TEST(RunSetup, AcceptedRequestsGetMaskedInksClampedR1AndTheirExportSwitches) {
    const struct {
        int32_t mode;
        RenderMode render;
        ExportKind kind;
        bool compress;
        int32_t lineInk, fillInk, r1;
        int32_t maskedLine, maskedFill, usedR1, spriteLayout;
        bool points, compressed;
    } cases[] = {
        {1, RenderPoints, ExportPoints, false, 5, 7, 100, 1, 3, 64, 0, true, false},
        {0, RenderFilledFaces, ExportSprite, false, 15, 9, 0, 15, 9, 1, 3, false, false},
        {2, RenderWireframe, ExportDelta, true, 7, 6, 48, 1, 0, 48, 0, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << ", export " << c.kind);
        RunRequest request = makeRequest(c.mode, c.render, c.kind, c.compress);
        request.parameters.lineInk = c.lineInk;
        request.parameters.fillInk = c.fillInk;
        request.settings.crtcR1 = c.r1;
        request.sprite.layout = SpriteLayoutTwoColumns;
        // A format left from an earlier run must not survive.
        request.parameters.format.frames = SpriteFrames{SpriteLayoutOneColumn, true};

        ASSERT_EQ(applyRunRules(request), RunSetupOk);
        const ExportFormat& format = request.parameters.format;
        EXPECT_EQ(request.parameters.lineInk, c.maskedLine);
        EXPECT_EQ(request.parameters.fillInk, c.maskedFill);
        EXPECT_EQ(request.settings.crtcR1, c.usedR1);
        EXPECT_EQ(format.crtcR1, c.usedR1);
        EXPECT_EQ(format.sprite() != nullptr ? format.sprite()->layout : 0, c.spriteLayout);
        EXPECT_EQ(format.points(), c.points);
        EXPECT_EQ(format.compressed(), c.compressed);
    }
}

// Caller inks and file inks differ everywhere, so any mix-up shows.
constexpr InkArray CallerInks = {26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11};

// A screen file whose embedded palette names mode 2 and inks k + 3, except
// ink 1, which holds a byte that is no hardware colour.
std::string writePaletteScreen(const test::TestFolder& folder) {
    const AmsdosHeader header = buildAmsdosHeader("BACK.SCR", 0xC000, ScreenBytes, 0xC000);
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.resize(AmsdosHeaderBytes + ScreenBytes, 0x5A);
    uint8_t* image = bytes.data() + AmsdosHeaderBytes;
    std::copy(PaletteSignature.begin(), PaletteSignature.end(), image + PaletteSignatureOffset);
    image[PaletteModeOffset] = 2;
    for (int32_t k = 0; k < InkCount; ++k) image[PaletteInksOffset + k] = static_cast<uint8_t>(k == 1 ? 99 : k + 3);
    test::writeBytes(folder / "back.scr", bytes);
    return (folder / "back.scr").string();
}

TEST(RunSetupBackground, TakesTheFilePaletteOnlyWhenAsked) {
    const test::TestFolder folder;
    const std::string path = writePaletteScreen(folder);
    InkArray fileInks;
    for (int32_t k = 0; k < InkCount; ++k) fileInks[k] = k == 1 ? 0 : k + 3;  // shown black, so taken as black

    CCpcScreen background;
    int32_t mode = 1;
    InkArray inks = CallerInks;
    ASSERT_EQ(loadBackground(background, path, mode, inks, true), ScrOk);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(inks, fileInks);
    EXPECT_EQ(background.image[0], 0x5A);

    mode = 1;
    inks = CallerInks;
    ASSERT_EQ(loadBackground(background, path, mode, inks, false), ScrOk);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(inks, CallerInks);
    EXPECT_EQ(background.inks, CallerInks);  // the image is coloured with the caller's inks

    // A missing file changes nothing.
    EXPECT_EQ(loadBackground(background, (folder / "none.scr").string(), mode, inks, true), ScrOpenFailed);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(inks, CallerInks);
}

}  // namespace
}  // namespace volumix
