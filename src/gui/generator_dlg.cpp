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
#include "gui/dialog_template.h"
#include "cpc/show_frame.h"
#include "export/gif_preview.h"
#include "gui/frame_canvas.h"
#include "gui/object_editor_dlg.h"
#include "gui/prompts.h"
#include "gui/sequence_editor_dlg.h"
#include "gui/sprite_editor_dlg.h"
#include "mesh/mesh_import.h"

namespace volumix {

namespace {

const char* const ParameterLabels[7] = {"PX:", "PY:", "ZX:", "ZY:", "AX:", "AY:", "AZ:"};

// The render-mode radios in the order they stand in "Paramètres objet": the
// four modes without colour fill first, then the three others.
struct RenderChoice {
    RenderMode mode;
    const char* caption;
};
constexpr RenderChoice RenderChoices[RenderModeCount] = {
    {RenderPoints, "Mode \"points\""},           {RenderHiddenPoints, "Mode \"points cachés\""},
    {RenderWireframe, "Mode \"fil de fer\""},    {RenderHiddenFaces, "Mode \"faces cachées\""},
    {RenderFilledFaces, "Mode \"faces pleines\""}, {RenderSprites, "Mode \"sprites\""},
    {RenderHiddenSprites, "Mode \"sprites cachés\""}};

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

template <typename Widget>
Widget* CGeneratorDlg::add(Widget* widget, int32_t id, int x, int y, int width, int height) {
    placeControl(widget, id, x, y, width, height);
    if (id != 0) controls_[id] = widget;
    if (auto* push = qobject_cast<QPushButton*>(widget)) makeNotAutoDefault(push);
    return widget;
}

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
    add(new QGroupBox(QStringLiteral("Paramètres animation"), this), 0, 516, 2, 100, 158);
    for (int k = 0; k < 7; ++k) {
        const int y = 14 + 15 * k;
        add(new QLabel(QString::fromUtf8(ParameterLabels[k]), this), 0, 521, y + 2, 14, 8);
        add(new QLineEdit(this), StartValueIds[static_cast<size_t>(k)], 536, y, 34, 12);
        add(new QLabel(QStringLiteral("+"), this), 0, 572, y + 2, 6, 8);
        add(new QLineEdit(this), IncrementIds[static_cast<size_t>(k)], 579, y, 32, 12);
    }
    add(new QPushButton(QStringLiteral("Editeur de séquence"), this), IdSequenceEditor, 521, 122, 90, 14);
    add(new QCheckBox(QStringLiteral("Utiliser Séquence"), this), IdUseSequence, 521, 142, 90, 10);
}

void CGeneratorDlg::buildScreenControls() {
    add(new QGroupBox(QStringLiteral("Paramètres écran CPC"), this), 0, 516, 164, 100, 80);
    auto* modes = new QButtonGroup(this);
    for (int mode = 0; mode < 3; ++mode)
        modes->addButton(add(new QRadioButton(QStringLiteral("Mode %1").arg(mode), this),
                             ScreenModeIds[static_cast<size_t>(mode)], 520, 174 + 11 * mode, 42, 10));
    auto* bases = new QButtonGroup(this);
    for (size_t k = 0; k < BaseAddressChoices.size(); ++k)
        bases->addButton(add(new QRadioButton(QStringLiteral("#%1").arg(BaseAddressChoices[k].address, 4, 16,
                                                                           QLatin1Char('0')).toUpper(),
                                              this),
                             BaseAddressChoices[k].id, 566, 174 + 11 * static_cast<int>(k), 46, 10));
    add(new QLabel(QStringLiteral("CRTC R1:"), this), 0, 520, 222, 33, 8);
    auto* r1 = add(new QLineEdit(this), IdCrtcR1, 554, 220, 18, 12);
    r1->setValidator(digitsOnly(r1));
    add(new QPushButton(QStringLiteral("Appliquer"), this), IdApplyR1, 574, 219, 38, 14);
    add(new QCheckBox(QStringLiteral("Mémoire Linéaire (R9=0)"), this), IdLinear, 520, 233, 94, 10);

    add(new QLabel(QStringLiteral("Ink 0-15 :"), this), 0, 21, 254, 34, 8);
    for (int k = 0; k < InkCount; ++k)
        add(new CSwatchFrame(this, true), IdFirstSwatch + k, 57 + 24 * k, 252, 20, 12);

    add(new QGroupBox(QStringLiteral("Fond d'écran"), this), 0, 440, 260, 176, 40);
    add(new QCheckBox(QStringLiteral("Ajouter image de fond"), this), IdBackgroundTick, 446, 271, 92, 10);
    add(new QCheckBox(QStringLiteral("Importer palette"), this), IdImportPalette, 542, 271, 70, 10);
    add(new QPushButton(QStringLiteral(".SCR"), this), IdLoadScr, 446, 284, 26, 12);
    add(new QLineEdit(this), IdBackgroundPath, 476, 284, 136, 12);
}

void CGeneratorDlg::buildSourceAndDestination() {
    add(new QGroupBox(QStringLiteral("Source (objet)"), this), 0, 4, 266, 232, 58);
    add(new QPushButton(QStringLiteral("Fichier Objet"), this), IdObjectFileButton, 10, 277, 52, 13);
    add(new QLineEdit(this), IdObjectPath, 66, 277, 164, 13);
    add(new QCheckBox(QStringLiteral("Recentrer objet"), this), IdRecentre, 10, 293, 80, 10);
    struct CountBox {
        const char* label;
        int32_t id;
        int labelX, labelWidth, boxX;
    };
    const CountBox counts[] = {{"Nb images :", IdFrameCount, 10, 40, 50},
                               {"Pas :", IdFrameStep, 84, 18, 102},
                               {"Première :", IdFirstFrame, 136, 36, 172}};
    for (const CountBox& box : counts) {
        add(new QLabel(QString::fromUtf8(box.label), this), 0, box.labelX, 308, box.labelWidth, 8);
        add(new QLineEdit(this), box.id, box.boxX, 306, 26, 12)->setValidator(digitsOnly(this));
    }

    add(new QGroupBox(QStringLiteral("Destination"), this), 0, 4, 324, 232, 100);
    add(new QPushButton(QStringLiteral("Fichiers CPC"), this), IdCpcFilesButton, 10, 335, 52, 13);
    add(new QLineEdit(this), IdCpcPath, 66, 335, 164, 13);
    const struct {
        const char* caption;
        int32_t id;
    } leftColumn[] = {{"Sauvegarde source assembleur datas", IdWriteAsm},
                      {"Activer compression", IdCompress},
                      {"Gestion banques mémoires (128K)", IdBanks},
                      {"Export mode \"points\"", IdPointsExport},
                      {"Export des .SCR de chaque image", IdWriteScr}};
    for (int row = 0; row < 5; ++row)
        add(new QCheckBox(QString::fromUtf8(leftColumn[row].caption), this), leftColumn[row].id, 10, 352 + 12 * row,
            134, 10);
    // The room below the left column takes the GIF preview; a build without
    // giflib keeps it disabled.
    add(new QCheckBox(QStringLiteral("Prévisualisation GIF"), this), IdGifPreview, 10, 412, 134, 10)
        ->setEnabled(gifPreviewAvailable());
    add(new QCheckBox(QStringLiteral("Mode export \"Sprites\""), this), IdSpriteExport, 146, 352, 86, 10);
    add(new QCheckBox(QStringLiteral("Taille simple"), this), IdSizeOnlyHeader, 146, 364, 86, 10);
    auto* layouts = new QButtonGroup(this);
    const char* const layoutCaptions[3] = {"mode \"lignes\"", "mode \"1 colonne\"", "mode \"2 colonnes\""};
    for (int k = 0; k < 3; ++k)
        layouts->addButton(add(new QRadioButton(QString::fromUtf8(layoutCaptions[k]), this),
                               LayoutIds[static_cast<size_t>(k)], 146, 376 + 12 * k, 86, 10));

    messages_ = add(new QListWidget(this), IdMessageList, 244, 268, 192, 140);
    add(new QPushButton(QStringLiteral("Démarrer"), this), IdStart, 292, 412, 40, 12);
    add(new QPushButton(QStringLiteral("Arrêter"), this), IdStop, 336, 412, 40, 12);
}

void CGeneratorDlg::buildObjectControls() {
    add(new QGroupBox(QStringLiteral("Paramètres objet"), this), 0, 440, 304, 175, 120);
    auto* modes = new QButtonGroup(this);
    for (int k = 0; k < RenderModeCount; ++k) {
        const int column = k < 4 ? 0 : 1;
        const int row = k < 4 ? k : k - 4;
        modes->addButton(add(new QRadioButton(QString::fromUtf8(RenderChoices[k].caption), this),
                             RenderModeIds[static_cast<size_t>(RenderChoices[k].mode)], 446 + 84 * column,
                             315 + 11 * row, 82, 10));
    }
    add(new QLabel(QStringLiteral("Stylo lignes/points:"), this), 0, 446, 364, 70, 8);
    add(new QLineEdit(this), IdLineInk, 518, 362, 22, 12);
    add(new QLabel(QStringLiteral("Stylo Fill :"), this), 0, 446, 379, 70, 8);
    add(new QLineEdit(this), IdFillInk, 518, 377, 22, 12);
    add(new QPushButton(QStringLiteral("Editeur d'objets"), this), IdObjectEditor, 546, 361, 64, 13);
    add(new QPushButton(QStringLiteral("Editeur de sprites"), this), IdSpriteEditor, 546, 376, 64, 13);
    add(new QLabel(this), IdSpriteSizeLabel, 446, 395, 164, 8);
    add(new QLabel(this), IdSpriteCountLabel, 446, 406, 164, 8);
}

void CGeneratorDlg::connectHandlers() {
    connect(button(IdStart), &QAbstractButton::clicked, this, &CGeneratorDlg::OnStart);
    connect(button(IdStop), &QAbstractButton::clicked, this, &CGeneratorDlg::OnStop);
    connect(button(IdObjectFileButton), &QAbstractButton::clicked, this, &CGeneratorDlg::OnObjectFile);
    connect(button(IdCpcFilesButton), &QAbstractButton::clicked, this, &CGeneratorDlg::OnCpcFiles);
    for (int32_t mode = 0; mode < RenderModeCount; ++mode)
        connect(button(RenderModeIds[static_cast<size_t>(mode)]), &QAbstractButton::clicked, this,
                [this, mode] { OnRenderMode(mode); });
    for (int32_t mode = 0; mode < 3; ++mode)
        connect(button(ScreenModeIds[static_cast<size_t>(mode)]), &QAbstractButton::clicked, this,
                [this, mode] { OnScreenMode(mode); });
    for (const BaseAddressChoice& choice : BaseAddressChoices)
        connect(button(choice.id), &QAbstractButton::clicked, this,
                [this, address = choice.address] { OnBaseAddress(address); });
    for (int32_t layout = 1; layout <= 3; ++layout)
        connect(button(LayoutIds[static_cast<size_t>(layout - 1)]), &QAbstractButton::clicked, this,
                [this, layout] { OnLayout(layout); });
    for (int32_t ink = 0; ink < InkCount; ++ink)
        connect(static_cast<CSwatchFrame*>(control(IdFirstSwatch + ink)), &CSwatchFrame::clicked, this,
                [this, ink] { OnInkSwatch(ink); });
    connect(button(IdApplyR1), &QAbstractButton::clicked, this, &CGeneratorDlg::OnApplyR1);
    connect(button(IdBackgroundTick), &QAbstractButton::clicked, this, &CGeneratorDlg::OnBackgroundTick);
    connect(button(IdLoadScr), &QAbstractButton::clicked, this, &CGeneratorDlg::OnLoadScr);
    for (int32_t id : {IdUseSequence, IdPointsExport, IdSpriteExport})
        connect(button(id), &QAbstractButton::clicked, this, &CGeneratorDlg::applyRules);
    connect(button(IdSequenceEditor), &QAbstractButton::clicked, this, &CGeneratorDlg::OnSequenceEditor);
    connect(button(IdSpriteEditor), &QAbstractButton::clicked, this, &CGeneratorDlg::OnSpriteEditor);
    connect(button(IdObjectEditor), &QAbstractButton::clicked, this, &CGeneratorDlg::OnObjectEditor);
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
        edit(StartValueIds[k])->setText(QString::fromStdString(defaults.start[k]));
        edit(IncrementIds[k])->setText(QString::fromStdString(defaults.increments[k]));
    }
    edit(IdFrameCount)->setText(QString::fromStdString(defaults.frameCount));
    edit(IdFrameStep)->setText(QString::fromStdString(defaults.frameStep));
    edit(IdFirstFrame)->setText(QString::fromStdString(defaults.firstFrame));
    edit(IdLineInk)->setText(QString::fromStdString(defaults.lineInk));
    edit(IdFillInk)->setText(QString::fromStdString(defaults.fillInk));

