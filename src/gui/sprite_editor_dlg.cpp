#include "gui/sprite_editor_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QWheelEvent>

#include "gui/dialog_template.h"
#include "gui/frame_canvas.h"
#include "gui/prompts.h"
#include "gui/failure_text.h"
#include "export/message_sink.h"
#include "platform/french_texts.h"

namespace volumix {

namespace {

constexpr int WheelNotch = 120;  // angle delta of one wheel step

constexpr QRect GridRect(SpriteGridLeft, SpriteGridTop, SpriteGridSide, SpriteGridSide);
constexpr QRect StripRect(SpriteStripLeft, SpriteStripTop, SpriteStripWidth, SpriteStripHeight * SpriteStripScaleY);

FileChoice spriteFileChoice(bool save) {
    return readOrSaveChoice(QStringLiteral("Fichiers sprites (*.spt *.SPT)"), QStringLiteral("spt"), save);
}

// The key state of a mouse message: its buttons, Shift and Ctrl.
uint32_t mouseKeys(const QMouseEvent& event) {
    uint32_t keys = 0;
    const Qt::MouseButtons buttons = event.buttons();
    if (buttons & Qt::LeftButton) keys |= SpriteKeyLeft;
    if (buttons & Qt::RightButton) keys |= SpriteKeyRight;
    if (buttons & Qt::MiddleButton) keys |= SpriteKeyMiddle;
    if (buttons & Qt::BackButton) keys |= SpriteKeyExtra1;
    if (buttons & Qt::ForwardButton) keys |= SpriteKeyExtra2;
    if (event.modifiers() & Qt::ShiftModifier) keys |= SpriteKeyShift;
    if (event.modifiers() & Qt::ControlModifier) keys |= SpriteKeyControl;
    return keys;
}

SpriteScroll scrollOfAction(int action) {
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            return SpriteScrollLineLeft;
        case QAbstractSlider::SliderSingleStepAdd:
            return SpriteScrollLineRight;
        case QAbstractSlider::SliderPageStepSub:
            return SpriteScrollPageLeft;
        case QAbstractSlider::SliderPageStepAdd:
            return SpriteScrollPageRight;
        case QAbstractSlider::SliderToMinimum:
            return SpriteScrollLeftEnd;
        case QAbstractSlider::SliderToMaximum:
            return SpriteScrollRightEnd;
        case QAbstractSlider::SliderMove:
            return SpriteScrollThumb;
        default:
            return SpriteScrollEnd;
    }
}

}  // namespace

