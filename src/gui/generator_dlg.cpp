#include "gui/generator_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "app/version.h"
#include "cpc/show_frame.h"
#include "gui/dialog_template.h"
#include "export/gif_preview.h"
#include "gui/frame_canvas.h"
#include "gui/generator_dlg_ids.h"
#include "gui/object_editor_dlg.h"
#include "gui/prompts.h"
#include "gui/sequence_editor_dlg.h"
#include "gui/sprite_editor_dlg.h"
#include "mesh/mesh_import.h"
#include "platform/french_texts.h"

namespace volumix {

namespace {

const char* const ParameterLabels[7] = {"PX:", "PY:", "ZX:", "ZY:", "AX:", "AY:", "AZ:"};

// The render-mode radios in the order they stand in "Paramètres objet": the
// four modes without colour fill first, then the three others.
constexpr RenderMode RenderChoices[RenderModeCount] = {RenderPoints,      RenderHiddenPoints, RenderWireframe,
                                                       RenderHiddenFaces, RenderFilledFaces,  RenderSprites,
                                                       RenderHiddenSprites};

QValidator* digitsOnly(QObject* parent) {
    return new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), parent);
}

// The application icon: a wireframe triangle in three CPC colours.
QIcon applicationIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(colourOfRef(hardwareColourRef(1)));
    QPainter painter(&pixmap);
    painter.setPen(QPen(colourOfRef(hardwareColourRef(24)), 2));
    painter.setBrush(colourOfRef(hardwareColourRef(6)));
    const QPoint corners[3] = {{16, 4}, {28, 27}, {4, 27}};
    painter.drawPolygon(corners, 3);
    return QIcon(pixmap);
}


}  // namespace

CGeneratorDlg::CGeneratorDlg(AppStores& stores, CPrompts& prompts, QWidget* parent)
    : QDialog(parent), stores_(stores), prompts_(prompts) {
    // Construction: the inks, R1, sprites and background as a new session has
    // them (the surface is the stores').
    stores_.sprites.bytes.assign(SpriteBankBytes, 1);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setWindowIcon(applicationIcon());
    setFont(dialogFont());
    setDialogSize(*this, 616, 425);
    setAcceptDrops(true);

    canvas_ = new CFrameCanvas(stores_.frameSurface, FrameViewScaleX, FrameViewScaleY, this);
    canvas_->move(FrameViewX, FrameViewY);
    buildParameterControls();
    buildScreenControls();
    buildSourceAndDestination();
    buildObjectControls();
    connectHandlers();
    initialise();
}

CGeneratorDlg::~CGeneratorDlg() = default;

void CGeneratorDlg::buildParameterControls() {
    placeControl(new QGroupBox(QStringLiteral("Paramètres animation"), this), 0, 516, 2, 100, 158);
    for (int k = 0; k < 7; ++k) {
        const int y = 14 + 15 * k;
        placeControl(new QLabel(QString::fromUtf8(ParameterLabels[k]), this), 0, 521, y + 2, 14, 8);
        startBoxes_[static_cast<size_t>(k)] =
            placeControl(new QLineEdit(this), StartValueIds[static_cast<size_t>(k)], 536, y, 34, 12);
        placeControl(new QLabel(QStringLiteral("+"), this), 0, 572, y + 2, 6, 8);
        incrementBoxes_[static_cast<size_t>(k)] =
            placeControl(new QLineEdit(this), IncrementIds[static_cast<size_t>(k)], 579, y, 32, 12);
    }
    sequenceEditor_ =
        placeControl(new QPushButton(QStringLiteral("Editeur de séquence"), this), IdSequenceEditor, 521, 122, 90, 14);
    useSequence_ = placeControl(new QCheckBox(QStringLiteral("Utiliser Séquence"), this), IdUseSequence, 521, 142, 90, 10);
}

