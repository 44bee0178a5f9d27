#pragma once

#include <QDialog>
#include <QImage>

#include <array>
#include <cstdint>

#include "cpc/palette.h"
#include "sprites/sprite_editor.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QScrollBar;

namespace volumix {

class CPrompts;
class CSwatchFrame;

// "Editeur de Sprites": edits the sprite bank in place on an enlarged grid,
// with a strip of the neighbouring sprites, and sets the sprite size and
// count. After exec() the caller reads spriteSize() and spriteCount(),
// however the dialog ended.
class CSpriteEditorDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId : int32_t {
        IdClose = 2,
        IdFirstSwatch = 1200,  // 1200..1215: inks 0..15
        IdCurrentInk = 1230,
        IdGridLines = 1301,
        IdScroll = 1302,
        IdSpriteNumber = 1303,
        IdCursorColumn = 1304,
        IdCursorLine = 1305,
        IdSize4 = 1307,  // 1307..1310: sizes 4, 8, 12, 16
        IdMode0 = 1029,  // 1029..1031: view modes 0, 1, 2
        IdSave = 1069,
        IdLoad = 1070,
        IdFillAll = 1071,
        IdFill = 1060,
        IdCopy = 1061,
        IdPaste = 1062,
        IdCount = 1313,
    };

    CSpriteEditorDlg(SpriteBank& bank, const InkArray& inks, int32_t screenMode, int32_t spriteSize,
                     int32_t spriteCount, CPrompts& prompts, QWidget* parent = nullptr);

    int32_t spriteSize() const { return editor_.spriteSize; }
    int32_t spriteCount() const { return editor_.spriteCount; }
    const CSpriteEditor& editor() const { return editor_; }


    void accept() override;  // Enter: ends at once, the count box unread
    void reject() override;  // "Fermer", Escape, the close box: reads the count box

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void initialise();

    void OnInkSwatch(int32_t ink);
    void OnGridLines();
    void OnViewMode(int32_t mode);
    void OnSpriteSize(int32_t size);
    void OnFill();
    void OnCopy();
    void OnPaste();
    void OnFillAll();
    void OnSave();
    void OnLoad();
    void OnScrollAction(int action);

    // Shows another sprite, keeping the scroll bar with it.
    void moveToSprite(int32_t sprite);
    void showCursor(const SpriteMouseResult& result);
    // Redraws every view from the bank.
    void fullRedraw();
    // Shows what the editor has drawn, with the current sprite's number.
    void showViews();
    void gridRedraw();
    void showCurrentInk();

    CSpriteEditor editor_;
    CPrompts& prompts_;
    QScrollBar* scroll_ = nullptr;
    QLineEdit* spriteNumber_ = nullptr;
    CSwatchFrame* currentInk_ = nullptr;
    QLabel* cursorColumn_ = nullptr;
    QLabel* cursorLine_ = nullptr;
    QCheckBox* gridLines_ = nullptr;
    std::array<QRadioButton*, 4> sizeRadios_{};  // sizes 4, 8, 12, 16
    std::array<QRadioButton*, 3> modeRadios_{};  // view modes 0, 1, 2
    QLineEdit* count_ = nullptr;
    QImage gridView_;
    QImage stripView_;
    int wheelRemainder_ = 0;
};

}  // namespace volumix