CSpriteEditorDlg::CSpriteEditorDlg(SpriteBank& bank, const InkArray& inks, int32_t screenMode, int32_t spriteSize,
                                   int32_t spriteCount, CPrompts& prompts, QWidget* parent)
    : QDialog(parent), editor_(bank, inks, screenMode, spriteSize, spriteCount), prompts_(prompts) {
    setWindowTitle(QStringLiteral("Editeur de Sprites"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(dialogFont());
    setDialogSize(*this, 388, 249);
    // Moves without a button show the cursor's cell.
    setMouseTracking(true);
    buildControls();
    initialise();
}

void CSpriteEditorDlg::buildControls() {
    placeControl(new QLabel(QStringLiteral("Sprite n°:"), this), 0, 12, 8, 32, 8);
    spriteNumber_ = placeControl(new QLineEdit(this), IdSpriteNumber, 44, 4, 20, 12);
    spriteNumber_->setReadOnly(true);
    currentInk_ = placeControl(new CSwatchFrame(this, true), IdCurrentInk, 8, 68, 48, 44);
    currentInk_->unsetCursor();
    auto* fill = placeControl(new QPushButton(QStringLiteral("Efface"), this), IdFill, 8, 116, 48, 12);
    auto* copy = placeControl(new QPushButton(QStringLiteral("Copie sprite"), this), IdCopy, 8, 140, 48, 12);
    auto* paste = placeControl(new QPushButton(QStringLiteral("Colle sprite"), this), IdPaste, 8, 156, 48, 12);

    cursorColumn_ = placeControl(new QLabel(this), IdCursorColumn, 300, 8, 44, 8);
    cursorLine_ = placeControl(new QLabel(this), IdCursorLine, 300, 20, 44, 8);
    gridLines_ = placeControl(new QCheckBox(QStringLiteral("Grille"), this), IdGridLines, 304, 44, 32, 8);
    auto* sizes = new QButtonGroup(this);
    for (int k = 0; k < 4; ++k) {
        const int32_t side = SpriteSides[k];
        auto* radio = placeControl(new QRadioButton(QStringLiteral("Taille %1x%1").arg(side), this), IdSize4 + k, 296,
                          56 + 12 * k, 60, 10);
        sizeRadios_[static_cast<size_t>(k)] = radio;
        sizes->addButton(radio);
        connect(radio, &QAbstractButton::clicked, this, [this, side] { OnSpriteSize(side); });
    }
    auto* modes = new QButtonGroup(this);
    const int modeRows[3] = {116, 129, 140};
    for (int32_t mode = 0; mode < 3; ++mode) {
        auto* radio =
            placeControl(new QRadioButton(QStringLiteral("Mode %1").arg(mode), this), IdMode0 + mode, 296, modeRows[mode], 40, 10);
        modeRadios_[static_cast<size_t>(mode)] = radio;
        modes->addButton(radio);
        connect(radio, &QAbstractButton::clicked, this, [this, mode] { OnViewMode(mode); });
    }
    auto* save = placeControl(new QPushButton(QStringLiteral("Sauver sprites"), this), IdSave, 296, 156, 56, 12);
    auto* load = placeControl(new QPushButton(QStringLiteral("Charger sprites"), this), IdLoad, 296, 172, 56, 12);
    auto* fillAll = placeControl(new QPushButton(QStringLiteral("Effacer tout"), this), IdFillAll, 296, 188, 56, 12);

    scroll_ = placeControl(new QScrollBar(Qt::Horizontal, this), IdScroll, 134, 195, 121, 12);
    placeControl(new QLabel(QStringLiteral("Nb. sprites dans l'animation :"), this), 0, 4, 200, 92, 8);
    count_ = placeControl(new QLineEdit(this), IdCount, 96, 196, 28, 12);
    count_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), count_));

    for (int32_t ink = 0; ink < InkCount; ++ink) {
        auto* swatch = placeControl(new CSwatchFrame(this, true), IdFirstSwatch + ink, 4 + 24 * ink, 216, 20, 12);
        swatch->setColour(colourOfRef(hardwareColourRef(editor_.inks[static_cast<size_t>(ink)])));
        connect(swatch, &CSwatchFrame::clicked, this, [this, ink] { OnInkSwatch(ink); });
    }
    auto* close = placeControl(new QPushButton(QStringLiteral("Fermer"), this), IdClose, 168, 232, 50, 14);

    connect(close, &QAbstractButton::clicked, this, &CSpriteEditorDlg::reject);
    connect(gridLines_, &QAbstractButton::clicked, this, &CSpriteEditorDlg::OnGridLines);
    connect(fill, &QAbstractButton::clicked, this, &CSpriteEditorDlg::OnFill);
    connect(copy, &QAbstractButton::clicked, this, &CSpriteEditorDlg::OnCopy);
    connect(paste, &QAbstractButton::clicked, this, &CSpriteEditorDlg::OnPaste);
    connect(fillAll, &QAbstractButton::clicked, this, &CSpriteEditorDlg::OnFillAll);
    connect(save, &QAbstractButton::clicked, this, &CSpriteEditorDlg::OnSave);
    connect(load, &QAbstractButton::clicked, this, &CSpriteEditorDlg::OnLoad);
    connect(scroll_, &QScrollBar::actionTriggered, this, &CSpriteEditorDlg::OnScrollAction);
}

void CSpriteEditorDlg::initialise() {
    // Where no sprite byte is drawn the views show the window's own face.
    editor_.facePixel = palette().color(QPalette::Window).rgb() & 0xFFFFFFu;
    if (editor_.createViews()) {
        gridView_ = wrapSurface(editor_.gridImage);
        stripView_ = wrapSurface(editor_.stripImage);
    }
    // Without views the settings are still shown, so closing keeps the count.
    editor_.currentInk = 0;
    showCurrentInk();
    scroll_->setRange(0, SpriteCountMax - 1);
    scroll_->setSingleStep(1);
    scroll_->setPageStep(SpritePageStep);
    scroll_->setValue(0);
    modeRadios_[static_cast<size_t>(editor_.viewMode)]->setChecked(true);
    for (size_t k = 0; k < sizeRadios_.size(); ++k)
        if (editor_.spriteSize == SpriteSides[k]) sizeRadios_[k]->setChecked(true);
    count_->setText(QString::number(editor_.spriteCount));
    fullRedraw();
}

void CSpriteEditorDlg::accept() { QDialog::accept(); }

void CSpriteEditorDlg::reject() {
    editor_.spriteCount = spriteCountOfText(count_->text().toStdString());
    QDialog::reject();
}

void CSpriteEditorDlg::paintEvent(QPaintEvent*) {
    if (gridView_.isNull() || stripView_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(GridRect, gridView_);
    painter.drawImage(StripRect, stripView_);
}

void CSpriteEditorDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const SpriteStroke stroke = event->button() == Qt::LeftButton    ? SpriteStrokePaint
                                : event->button() == Qt::RightButton ? SpriteStrokeErase
                                                                     : SpriteStrokeNone;
    if (editor_.press(at.x(), at.y(), stroke).redrawn) showViews();
    event->accept();
}

void CSpriteEditorDlg::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const SpriteMouseResult result = editor_.move(at.x(), at.y(), mouseKeys(*event));
    showCursor(result);
    if (result.redrawn) showViews();
    event->accept();
}