    screenMode = 0;
    button(IdMode0)->setChecked(true);
    renderMode = RenderPoints;
    button(IdRenderPoints)->setChecked(true);
    baseAddress = 0xC000;
    button(IdBaseC000)->setChecked(true);
    backgroundLoaded = 0;
    edit(IdCrtcR1)->setText(QString::number(crtcR1));
    spriteExportLayout = 1;
    button(IdLayoutLines)->setChecked(true);
    stores_.sequence.clear();
    stores_.sequence.unsaved = false;
    applyRules();
    // "Arrêter" is usable until the first run ends; a click before it only
    // sets the flag, which the next run clears.
    control(IdStop)->setEnabled(true);
    clearFrame();
    showFrame();
    paintSwatches();
    readParameters();
    updateSpriteLabels();
}

QWidget* CGeneratorDlg::control(int32_t id) const {
    const auto found = controls_.find(id);
    return found == controls_.end() ? nullptr : found->second;
}

QLineEdit* CGeneratorDlg::edit(int32_t id) const { return static_cast<QLineEdit*>(control(id)); }

QAbstractButton* CGeneratorDlg::button(int32_t id) const { return static_cast<QAbstractButton*>(control(id)); }

bool CGeneratorDlg::ticked(int32_t id) const { return button(id)->isChecked(); }

