#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "cpc/palette.h"
#include "platform/dib_surface.h"
#include "sprites/sprite_bank.h"

namespace volumix {

// Where the sprite editor shows its views, in client pixels of its window
// (fixed pixels, not dialog units).
inline constexpr int32_t SpriteGridLeft = 164;
inline constexpr int32_t SpriteGridTop = 4;
inline constexpr int32_t SpriteGridSide = 256;
// A sprite byte is 8 grid pixels wide and a sprite line 16 high.
inline constexpr int32_t SpriteGridScaleX = 8;
inline constexpr int32_t SpriteGridScaleY = 16;
inline constexpr int32_t SpriteStripLeft = 202;
inline constexpr int32_t SpriteStripTop = 280;
inline constexpr int32_t SpriteStripWidth = 170;
inline constexpr int32_t SpriteStripHeight = 18;
inline constexpr int32_t SpriteStripScaleY = 2;
inline constexpr int32_t SpriteStripSlots = 5;
inline constexpr int32_t SpriteStripPitch = 34;
// The grid's cell outlines, a GDI colour.
inline constexpr uint32_t SpriteGridLineColour = 0xC0C0C0u;
inline constexpr int32_t SpritePageStep = 5;
inline constexpr int32_t SpriteSides[4] = {4, 8, 12, 16};

// The grid is the whole block enlarged, the strip five sprites side by side,
// and the largest size offered fills the block.
static_assert(SpriteGridSide == SpriteGridScaleX * SpriteRowBytes);
static_assert(SpriteGridSide == SpriteGridScaleY * SpriteSideMax);
static_assert(SpriteStripWidth == SpriteStripSlots * SpriteStripPitch);
static_assert(SpriteSides[std::size(SpriteSides) - 1] == SpriteSideMax);

using SpriteBlock = std::array<uint8_t, SpriteBytes>;

// The view mode actually used: modes outside 0..2 show as mode 0.
int32_t spriteViewMode(int32_t viewMode);
// Sprite columns shown by one screen pixel of the mode: 4, 2, 1.
int32_t spriteGroupWidth(int32_t viewMode);
// Grid pixels across one cell: 32, 16, 8.
int32_t spriteCellWidth(int32_t viewMode);
// What of an ink byte the mode shows: its ink mask, and the bits above an
// ink number (0xFF, 0xF3, 0xF1).
uint8_t spriteModeMask(int32_t viewMode);
// The lines (and half the columns) of the block that a size covers: the size
// bounded to 0..16, so a stray size never reaches past the block.
int32_t spriteDrawnSide(int32_t spriteSize);

// A cell of the grid: `column` counts cells of the view mode, `line` sprite lines.
struct SpriteCell {
    int32_t column = 0;
    int32_t line = 0;
    bool operator==(const SpriteCell&) const = default;
};

// The cell under client point (x, y), or nothing outside the sprite area.
std::optional<SpriteCell> spriteCellAt(int32_t x, int32_t y, int32_t viewMode, int32_t spriteSize);
// Over the grid or the strip (where the wheel changes sprite).
bool overSpriteViews(int32_t x, int32_t y);

// Mouse key state as a mouse message carries it.
enum SpriteMouseKey : uint32_t {
    SpriteKeyLeft = 0x01,
    SpriteKeyRight = 0x02,
    SpriteKeyShift = 0x04,
    SpriteKeyControl = 0x08,
    SpriteKeyMiddle = 0x10,
    SpriteKeyExtra1 = 0x20,
    SpriteKeyExtra2 = 0x40,
};

enum SpriteStroke : int32_t {
    SpriteStrokeNone = 0,
    SpriteStrokePaint,
    SpriteStrokeErase,
};

// A move paints with the left button alone and erases with the right button
// alone; any other button, Shift or Ctrl only moves.
SpriteStroke strokeOfMove(uint32_t keys);

enum SpriteScroll : int32_t {
    SpriteScrollLineLeft = 0,
    SpriteScrollLineRight,
    SpriteScrollPageLeft,
    SpriteScrollPageRight,
    SpriteScrollThumb,  // thumb track or thumb position
    SpriteScrollLeftEnd,
    SpriteScrollRightEnd,
    SpriteScrollEnd,  // end of scroll
};

// The sprite a scroll request leads to, always 0..255.
int32_t spriteAfterScroll(int32_t current, SpriteScroll request, int32_t thumb);

// The count box's text as a sprite count: atoi of its first 127 characters,
// bounded to 1..256 so a run never cycles past the bank.
int32_t spriteCountOfText(std::string_view text);

// The cursor texts of a cell.
std::string cursorColumnText(const SpriteCell& cell);
std::string cursorLineText(const SpriteCell& cell);

// Draws a sprite block (or nothing when `block` is null) with its top-left
// corner at (left, top), one pixel per ink byte: each group of the mode takes
// the colour of its first byte, reduced by the mode mask. Pixels beyond the
// size's 2S x S are left as they were.
void drawSpriteBlock(CDibSurface& surface, const uint8_t* block, int32_t left, int32_t top, int32_t viewMode,
                     int32_t spriteSize, const InkArray& inks);

// Edits of the bank. Each returns whether a byte changed, and marks the bank
// unsaved when one did.
bool setSpriteCell(SpriteBank& bank, int32_t sprite, const SpriteCell& cell, int32_t viewMode, uint8_t ink);
bool fillSprite(SpriteBank& bank, int32_t sprite, uint8_t ink);
bool fillSpriteBank(SpriteBank& bank, uint8_t ink);
bool pasteSprite(SpriteBank& bank, int32_t sprite, const SpriteBlock& block);
SpriteBlock copySprite(const SpriteBank& bank, int32_t sprite);

// What a mouse message did: the cell under it (none outside the sprite area)
// and whether the views were redrawn.
struct SpriteMouseResult {
    std::optional<SpriteCell> cell;
    bool redrawn = false;
};

// The sprite editor's state and views: everything the dialog shows, without a
// window. The views are drawn into the three surfaces, which the window copies
// to the screen: `gridImage` at (164, 4), `stripImage` at (202, 280) doubled
// in height.
class CSpriteEditor {
public:
    CSpriteEditor(SpriteBank& bank, const InkArray& inks, int32_t screenMode, int32_t spriteSize,
                  int32_t spriteCount);

