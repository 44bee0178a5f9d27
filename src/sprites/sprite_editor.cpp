#include "sprites/sprite_editor.h"

#include <algorithm>

#include "cpc/screen_format.h"
#include "platform/crt_numbers.h"
#include "platform/device_context.h"

namespace volumix {

namespace {

constexpr int32_t LastSprite = SpriteCountMax - 1;
// The count box is read as the platform's 128-character buffer holds it.
constexpr size_t CountTextLimit = 127;
constexpr uint32_t KnownKeys = SpriteKeyLeft | SpriteKeyRight | SpriteKeyShift | SpriteKeyControl | SpriteKeyMiddle |
                               SpriteKeyExtra1 | SpriteKeyExtra2;

bool validSprite(int32_t sprite) { return sprite >= 0 && sprite <= LastSprite; }

// Writes `count` bytes of `ink` at `at`; true when one of them differed.
bool writeInk(uint8_t* at, int32_t count, uint8_t ink) {
    const bool changed = std::any_of(at, at + count, [ink](uint8_t b) { return b != ink; });
    std::fill(at, at + count, ink);
    return changed;
}

bool markIf(SpriteBank& bank, bool changed) {
    if (changed) bank.unsaved = true;
    return changed;
}

}  // namespace

int32_t spriteViewMode(int32_t viewMode) { return isScreenMode(viewMode) ? viewMode : 0; }

// A sprite byte stands for one frame column, so a screen pixel of the mode
// covers as many bytes as it covers columns.
int32_t spriteGroupWidth(int32_t viewMode) {
    return ScreenModes[static_cast<size_t>(spriteViewMode(viewMode))].columnsPerPixel;
}

int32_t spriteCellWidth(int32_t viewMode) { return SpriteGridScaleX * spriteGroupWidth(viewMode); }

uint8_t spriteModeMask(int32_t viewMode) {
    // The bits above an ink number are kept; drawing masks them off anyway.
    const int32_t inkMask = ScreenModes[static_cast<size_t>(spriteViewMode(viewMode))].inkMask;
    return static_cast<uint8_t>(~SpriteInkMask | inkMask);
}

int32_t spriteDrawnSide(int32_t spriteSize) { return std::clamp(spriteSize, 0, SpriteSideMax); }

std::optional<SpriteCell> spriteCellAt(int32_t x, int32_t y, int32_t viewMode, int32_t spriteSize) {
    const int32_t extent = SpriteGridScaleY * spriteDrawnSide(spriteSize);
    if (x < SpriteGridLeft || x >= SpriteGridLeft + extent || y < SpriteGridTop || y >= SpriteGridTop + extent)
        return std::nullopt;
    return SpriteCell{(x - SpriteGridLeft) / spriteCellWidth(viewMode), (y - SpriteGridTop) / SpriteGridScaleY};
}

bool overSpriteViews(int32_t x, int32_t y) {
    const bool overGrid = x >= SpriteGridLeft && x < SpriteGridLeft + SpriteGridSide && y >= SpriteGridTop &&
                          y < SpriteGridTop + SpriteGridSide;
    const bool overStrip = x >= SpriteStripLeft && x < SpriteStripLeft + SpriteStripWidth && y >= SpriteStripTop &&
                           y < SpriteStripTop + SpriteStripScaleY * SpriteStripHeight;
    return overGrid || overStrip;
}

SpriteStroke strokeOfMove(uint32_t keys) {
    switch (keys & KnownKeys) {
        case SpriteKeyLeft:
            return SpriteStrokePaint;
        case SpriteKeyRight:
            return SpriteStrokeErase;
        default:
            return SpriteStrokeNone;
    }
}

int32_t spriteAfterScroll(int32_t current, SpriteScroll request, int32_t thumb) {
    current = std::clamp(current, 0, LastSprite);
    switch (request) {
        case SpriteScrollLineLeft:
            return std::max(current - 1, 0);
        case SpriteScrollLineRight:
            return std::min(current + 1, LastSprite);
        case SpriteScrollPageLeft:
            return std::max(current - SpritePageStep, 0);
        case SpriteScrollPageRight:
            return std::min(current + SpritePageStep, LastSprite);
        case SpriteScrollThumb:
            return std::clamp(thumb, 0, LastSprite);
        case SpriteScrollLeftEnd:
            return 0;
        case SpriteScrollRightEnd:
            return LastSprite;
        case SpriteScrollEnd:
            break;
    }
    return current;
}

int32_t spriteCountOfText(std::string_view text) {
    return std::clamp(parseAtoi(text.substr(0, std::min(text.size(), CountTextLimit))), 1, SpriteCountMax);
}

std::string cursorColumnText(const SpriteCell& cell) { return "Position x : " + std::to_string(cell.column); }

std::string cursorLineText(const SpriteCell& cell) { return "Position y : " + std::to_string(cell.line); }

void drawSpriteBlock(CDibSurface& surface, const uint8_t* block, int32_t left, int32_t top, int32_t viewMode,
                     int32_t spriteSize, const InkArray& inks) {
    if (block == nullptr || surface.bits == nullptr) return;
    const int32_t group = spriteGroupWidth(viewMode);
    const uint8_t mask = spriteModeMask(viewMode);
    const int32_t side = spriteDrawnSide(spriteSize);
    CDeviceContext dc(surface);
    for (int32_t r = 0; r < side; ++r) {
        for (int32_t c = 0; c < 2 * side; c += group) {
            // The group's first byte decides its colour, as one screen pixel.
            const int32_t ink = (block[r * SpriteRowBytes + c] & mask) & SpriteInkMask;
            const uint32_t colour = pixelToColourRef(hardwareColourPixel(inks[static_cast<size_t>(ink)]));
            dc.fillRect(left + c, top + r, left + c + group, top + r + 1, colour);
        }
    }
}

bool setSpriteCell(SpriteBank& bank, int32_t sprite, const SpriteCell& cell, int32_t viewMode, uint8_t ink) {
    const int32_t group = spriteGroupWidth(viewMode);
    if (!validSprite(sprite) || cell.line < 0 || cell.line >= SpriteSideMax || cell.column < 0 ||
        cell.column >= SpriteRowBytes / group)
        return false;
    uint8_t* at = bank.sprite(sprite) + cell.line * SpriteRowBytes + cell.column * group;
    return markIf(bank, writeInk(at, group, static_cast<uint8_t>(ink & SpriteInkMask)));
}

bool fillSprite(SpriteBank& bank, int32_t sprite, uint8_t ink) {
    if (!validSprite(sprite)) return false;
    return markIf(bank, writeInk(bank.sprite(sprite), SpriteBytes, static_cast<uint8_t>(ink & SpriteInkMask)));
}

bool fillSpriteBank(SpriteBank& bank, uint8_t ink) {
    return markIf(bank, writeInk(bank.bytes.data(), static_cast<int32_t>(bank.bytes.size()),
                                 static_cast<uint8_t>(ink & SpriteInkMask)));
}

bool pasteSprite(SpriteBank& bank, int32_t sprite, const SpriteBlock& block) {
    if (!validSprite(sprite)) return false;
    uint8_t* at = bank.sprite(sprite);
    const bool changed = !std::equal(block.begin(), block.end(), at);
    std::copy(block.begin(), block.end(), at);
    return markIf(bank, changed);
}

SpriteBlock copySprite(const SpriteBank& bank, int32_t sprite) {
    SpriteBlock block{};
    if (validSprite(sprite)) std::copy_n(bank.sprite(sprite), SpriteBytes, block.begin());
    return block;
}

CSpriteEditor::CSpriteEditor(SpriteBank& bank, const InkArray& inks, int32_t screenMode, int32_t spriteSize,
                             int32_t spriteCount)
    : inks(inks),
      viewMode(spriteViewMode(screenMode)),
      spriteSize(spriteSize),
      spriteCount(spriteCount),
      workingCopy(copySprite(bank, 0)),
      bank_(&bank) {}

bool CSpriteEditor::createViews() {
    return spriteImage.create(SpriteRowBytes, SpriteSideMax) &&
           stripImage.create(SpriteStripWidth, SpriteStripHeight) && gridImage.create(SpriteGridSide, SpriteGridSide);
}

void CSpriteEditor::redrawGrid() {
    if (!viewsReady()) return;
    spriteImage.fill(facePixel);
    drawSpriteBlock(spriteImage, workingCopy.data(), 0, 0, viewMode, spriteSize, inks);
    spriteImage.blit(PixelView{gridImage.bits, gridImage.width, gridImage.height, gridImage.width}, 0, 0,
                     SpriteGridScaleX, SpriteGridScaleY);
    if (!gridLines) return;
    CDeviceContext dc(gridImage);
    dc.selectPen(SpriteGridLineColour);
    const int32_t side = spriteDrawnSide(spriteSize);
    const int32_t width = spriteCellWidth(viewMode);
    const int32_t cells = 2 * side / spriteGroupWidth(viewMode);
    for (int32_t r = 0; r < side; ++r) {
        const int32_t top = SpriteGridScaleY * r;
        const int32_t bottom = top + SpriteGridScaleY;
        for (int32_t i = 0; i < cells; ++i) {
            dc.moveTo(i * width, top);
            dc.lineTo((i + 1) * width, top);
            dc.lineTo((i + 1) * width, bottom);
            dc.lineTo(i * width, bottom);
            dc.lineTo(i * width, top);
        }
    }
}

void CSpriteEditor::redrawAll() {
    if (viewsReady()) {
        stripImage.fill(facePixel);
        for (int32_t slot = 0; slot < SpriteStripSlots; ++slot) {
            const int32_t sprite = currentSprite + slot - SpriteStripSlots / 2;
            const uint8_t* block = validSprite(sprite) ? bank_->sprite(sprite) : nullptr;
            drawSpriteBlock(stripImage, block, SpriteStripPitch * slot + 1, 0, viewMode, spriteSize, inks);
        }
    }
    workingCopy = copySprite(*bank_, currentSprite);
    redrawGrid();
}

SpriteMouseResult CSpriteEditor::press(int32_t x, int32_t y, SpriteStroke stroke) {
    SpriteMouseResult result;
    result.cell = spriteCellAt(x, y, viewMode, spriteSize);
    if (!result.cell || stroke == SpriteStrokeNone) return result;
    const auto ink = static_cast<uint8_t>(stroke == SpriteStrokePaint ? currentInk : 0);
    setSpriteCell(*bank_, currentSprite, *result.cell, viewMode, ink);
    redrawAll();
    result.redrawn = true;
    return result;
}

SpriteMouseResult CSpriteEditor::move(int32_t x, int32_t y, uint32_t keys) { return press(x, y, strokeOfMove(keys)); }

void CSpriteEditor::selectInk(int32_t ink) {
    if (ink >= 0 && ink < InkCount) currentInk = ink;
}

void CSpriteEditor::setViewMode(int32_t mode) {
    viewMode = spriteViewMode(mode);
    redrawAll();
}

void CSpriteEditor::setSpriteSize(int32_t size) {
    spriteSize = size;
    redrawAll();
}

void CSpriteEditor::fillCurrent() {
    fillSprite(*bank_, currentSprite, static_cast<uint8_t>(currentInk));
    redrawAll();
}

void CSpriteEditor::copyCurrent() {
    clipboard = copySprite(*bank_, currentSprite);
    clipboardFull = true;
}

bool CSpriteEditor::pasteCurrent() {
    if (!clipboardFull) return false;
    pasteSprite(*bank_, currentSprite, clipboard);
    redrawAll();
    return true;
}

void CSpriteEditor::fillAll() {
    fillSpriteBank(*bank_, static_cast<uint8_t>(currentInk));
    redrawAll();
}

bool CSpriteEditor::scroll(SpriteScroll request, int32_t thumb) {
    return showSprite(spriteAfterScroll(currentSprite, request, thumb));
}

bool CSpriteEditor::showSprite(int32_t sprite) {
    sprite = std::clamp(sprite, 0, LastSprite);
    if (sprite == currentSprite) return false;
    currentSprite = sprite;
    redrawAll();
    return true;
}

}  // namespace volumix