void CSpriteEditorDlg::wheelEvent(QWheelEvent* event) {
    const QPoint at = event->position().toPoint();
    if (!overSpriteViews(at.x(), at.y())) {
        event->ignore();
        return;
    }
    // Whole notches only, so a fine-grained wheel or touchpad moves one sprite
    // per notch's worth of turning; up is the previous sprite.
    wheelRemainder_ += event->angleDelta().y();
    int32_t sprite = editor_.currentSprite;
    for (; wheelRemainder_ >= WheelNotch; wheelRemainder_ -= WheelNotch)
        sprite = spriteAfterScroll(sprite, SpriteScrollLineLeft, 0);
    for (; wheelRemainder_ <= -WheelNotch; wheelRemainder_ += WheelNotch)
        sprite = spriteAfterScroll(sprite, SpriteScrollLineRight, 0);
    moveToSprite(sprite);
    event->accept();
}

void CSpriteEditorDlg::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        OnCopy();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        OnPaste();
        return;
    }
    // Enter is the dialog's OK: it ends at once, whatever has the focus.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CSpriteEditorDlg::OnInkSwatch(int32_t ink) {
    editor_.selectInk(ink);
    showCurrentInk();
}

void CSpriteEditorDlg::OnGridLines() {
    editor_.gridLines = gridLines_->isChecked();
    gridRedraw();
}

void CSpriteEditorDlg::OnViewMode(int32_t mode) {
    editor_.setViewMode(mode);
    showViews();
}

void CSpriteEditorDlg::OnSpriteSize(int32_t size) {
    editor_.setSpriteSize(size);
    showViews();
}

void CSpriteEditorDlg::OnFill() {
    editor_.fillCurrent();
    showViews();
}

void CSpriteEditorDlg::OnCopy() { editor_.copyCurrent(); }

void CSpriteEditorDlg::OnPaste() {
    if (editor_.pasteCurrent()) showViews();
}

void CSpriteEditorDlg::OnFillAll() {
    if (!prompts_.askYesNo(this, QString::fromUtf8(french::AreYouSure))) return;
    editor_.fillAll();
    showViews();
}

void CSpriteEditorDlg::OnSave() {
    const QString path = prompts_.chooseFile(this, spriteFileChoice(true));
    if (path.isEmpty()) return;
    // The existing file is replaced only once the new one is whole.
    if (!saveSpt(editor_.bank(), QFile::encodeName(path).toStdString()))
        prompts_.tell(this, QString::fromStdString(formatLine(french::CannotCreateFileLine, path.toUtf8().constData())));
    fullRedraw();
}

void CSpriteEditorDlg::OnLoad() {
    // A file replaces every sprite: edits no file holds are asked for first.
    if (editor_.bank().unsaved &&
        !prompts_.askYesNo(this, unsavedWorkText(false, true) + QStringLiteral(" Les remplacer quand même ?")))
        return;
    const QString path = prompts_.chooseFile(this, spriteFileChoice(false));
    if (path.isEmpty()) return;
    Failure failure;
    if (loadSpt(editor_.bank(), QFile::encodeName(path).toStdString(), &failure) != SptOk) {
        QString text = QString::fromStdString(formatLine(french::CannotOpenFileLine, path.toUtf8().constData()));
        text += QStringLiteral("\n") + failureReason(failure);
        prompts_.tell(this, text);
    }
    fullRedraw();
}

void CSpriteEditorDlg::OnScrollAction(int action) {
    // The bar has already moved its thumb by its own steps; ours decide.
    const int32_t sprite = spriteAfterScroll(editor_.currentSprite, scrollOfAction(action), scroll_->sliderPosition());
    scroll_->setSliderPosition(sprite);
    if (editor_.showSprite(sprite)) showViews();
}

void CSpriteEditorDlg::moveToSprite(int32_t sprite) {
    if (!editor_.showSprite(sprite)) return;
    scroll_->setValue(editor_.currentSprite);
    showViews();
}

void CSpriteEditorDlg::showCursor(const SpriteMouseResult& result) {
    if (!result.cell) {
        cursorColumn_->clear();
        cursorLine_->clear();
        return;
    }
    cursorColumn_->setText(QString::fromStdString(cursorColumnText(*result.cell)));
    cursorLine_->setText(QString::fromStdString(cursorLineText(*result.cell)));
}

void CSpriteEditorDlg::fullRedraw() {
    editor_.redrawAll();
    showViews();
}

void CSpriteEditorDlg::showViews() {
    spriteNumber_->setText(QString::number(editor_.currentSprite));
    update(GridRect);
    update(StripRect);
}

void CSpriteEditorDlg::gridRedraw() {
    editor_.redrawGrid();
    update(GridRect);
}

void CSpriteEditorDlg::showCurrentInk() {
    currentInk_->setColour(colourOfRef(hardwareColourRef(editor_.inks[static_cast<size_t>(editor_.currentInk)])));
}

}  // namespace volumix
