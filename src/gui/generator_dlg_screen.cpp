// The screen, palette, background and export controls of the main window.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>

#include "app/run_setup.h"
#include "cpc/show_frame.h"
#include "gui/colour_picker_dlg.h"
#include "gui/dialog_template.h"
#include "gui/frame_canvas.h"
#include "gui/generator_dlg.h"
#include "gui/prompts.h"
#include "gui/failure_text.h"
#include "platform/crt_numbers.h"
#include "platform/french_texts.h"

namespace volumix {

void CGeneratorDlg::clearFrame() {
    CDibSurface& frame = stores_.frameSurface;
    if (backgroundLoaded != 0 && backgroundTick_->isChecked())
        decodeToFrame(stores_.background, frame.bits, screenMode, 2 * crtcR1, false);
    else
        frame.fill(hardwareColourPixel(inks[0]));
}

void CGeneratorDlg::showFrame() {
    CDeviceContext context(stores_.frameSurface);
    blackenOutsidePicture(context, crtcR1);
    canvas_->showSurface();
}

void CGeneratorDlg::paintSwatches() {
    for (int32_t k = 0; k < InkCount; ++k)
        swatches_[static_cast<size_t>(k)]->setColour(colourOfRef(hardwareColourRef(inks[static_cast<size_t>(k)])));
}

void CGeneratorDlg::OnInkSwatch(int32_t ink) {
    CColorPickerDlg chooser(inks[static_cast<size_t>(ink)], this);
    chooser.exec();
    if (chooser.validated != 0) inks[static_cast<size_t>(ink)] = chooser.selectedColour;
    clearFrame();
    paintSwatches();
    showFrame();
}

void CGeneratorDlg::OnBaseAddress(uint16_t address) { baseAddress = address; }

void CGeneratorDlg::OnApplyR1() {
    crtcR1 = clampCrtcR1(parseAtoi(crtcR1Box_->text().toStdString()));
    crtcR1Box_->setText(QString::number(crtcR1));
    clearFrame();
    showFrame();
}

void CGeneratorDlg::OnBackgroundTick() {
    applyRules();
    clearFrame();
    showFrame();
}

void CGeneratorDlg::OnLoadScr() {
    FileChoice choice;
    choice.filter = QStringLiteral("Images CPC (*.SCR *.scr)");
    choice.defaultSuffix = QStringLiteral("SCR");
    choice.fileMustExist = true;
    const QString path = prompts_.chooseFile(this, choice);
    if (!path.isEmpty()) loadBackgroundFile(path);
}

void CGeneratorDlg::loadBackgroundFile(const QString& path) {
    backgroundPath_->setText(path);
    const std::string file = QFile::encodeName(path).toStdString();
    Failure failure;
    const ScrLoadResult loaded =
        loadBackground(stores_.background, file, screenMode, inks, importPalette_->isChecked(), &failure);
    backgroundLoaded = loaded == ScrOk ? 1 : 0;
    if (loaded == ScrOk) {
        // Only the check marks follow the imported mode; the export rules
        // are applied so no combination the run refuses stays ticked.
        screenModeRadios_[static_cast<size_t>(screenMode)]->setChecked(true);
        applyRules();
    } else if (loaded == ScrBadHeader) {
        // It opened: what it holds is not a screen.
        addMessage(QStringLiteral("Le fichier %1 n'est pas un écran CPC").arg(path));
    } else {
        addMessage(QString::fromStdString(formatLine(french::CannotOpenFileLine, path.toUtf8().constData())) +
                   QStringLiteral(" (%1)").arg(failureReason(failure)));
    }
    clearFrame();
    showFrame();
    paintSwatches();
}

void CGeneratorDlg::OnLayout(int32_t layout) { spriteExportLayout = layout; }

}  // namespace volumix