void CGeneratorDlg::readParameters() {
    ParameterBoxes boxes;
    for (size_t k = 0; k < 7; ++k) {
        boxes.start[k] = edit(StartValueIds[k])->text().toStdString();
        boxes.increments[k] = edit(IncrementIds[k])->text().toStdString();
    }
    boxes.frameCount = edit(IdFrameCount)->text().toStdString();
    boxes.frameStep = edit(IdFrameStep)->text().toStdString();
    boxes.firstFrame = edit(IdFirstFrame)->text().toStdString();
    boxes.lineInk = edit(IdLineInk)->text().toStdString();
    boxes.fillInk = edit(IdFillInk)->text().toStdString();

    const bool useSequence = ticked(IdUseSequence);
    const DialogParameters read = ::volumix::readParameters(boxes, useSequence, stores_.sequence, screenMode);
    frameParams = read.start;
    increments = read.increments;
    frameCount = read.frameCount;
    frameStep = read.frameStep;
    firstFrame = read.firstFrame;
    lineInk = read.lineInk;
    fillInk = read.fillInk;

    for (size_t k = 0; k < 7; ++k) {
        edit(StartValueIds[k])->setText(QString::fromStdString(boxes.start[k]));
        edit(IncrementIds[k])->setText(QString::fromStdString(boxes.increments[k]));
    }
    if (!useSequence) {
        edit(IdFrameCount)->setText(QString::fromStdString(boxes.frameCount));
        edit(IdFrameStep)->setText(QString::fromStdString(boxes.frameStep));
        edit(IdFirstFrame)->setText(QString::fromStdString(boxes.firstFrame));
    }
    edit(IdLineInk)->setText(QString::fromStdString(boxes.lineInk));
    edit(IdFillInk)->setText(QString::fromStdString(boxes.fillInk));
}

