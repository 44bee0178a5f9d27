#include "sprites/sprite_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace volumix {
namespace {

constexpr uint32_t Face = 0x123456u;  // no hardware colour looks like it

uint32_t inkPixel(int32_t ink) { return hardwareColourPixel(DefaultInks[static_cast<size_t>(ink)]); }

// Byte (r, c) of sprite n is (n + r + c) & 15: neighbouring bytes differ.
SpriteBank patternedBank() {
    SpriteBank bank;
    for (int32_t n = 0; n < SpriteCountMax; ++n)
        for (int32_t i = 0; i < SpriteBytes; ++i) bank.sprite(n)[i] = static_cast<uint8_t>((n + i / 32 + i % 32) & 15);
    return bank;
}

std::vector<int32_t> changedOffsets(const SpriteBank& bank, const SpriteBank& before, int32_t sprite) {
    std::vector<int32_t> offsets;
    for (int32_t i = 0; i < SpriteBytes; ++i)
        if (bank.sprite(sprite)[i] != before.sprite(sprite)[i]) offsets.push_back(i);
    return offsets;
}

int mismatches(const CDibSurface& surface, const std::function<uint32_t(int32_t, int32_t)>& expected) {
    int wrong = 0;
    for (int32_t y = 0; y < surface.height; ++y)
        for (int32_t x = 0; x < surface.width; ++x) wrong += surface.row(y)[x] != expected(x, y);
    return wrong;
}

// Byte (r, c) of `block` as mode `mode` shows it: its group's first byte
// through the mode's mask, or the face beyond 2S x S.
uint32_t shownByte(const uint8_t* block, int32_t r, int32_t c, int32_t mode, int32_t side) {
    if (r < 0 || c < 0 || r >= side || c >= 2 * side) return Face;
    const int32_t masks[3] = {15, 3, 1};
    return inkPixel(block[r * 32 + c - c % (4 >> mode)] & masks[mode]);
}

TEST(SpriteEditorGeometry, CellUnderAClientPoint) {
    EXPECT_EQ(spriteGroupWidth(1), 2);
    EXPECT_EQ(spriteCellWidth(2), 8);
    EXPECT_EQ(spriteModeMask(1), 0xF3);
    EXPECT_EQ(spriteModeMask(3), 0xFF);  // a stray mode shows as mode 0
    const struct {
        int32_t mode, size, x, y;
        std::optional<SpriteCell> cell;
    } cases[] = {
        {0, 4, 200, 10, SpriteCell{1, 0}},  {0, 4, 164, 4, SpriteCell{0, 0}},  {0, 4, 227, 67, SpriteCell{1, 3}},
        {0, 4, 228, 10, std::nullopt},      {0, 4, 200, 68, std::nullopt},     {0, 4, 163, 10, std::nullopt},
        {0, 4, 200, 3, std::nullopt},       {1, 8, 291, 131, SpriteCell{7, 7}}, {1, 8, 292, 20, std::nullopt},
        {2, 16, 419, 259, SpriteCell{31, 15}}, {2, 16, 420, 100, std::nullopt}, {0, 12, 355, 195, SpriteCell{5, 11}},
        // A stray size never reaches past the block's 16 lines; no size has no area.
        {2, 20, 420, 100, std::nullopt},    {0, 0, 164, 4, std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(spriteCellAt(c.x, c.y, c.mode, c.size), c.cell) << c.x << "," << c.y;
    EXPECT_TRUE(overSpriteViews(419, 259) && overSpriteViews(371, 315));
    EXPECT_FALSE(overSpriteViews(420, 100) || overSpriteViews(371, 316) || overSpriteViews(201, 300));
}

TEST(SpriteEditorPainting, PressesSetTheCellsBytes) {
    const struct {
        int32_t mode, size, x, y;
        SpriteStroke stroke;
        int32_t first, count;  // changed offsets in the sprite
    } cases[] = {
        {0, 4, 200, 10, SpriteStrokePaint, 4, 4},     {1, 8, 180, 20, SpriteStrokePaint, 34, 2},
        {2, 16, 419, 259, SpriteStrokePaint, 511, 1}, {0, 4, 200, 10, SpriteStrokeErase, 4, 4},
        {0, 4, 228, 10, SpriteStrokePaint, 0, 0},     {0, 4, 200, 10, SpriteStrokeNone, 0, 0},
    };
    for (const auto& c : cases) {
        SpriteBank bank;
        bank.bytes.assign(bank.bytes.size(), 9);
        const SpriteBank before = bank;
        CSpriteEditor editor(bank, DefaultInks, c.mode, c.size, 16);
        editor.currentSprite = 3;
        editor.selectInk(7);
        editor.press(c.x, c.y, c.stroke);
        std::vector<int32_t> expected(static_cast<size_t>(c.count));
        for (int32_t k = 0; k < c.count; ++k) expected[static_cast<size_t>(k)] = c.first + k;
        EXPECT_EQ(changedOffsets(bank, before, 3), expected) << c.x << "," << c.y << " " << c.stroke;
        if (c.count > 0) {
            EXPECT_EQ(bank.sprite(3)[c.first], c.stroke == SpriteStrokePaint ? 7 : 0);
        }
        EXPECT_EQ(bank.unsaved, c.count > 0);
        EXPECT_TRUE(changedOffsets(bank, before, 2).empty() && changedOffsets(bank, before, 4).empty());
        EXPECT_EQ(editor.workingCopy, copySprite(bank, 3));
    }
}

TEST(SpriteEditorPainting, MovesPaintWithOneButtonAlone) {
    const struct {
        uint32_t keys;
        uint8_t stored;  // the cell after the move; it holds 1 before
    } cases[] = {
        {SpriteKeyLeft, 5},
        {SpriteKeyRight, 0},
        {0, 1},
        {SpriteKeyLeft | SpriteKeyShift, 1},
        {SpriteKeyLeft | SpriteKeyControl, 1},
        {SpriteKeyRight | SpriteKeyShift, 1},
        {SpriteKeyLeft | SpriteKeyRight, 1},
        {SpriteKeyLeft | SpriteKeyMiddle, 1},
        {SpriteKeyRight | SpriteKeyExtra1, 1},
    };
    for (const auto& c : cases) {
        SpriteBank bank;
        CSpriteEditor editor(bank, DefaultInks, 0, 4, 16);
        editor.selectInk(5);
        EXPECT_EQ(editor.move(200, 10, c.keys).cell, (SpriteCell{1, 0}));
        EXPECT_EQ(bank.sprite(0)[4], c.stored) << c.keys;
        EXPECT_EQ(bank.unsaved, c.stored != 1);
        EXPECT_FALSE(editor.move(300, 10, c.keys).cell.has_value());
    }
}

TEST(SpriteEditorCommands, EffaceEffacerToutCopyAndPaste) {
    SpriteBank bank = patternedBank();
    const SpriteBank start = bank;
    CSpriteEditor editor(bank, DefaultInks, 2, 4, 16);
    // Paste before any copy does nothing.
    EXPECT_FALSE(editor.pasteCurrent());
    EXPECT_FALSE(bank.unsaved);

    // "Efface": all 512 bytes, also those beyond the size in use.
    editor.showSprite(10);
    editor.copyCurrent();
    editor.selectInk(3);
    editor.fillCurrent();
    EXPECT_EQ(std::count(bank.sprite(10), bank.sprite(11), 3), SpriteBytes);
    EXPECT_TRUE(std::equal(bank.sprite(11), bank.sprite(11) + 512, start.sprite(11)));
    EXPECT_TRUE(bank.unsaved);
    EXPECT_EQ(editor.workingCopy, copySprite(bank, 10));

    // The clipboard kept sprite 10 as it was copied.
    editor.showSprite(20);
    EXPECT_TRUE(editor.pasteCurrent());
    EXPECT_EQ(copySprite(bank, 20), copySprite(start, 10));
    EXPECT_EQ(editor.workingCopy, copySprite(start, 10));

    // "Effacer tout"; inks outside 0..15 are not chosen; a fill that changes
    // nothing leaves the bank saved.
    editor.selectInk(12);
    editor.selectInk(16);
    editor.fillAll();
    EXPECT_EQ(std::count(bank.bytes.begin(), bank.bytes.end(), 12), SpriteBankBytes);
    bank.unsaved = false;
    editor.fillCurrent();
    EXPECT_FALSE(bank.unsaved);
}

TEST(SpriteEditorCommands, ScrollSteps) {
    const struct {
        int32_t from;
        SpriteScroll request;
        int32_t thumb, to;
    } cases[] = {
        {10, SpriteScrollLineLeft, 0, 9},   {0, SpriteScrollLineLeft, 0, 0},      {255, SpriteScrollLineRight, 0, 255},
        {10, SpriteScrollPageLeft, 0, 5},   {3, SpriteScrollPageLeft, 0, 0},      {10, SpriteScrollPageRight, 0, 15},
        {253, SpriteScrollPageRight, 0, 255}, {10, SpriteScrollThumb, 100, 100},  {10, SpriteScrollThumb, 999, 255},
        {10, SpriteScrollLeftEnd, 0, 0},    {10, SpriteScrollRightEnd, 0, 255},   {10, SpriteScrollEnd, 77, 10},
    };
    for (const auto& c : cases) {
        SpriteBank bank;
        CSpriteEditor editor(bank, DefaultInks, 0, 4, 16);
        editor.currentSprite = c.from;
        EXPECT_EQ(editor.scroll(c.request, c.thumb), c.to != c.from);
        EXPECT_EQ(editor.currentSprite, c.to) << c.from << " " << c.request;
    }
}

TEST(SpriteEditorCommands, CountTextIsAtoiWithinOneTo256) {
    const struct {
        std::string text;
        int32_t count;
    } cases[] = {{"40", 40}, {"256", 256}, {"257", 256}, {"0", 1}, {"", 1}, {"  12abc", 12},
                 {std::string(200, '9'), 256}, {std::string(127, '0') + "5", 1}, {std::string(126, '0') + "5", 5}};
    for (const auto& c : cases) EXPECT_EQ(spriteCountOfText(c.text), c.count) << c.text;
    EXPECT_EQ(cursorColumnText({31, 2}) + "|" + cursorLineText({31, 2}), "Position x : 31|Position y : 2");
}

TEST(SpriteEditorDrawing, BlocksShowGroupsThroughTheModeMask) {
    SpriteBank bank = patternedBank();
    bank.sprite(0)[0] = 5;  // ink 5 shows as ink 1 in modes 1 and 2
    for (int32_t mode = 0; mode < 3; ++mode) {
        for (int32_t side : SpriteSides) {
            CDibSurface surface;
            ASSERT_TRUE(surface.create(40, 20));
            surface.fill(Face);
            drawSpriteBlock(surface, bank.sprite(0), 3, 2, mode, side, DefaultInks);
            EXPECT_EQ(mismatches(surface,
                                 [&](int32_t x, int32_t y) { return shownByte(bank.sprite(0), y - 2, x - 3, mode, side); }),
                      0)
                << mode << " " << side;
        }
    }
    CDibSurface surface;
    ASSERT_TRUE(surface.create(32, 16));
    surface.fill(Face);
    drawSpriteBlock(surface, nullptr, 0, 0, 0, 16, DefaultInks);  // no block: nothing drawn
    EXPECT_EQ(surface.row(0)[0], Face);
    drawSpriteBlock(surface, bank.sprite(0), 0, 0, 1, 4, DefaultInks);
    EXPECT_EQ(surface.row(0)[1], inkPixel(1));
    EXPECT_EQ(bank.sprite(0)[0], 5);
}

TEST(SpriteEditorDrawing, GridAndStrip) {
    for (int32_t mode = 0; mode < 3; ++mode) {
        for (int32_t side : SpriteSides) {
            for (bool lines : {false, true}) {
                SpriteBank bank = patternedBank();
                CSpriteEditor editor(bank, DefaultInks, mode, side, 16);
                editor.facePixel = Face;
                editor.gridLines = lines;
                ASSERT_TRUE(editor.createViews());
                editor.showSprite(9);
                editor.selectInk(4);
                editor.press(164, 4, SpriteStrokePaint);
                editor.press(164 + 16 * side - 1, 4 + 16 * side - 1, SpriteStrokePaint);
                editor.press(180, 30, SpriteStrokeErase);
                // Light grey outlines on every cell edge of the 2S x S bytes.
                const int32_t cellWidth = 32 >> mode;
                EXPECT_EQ(mismatches(editor.gridImage,
                                     [&](int32_t x, int32_t y) {
                                         if (lines && x <= 16 * side && y <= 16 * side &&
                                             (x % cellWidth == 0 || y % 16 == 0))
                                             return 0xC0C0C0u;
                                         return shownByte(bank.sprite(9), y / 16, x / 8, mode, side);
                                     }),
                          0)
                    << "mode " << mode << " size " << side << " lines " << lines;
                // The strip: sprites 7 to 11 at columns 1, 35, 69, 103, 137.
                EXPECT_EQ(mismatches(editor.stripImage,
                                     [&](int32_t x, int32_t y) {
                                         if (x / 34 > 4) return Face;
                                         return shownByte(bank.sprite(7 + x / 34), y, x % 34 - 1, mode, side);
                                     }),
                          0);
            }
        }
    }
    // Slots beyond the bank stay empty.
    for (int32_t current : {0, 255}) {
        SpriteBank bank;
        CSpriteEditor editor(bank, DefaultInks, 0, 16, 16);
        editor.facePixel = Face;
        ASSERT_TRUE(editor.createViews());
        editor.currentSprite = current;
        editor.redrawAll();
        const int32_t empty[2] = {current == 0 ? 0 : 3, current == 0 ? 1 : 4};
        for (int32_t slot = 0; slot < 5; ++slot) {
            const bool isEmpty = slot == empty[0] || slot == empty[1];
            EXPECT_EQ(editor.stripImage.row(5)[34 * slot + 10], isEmpty ? Face : inkPixel(1)) << current << " " << slot;
        }
    }
}

}  // namespace
}  // namespace volumix