void CGeneratorDlg::buildScreenControls() {
    placeControl(new QGroupBox(QStringLiteral("Paramètres écran CPC"), this), 0, 516, 164, 100, 80);
    auto* modes = new QButtonGroup(this);
    for (int mode = 0; mode < 3; ++mode) {
        auto* radio = placeControl(new QRadioButton(QStringLiteral("Mode %1").arg(mode), this),
                          ScreenModeIds[static_cast<size_t>(mode)], 520, 174 + 11 * mode, 42, 10);
        screenModeRadios_[static_cast<size_t>(mode)] = radio;
        modes->addButton(radio);
    }
    auto* bases = new QButtonGroup(this);
    for (size_t k = 0; k < BaseAddressChoices.size(); ++k) {
        const QString caption =
            QStringLiteral("#%1").arg(BaseAddressChoices[k].address, 4, 16, QLatin1Char('0')).toUpper();
        auto* radio = placeControl(new QRadioButton(caption, this), BaseAddressChoices[k].id, 566,
                          174 + 11 * static_cast<int>(k), 46, 10);
        baseAddressRadios_[k] = radio;
        bases->addButton(radio);
    }
    placeControl(new QLabel(QStringLiteral("CRTC R1:"), this), 0, 520, 222, 33, 8);
    crtcR1Box_ = placeControl(new QLineEdit(this), IdCrtcR1, 554, 220, 18, 12);
    crtcR1Box_->setValidator(digitsOnly(crtcR1Box_));
    applyR1_ = placeControl(new QPushButton(QStringLiteral("Appliquer"), this), IdApplyR1, 574, 219, 38, 14);
    linear_ = placeControl(new QCheckBox(QStringLiteral("Mémoire Linéaire (R9=0)"), this), IdLinear, 520, 233, 94, 10);

    placeControl(new QLabel(QStringLiteral("Ink 0-15 :"), this), 0, 21, 254, 34, 8);
    for (int k = 0; k < InkCount; ++k)
        swatches_[static_cast<size_t>(k)] = placeControl(new CSwatchFrame(this, true), IdFirstSwatch + k, 57 + 24 * k, 252, 20, 12);

    placeControl(new QGroupBox(QStringLiteral("Fond d'écran"), this), 0, 440, 260, 176, 40);
    backgroundTick_ =
        placeControl(new QCheckBox(QStringLiteral("Ajouter image de fond"), this), IdBackgroundTick, 446, 271, 92, 10);
    importPalette_ = placeControl(new QCheckBox(QStringLiteral("Importer palette"), this), IdImportPalette, 542, 271, 70, 10);
    loadScr_ = placeControl(new QPushButton(QStringLiteral(".SCR"), this), IdLoadScr, 446, 284, 26, 12);
    backgroundPath_ = placeControl(new QLineEdit(this), IdBackgroundPath, 476, 284, 136, 12);
}