DialogTicks CGeneratorDlg::ticks() const {
    DialogTicks t;
    t.useSequence = ticked(IdUseSequence);
    t.backgroundTicked = ticked(IdBackgroundTick);
    t.spriteExport = ticked(IdSpriteExport);
    t.pointsExport = ticked(IdPointsExport);
    t.compress = ticked(IdCompress);
    t.screenMode = screenMode;
    t.renderMode = renderMode;
    return t;
}

void CGeneratorDlg::applyRules() {
    DialogTicks t = ticks();
    const DependentControls enabled = applyDialogRules(t);
    for (int32_t id : {IdBackgroundPath, IdLoadScr, IdImportPalette}) control(id)->setEnabled(enabled.backgroundControls);
    control(IdPointsExport)->setEnabled(enabled.pointsExport);
    button(IdPointsExport)->setChecked(t.pointsExport);
    control(IdCompress)->setEnabled(enabled.compress);
    button(IdCompress)->setChecked(t.compress);
    control(IdSizeOnlyHeader)->setEnabled(enabled.spriteOptions);
    for (int32_t id : LayoutIds) control(id)->setEnabled(enabled.spriteOptions);
    for (int32_t id : StartValueIds) control(id)->setEnabled(enabled.parameterBoxes);
    for (int32_t id : IncrementIds) control(id)->setEnabled(enabled.parameterBoxes);
    for (int32_t id : {IdFrameCount, IdFrameStep, IdFirstFrame}) control(id)->setEnabled(enabled.parameterBoxes);
}