    SpriteBank& bank() { return *bank_; }
    const SpriteBank& bank() const { return *bank_; }

    InkArray inks;
    int32_t viewMode = 0;
    int32_t spriteSize = DefaultSpriteSize;
    int32_t spriteCount = DefaultSpriteCount;
    int32_t currentSprite = 0;
    int32_t currentInk = 0;
    SpriteBlock workingCopy{};
    SpriteBlock clipboard{};
    bool clipboardFull = false;
    bool gridLines = false;
    // The window's face colour as a surface pixel 0x00RRGGBB: what shows
    // where no sprite byte is drawn.
    uint32_t facePixel = 0xF0F0F0u;

    CDibSurface spriteImage;  // 32 x 16, one pixel per byte
    CDibSurface stripImage;   // 170 x 18, five neighbouring sprites
    CDibSurface gridImage;    // 256 x 256, the enlarged sprite

    // Creates the three surfaces; false when one cannot be made.
    bool createViews();
    bool viewsReady() const { return spriteImage.ready && stripImage.ready && gridImage.ready; }

    // The enlarged working copy, with cell outlines when `gridLines` is set.
    void redrawGrid();
    // The strip, then the working copy taken again from the bank, then the grid.
    void redrawAll();

    // Button presses at client point (x, y): the left button paints with the
    // current ink, the right one erases to ink 0. Presses outside the sprite
    // area, and SpriteStrokeNone, do nothing.
    SpriteMouseResult press(int32_t x, int32_t y, SpriteStroke stroke);
    SpriteMouseResult move(int32_t x, int32_t y, uint32_t keys);

    // The commands; each redraws what it changed.
    void selectInk(int32_t ink);
    void setViewMode(int32_t mode);
    void setSpriteSize(int32_t size);
    void fillCurrent();      // "Efface"
    void copyCurrent();      // "Copie sprite"
    bool pasteCurrent();     // "Colle sprite": false with an empty clipboard
    void fillAll();          // "Effacer tout", once confirmed
    // Moves to another sprite; false when it is already the current one.
    bool scroll(SpriteScroll request, int32_t thumb = 0);
    bool showSprite(int32_t sprite);

private:
    SpriteBank* bank_;
};

}  // namespace volumix