void CGeneratorDlg::buildSourceAndDestination() {
    placeControl(new QGroupBox(QStringLiteral("Source (objet)"), this), 0, 4, 266, 232, 58);
    objectFileButton_ =
        placeControl(new QPushButton(QStringLiteral("Fichier Objet"), this), IdObjectFileButton, 10, 277, 52, 13);
    objectPath_ = placeControl(new QLineEdit(this), IdObjectPath, 66, 277, 164, 13);
    recentre_ = placeControl(new QCheckBox(QStringLiteral("Recentrer objet"), this), IdRecentre, 10, 293, 80, 10);
    struct CountBox {
        const char* label;
        int32_t id;
        int labelX, labelWidth, boxX;
        QLineEdit* CGeneratorDlg::*box;
    };
    const CountBox counts[] = {{"Nb images :", IdFrameCount, 10, 40, 50, &CGeneratorDlg::frameCountBox_},
                               {"Pas :", IdFrameStep, 84, 18, 102, &CGeneratorDlg::frameStepBox_},
                               {"Première :", IdFirstFrame, 136, 36, 172, &CGeneratorDlg::firstFrameBox_}};
    for (const CountBox& count : counts) {
        placeControl(new QLabel(QString::fromUtf8(count.label), this), 0, count.labelX, 308, count.labelWidth, 8);
        this->*count.box = placeControl(new QLineEdit(this), count.id, count.boxX, 306, 26, 12);
        (this->*count.box)->setValidator(digitsOnly(this));
    }

    placeControl(new QGroupBox(QStringLiteral("Destination"), this), 0, 4, 324, 232, 100);
    cpcFilesButton_ = placeControl(new QPushButton(QStringLiteral("Fichiers CPC"), this), IdCpcFilesButton, 10, 335, 52, 13);
    cpcPath_ = placeControl(new QLineEdit(this), IdCpcPath, 66, 335, 164, 13);
    const struct {
        const char* caption;
        int32_t id;
        QCheckBox* CGeneratorDlg::*box;
    } leftColumn[] = {{"Sauvegarde source assembleur datas", IdWriteAsm, &CGeneratorDlg::writeAsm_},
                      {"Activer compression", IdCompress, &CGeneratorDlg::compress_},
                      {"Gestion banques mémoires (128K)", IdBanks, &CGeneratorDlg::banks_},
                      {"Export mode \"points\"", IdPointsExport, &CGeneratorDlg::pointsExport_},
                      {"Export des .SCR de chaque image", IdWriteScr, &CGeneratorDlg::writeScr_}};
    for (int row = 0; row < 5; ++row)
        this->*leftColumn[row].box = placeControl(new QCheckBox(QString::fromUtf8(leftColumn[row].caption), this),
                                         leftColumn[row].id, 10, 352 + 12 * row, 134, 10);
    // The room below the left column takes the GIF preview; a build without
    // giflib keeps it disabled.
    gifPreview_ = placeControl(new QCheckBox(QStringLiteral("Prévisualisation GIF"), this), IdGifPreview, 10, 412, 134, 10);
    gifPreview_->setEnabled(gifPreviewAvailable());
    spriteExport_ = placeControl(new QCheckBox(QStringLiteral("Mode export \"Sprites\""), this), IdSpriteExport, 146, 352, 86, 10);
    sizeOnlyHeader_ = placeControl(new QCheckBox(QStringLiteral("Taille simple"), this), IdSizeOnlyHeader, 146, 364, 86, 10);
    auto* layouts = new QButtonGroup(this);
    const char* const layoutCaptions[3] = {"mode \"lignes\"", "mode \"1 colonne\"", "mode \"2 colonnes\""};
    for (int k = 0; k < 3; ++k) {
        auto* radio = placeControl(new QRadioButton(QString::fromUtf8(layoutCaptions[k]), this),
                          LayoutIds[static_cast<size_t>(k)], 146, 376 + 12 * k, 86, 10);
        layoutRadios_[static_cast<size_t>(k)] = radio;
        layouts->addButton(radio);
    }

    messages_ = placeControl(new QListWidget(this), IdMessageList, 244, 268, 192, 140);
    start_ = placeControl(new QPushButton(QStringLiteral("Démarrer"), this), IdStart, 292, 412, 40, 12);
    stop_ = placeControl(new QPushButton(QStringLiteral("Arrêter"), this), IdStop, 336, 412, 40, 12);
    // The room right of "Arrêter", under the message list.
    cpcPlayback_ = placeControl(new QPushButton(QStringLiteral("Lecture CPC"), this), IdCpcPlayback, 380, 412, 56, 12);
}

void CGeneratorDlg::buildObjectControls() {
    placeControl(new QGroupBox(QStringLiteral("Paramètres objet"), this), 0, 440, 304, 175, 120);
    auto* modes = new QButtonGroup(this);
    for (int k = 0; k < RenderModeCount; ++k) {
        const int column = k < 4 ? 0 : 1;
        const int row = k < 4 ? k : k - 4;
        const auto mode = static_cast<size_t>(RenderChoices[k]);
        auto* radio = placeControl(new QRadioButton(QString::fromUtf8(french::RenderModeCaptions[mode]), this), RenderModeIds[mode],
                          446 + 84 * column, 315 + 11 * row, 82, 10);
        renderModeRadios_[mode] = radio;
        modes->addButton(radio);
    }
    placeControl(new QLabel(QStringLiteral("Stylo lignes/points:"), this), 0, 446, 364, 70, 8);
    lineInkBox_ = placeControl(new QLineEdit(this), IdLineInk, 518, 362, 22, 12);
    placeControl(new QLabel(QStringLiteral("Stylo Fill :"), this), 0, 446, 379, 70, 8);
    fillInkBox_ = placeControl(new QLineEdit(this), IdFillInk, 518, 377, 22, 12);
    objectEditor_ = placeControl(new QPushButton(QStringLiteral("Editeur d'objets"), this), IdObjectEditor, 546, 361, 64, 13);
    spriteEditor_ =
        placeControl(new QPushButton(QStringLiteral("Editeur de sprites"), this), IdSpriteEditor, 546, 376, 64, 13);
    spriteSizeLabel_ = placeControl(new QLabel(this), IdSpriteSizeLabel, 446, 395, 164, 8);
    spriteCountLabel_ = placeControl(new QLabel(this), IdSpriteCountLabel, 446, 406, 164, 8);
}