void CGeneratorDlg::OnObjectFile() {
    FileChoice choice;
    choice.filter = objectOpenFilter();
    choice.defaultSuffix = QStringLiteral("ASC");
    const QString path = prompts_.chooseFile(this, choice);
    if (!path.isEmpty()) edit(IdObjectPath)->setText(path);
}

void CGeneratorDlg::OnCpcFiles() {
    FileChoice choice;
    choice.filter = QStringLiteral("Tous les fichiers (*)");
    choice.save = true;
    const QString path = prompts_.chooseFile(this, choice);
    if (!path.isEmpty()) edit(IdCpcPath)->setText(path);
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
    static_cast<QLabel*>(control(IdSpriteSizeLabel))
        ->setText(QStringLiteral("(Taille sprites : %1x%2)").arg(spriteSize).arg(spriteSize));
    static_cast<QLabel*>(control(IdSpriteCountLabel))->setText(QStringLiteral("(Nombre de sprites : %1)").arg(spriteCount));
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
    if ((stores_.sequence.unsaved || stores_.sprites.unsaved) &&
        !prompts_.askYesNo(this, QStringLiteral("Des modifications n'ont pas été sauvegardées. Quitter quand même ?")))
        return;
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
    if (isObjectFile(path)) {
        edit(IdObjectPath)->setText(path);
        return;
    }
    // A dropped screen is meant to be seen: it is loaded and shown as the
    // background.
    button(IdBackgroundTick)->setChecked(true);
    applyRules();
    loadBackgroundFile(path);
}

}  // namespace volumix