void CGeneratorDlg::connectHandlers() {
    connect(start_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnStart);
    connect(stop_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnStop);
    connect(cpcPlayback_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnCpcPlayback);
    connect(objectFileButton_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnObjectFile);
    connect(cpcFilesButton_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnCpcFiles);
    for (int32_t mode = 0; mode < RenderModeCount; ++mode)
        connect(renderModeRadios_[static_cast<size_t>(mode)], &QAbstractButton::clicked, this,
                [this, mode] { OnRenderMode(mode); });
    for (int32_t mode = 0; mode < 3; ++mode)
        connect(screenModeRadios_[static_cast<size_t>(mode)], &QAbstractButton::clicked, this,
                [this, mode] { OnScreenMode(mode); });
    for (size_t k = 0; k < BaseAddressChoices.size(); ++k)
        connect(baseAddressRadios_[k], &QAbstractButton::clicked, this,
                [this, address = BaseAddressChoices[k].address] { OnBaseAddress(address); });
    for (int32_t layout = 1; layout <= 3; ++layout)
        connect(layoutRadios_[static_cast<size_t>(layout - 1)], &QAbstractButton::clicked, this,
                [this, layout] { OnLayout(layout); });
    for (int32_t ink = 0; ink < InkCount; ++ink)
        connect(swatches_[static_cast<size_t>(ink)], &CSwatchFrame::clicked, this, [this, ink] { OnInkSwatch(ink); });
    connect(applyR1_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnApplyR1);
    connect(backgroundTick_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnBackgroundTick);
    connect(loadScr_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnLoadScr);
    for (QCheckBox* box : {useSequence_, pointsExport_, spriteExport_})
        connect(box, &QAbstractButton::clicked, this, &CGeneratorDlg::applyRules);
    connect(sequenceEditor_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnSequenceEditor);
    connect(spriteEditor_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnSpriteEditor);
    connect(objectEditor_, &QAbstractButton::clicked, this, &CGeneratorDlg::OnObjectEditor);
}

void CGeneratorDlg::OnObjectEditor() {
    // Also during a run: the run waits, then draws the mesh as it is left.
    CObjectEditorDlg editor(stores_.mesh, inks, prompts_, this);
    editor.exec();
}

void CGeneratorDlg::OnSequenceEditor() {
    // The editor generates rows from the parameters as a run would read them.
    readParameters();
    CSequenceEditorDlg editor(stores_.sequence, frameParams, increments, frameCount, prompts_, this);
    editor.exec();
}

void CGeneratorDlg::OnSpriteEditor() {
    // Also during a run: the run waits, then cycles the edited sprites.
    CSpriteEditorDlg editor(stores_.sprites, inks, screenMode, spriteSize, spriteCount, prompts_, this);
    editor.exec();
    spriteSize = editor.spriteSize();
    spriteCount = editor.spriteCount();
    updateSpriteLabels();
}

void CGeneratorDlg::initialise() {
    setWindowTitle(QString::fromStdString(programCaption()));
    const ParameterBoxes defaults;
    for (size_t k = 0; k < 7; ++k) {
        startBoxes_[k]->setText(QString::fromStdString(defaults.start[k]));
        incrementBoxes_[k]->setText(QString::fromStdString(defaults.increments[k]));
    }
    frameCountBox_->setText(QString::fromStdString(defaults.frameCount));
    frameStepBox_->setText(QString::fromStdString(defaults.frameStep));
    firstFrameBox_->setText(QString::fromStdString(defaults.firstFrame));
    lineInkBox_->setText(QString::fromStdString(defaults.lineInk));
    fillInkBox_->setText(QString::fromStdString(defaults.fillInk));

    screenMode = DefaultScreenMode;
    screenModeRadios_[static_cast<size_t>(screenMode)]->setChecked(true);
    renderMode = DefaultRenderMode;
    renderModeRadios_[renderMode]->setChecked(true);
    baseAddress = DefaultExportFormat.baseAddress;
    for (size_t k = 0; k < BaseAddressChoices.size(); ++k)
        if (BaseAddressChoices[k].address == baseAddress) baseAddressRadios_[k]->setChecked(true);
    backgroundLoaded = 0;
    crtcR1Box_->setText(QString::number(crtcR1));
    spriteExportLayout = SpriteLayoutLines;
    layoutRadios_[static_cast<size_t>(spriteExportLayout - SpriteLayoutLines)]->setChecked(true);
    stores_.sequence.clear();
    stores_.sequence.unsaved = false;
    applyRules();
    // "Arrêter" is usable until the first run ends; a click before it only
    // sets the flag, which the next run clears.
    stop_->setEnabled(true);
    // Nothing to play before a run has written files.
    cpcPlayback_->setEnabled(false);
    clearFrame();
    showFrame();
    paintSwatches();
    readParameters();
    updateSpriteLabels();
}

std::vector<QWidget*> CGeneratorDlg::controlsOf(ControlGroup group) const {
    const auto all = [](const auto& widgets) { return std::vector<QWidget*>(widgets.begin(), widgets.end()); };
    switch (group) {
        case ControlGroupStart: return {start_};
        case ControlGroupStop: return {stop_};
        case ControlGroupFiles: return {objectFileButton_, objectPath_, cpcFilesButton_, cpcPath_};
        case ControlGroupRecentre: return {recentre_};
        case ControlGroupFrameCounts: return {frameCountBox_, frameStepBox_, firstFrameBox_};
        case ControlGroupAnimationValues: {
            std::vector<QWidget*> boxes = all(startBoxes_);
            boxes.insert(boxes.end(), incrementBoxes_.begin(), incrementBoxes_.end());
            return boxes;
        }
        case ControlGroupSequence: return {sequenceEditor_, useSequence_};
        case ControlGroupScreenModes: return all(screenModeRadios_);
        case ControlGroupBaseAddresses: return all(baseAddressRadios_);
        case ControlGroupCrtcR1Box: return {crtcR1Box_};
        case ControlGroupApplyR1: return {applyR1_};
        case ControlGroupLinear: return {linear_};
        case ControlGroupInkSwatches: return all(swatches_);
        case ControlGroupBackground: return {backgroundTick_, loadScr_, backgroundPath_};
        case ControlGroupImportPalette: return {importPalette_};
        case ControlGroupRenderModes: return all(renderModeRadios_);
        case ControlGroupPenInks: return {lineInkBox_, fillInkBox_};
        case ControlGroupExportOptions: {
            std::vector<QWidget*> boxes = {writeAsm_,  compress_,     banks_,         pointsExport_,
                                           writeScr_,  gifPreview_,   spriteExport_,  sizeOnlyHeader_};
            boxes.insert(boxes.end(), layoutRadios_.begin(), layoutRadios_.end());
            return boxes;
        }
        case ControlGroupObjectEditor: return {objectEditor_};
        case ControlGroupSpriteEditor: return {spriteEditor_};
        case ControlGroupMessages: return {messages_};
        case ControlGroupCpcPlayback: return {cpcPlayback_};
        case ControlGroupCount: break;
    }
    return {};
}


void CGeneratorDlg::selectRenderMode(RenderMode mode) {
    renderModeRadios_[static_cast<size_t>(mode)]->click();
}

void CGeneratorDlg::readParameters() {
    ParameterBoxes boxes;
    for (size_t k = 0; k < 7; ++k) {
        boxes.start[k] = startBoxes_[k]->text().toStdString();
        boxes.increments[k] = incrementBoxes_[k]->text().toStdString();
    }
    boxes.frameCount = frameCountBox_->text().toStdString();
    boxes.frameStep = frameStepBox_->text().toStdString();
    boxes.firstFrame = firstFrameBox_->text().toStdString();
    boxes.lineInk = lineInkBox_->text().toStdString();
    boxes.fillInk = fillInkBox_->text().toStdString();

    const bool useSequence = useSequence_->isChecked();
    const DialogParameters read = ::volumix::readParameters(boxes, useSequence, stores_.sequence, screenMode);
    frameParams = read.start;
    increments = read.increments;
    frameCount = read.frameCount;
    frameStep = read.frameStep;
    firstFrame = read.firstFrame;
    lineInk = read.lineInk;
    fillInk = read.fillInk;

    for (size_t k = 0; k < 7; ++k) {
        startBoxes_[k]->setText(QString::fromStdString(boxes.start[k]));
        incrementBoxes_[k]->setText(QString::fromStdString(boxes.increments[k]));
    }
    if (!useSequence) {
        frameCountBox_->setText(QString::fromStdString(boxes.frameCount));
        frameStepBox_->setText(QString::fromStdString(boxes.frameStep));
        firstFrameBox_->setText(QString::fromStdString(boxes.firstFrame));
    }
    lineInkBox_->setText(QString::fromStdString(boxes.lineInk));
    fillInkBox_->setText(QString::fromStdString(boxes.fillInk));
}

DialogTicks CGeneratorDlg::ticks() const {
    DialogTicks t;
    t.useSequence = useSequence_->isChecked();
    t.backgroundTicked = backgroundTick_->isChecked();
    t.spriteExport = spriteExport_->isChecked();
    t.pointsExport = pointsExport_->isChecked();
    t.compress = compress_->isChecked();
    t.screenMode = screenMode;
    t.renderMode = renderMode;
    return t;
}

void CGeneratorDlg::applyRules() {
    DialogTicks t = ticks();
    const DependentControls enabled = applyDialogRules(t);
    for (QWidget* widget : std::initializer_list<QWidget*>{backgroundPath_, loadScr_, importPalette_})
        widget->setEnabled(enabled.backgroundControls);
    pointsExport_->setEnabled(enabled.pointsExport);
    pointsExport_->setChecked(t.pointsExport);
    compress_->setEnabled(enabled.compress);
    compress_->setChecked(t.compress);
    sizeOnlyHeader_->setEnabled(enabled.spriteOptions);
    for (QRadioButton* radio : layoutRadios_) radio->setEnabled(enabled.spriteOptions);
    for (QWidget* box : controlsOf(ControlGroupAnimationValues)) box->setEnabled(enabled.parameterBoxes);
    for (QWidget* box : controlsOf(ControlGroupFrameCounts)) box->setEnabled(enabled.parameterBoxes);
}

void CGeneratorDlg::OnObjectFile() {
    FileChoice choice;
    choice.filter = objectOpenFilter();
    choice.defaultSuffix = QStringLiteral("ASC");
    const QString path = prompts_.chooseFile(this, choice);
    if (!path.isEmpty()) objectPath_->setText(path);
}

void CGeneratorDlg::OnCpcFiles() {
    FileChoice choice;
    choice.filter = QStringLiteral("Tous les fichiers (*)");
    choice.save = true;
    const QString path = prompts_.chooseFile(this, choice);
    if (!path.isEmpty()) cpcPath_->setText(path);
}

void CGeneratorDlg::OnRenderMode(int32_t mode) {
    renderMode = static_cast<RenderMode>(mode);
    applyRules();
}

void CGeneratorDlg::OnScreenMode(int32_t mode) {
    screenMode = mode;
    applyRules();
    // The frame itself changes at the next run or background operation.
    update();
}

void CGeneratorDlg::updateSpriteLabels() {
    spriteSizeLabel_->setText(QStringLiteral("(Taille sprites : %1x%2)").arg(spriteSize).arg(spriteSize));
    spriteCountLabel_->setText(QStringLiteral("(Nombre de sprites : %1)").arg(spriteCount));
}

void CGeneratorDlg::addMessage(const QString& line) {
    messages_->addItem(line);
    messages_->setCurrentRow(messages_->count() - 1);
}

void CGeneratorDlg::keyPressEvent(QKeyEvent* event) {
    // Enter does nothing in this dialog; Escape closes it, except during a run.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CGeneratorDlg::reject() {
    if (running_) return;  // the run's loop still uses the window
    // The sequence and the sprites live only in memory until saved.
    const QString unsaved = unsavedWorkText(stores_.sequence.unsaved, stores_.sprites.unsaved);
    if (!unsaved.isEmpty() && !prompts_.askYesNo(this, unsaved + QStringLiteral(" Quitter quand même ?"))) return;
    QDialog::reject();
}

void CGeneratorDlg::closeEvent(QCloseEvent* event) {
    stopRequested = 1;
    if (running_) {
        // The run ends after its current frame, writes its total and closes
        // the export; then the window closes.
        closeWhenRunEnds_ = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

namespace {

bool isObjectFile(const QString& path) {
    return QFileInfo(path).suffix().toLower() == QLatin1String("asc") ||
           (meshImportAvailable() && isImportedMeshFile(QFile::encodeName(path).toStdString()));
}

// The one local file a drop carries, when it is a mesh or a screen.
QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return isObjectFile(path) || QFileInfo(path).suffix().toLower() == QLatin1String("scr") ? path : QString();
}

}  // namespace

void CGeneratorDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!running_ && !droppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CGeneratorDlg::dropEvent(QDropEvent* event) {
    const QString path = droppedFile(event->mimeData());
    if (running_ || path.isEmpty()) return;
    event->acceptProposedAction();
    openFile(path);
}

void CGeneratorDlg::openFile(const QString& path) {
    if (isObjectFile(path)) {
        objectPath_->setText(path);
        return;
    }
    // A screen is meant to be seen: it is loaded and shown as the background.
    backgroundTick_->setChecked(true);
    applyRules();
    loadBackgroundFile(path);
}

}  // namespace volumix
