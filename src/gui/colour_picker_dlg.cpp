#include "gui/colour_picker_dlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "gui/dialog_template.h"

namespace volumix {

namespace {
constexpr int SwatchesPerRow = 6;
constexpr int SwatchX0 = 4;
constexpr int SwatchPitchX = 24;
constexpr int SwatchY0 = 4;
constexpr int SwatchPitchY = 28;
constexpr int SwatchWidth = 20;
constexpr int SwatchHeight = 12;
}  // namespace

CColorPickerDlg::CColorPickerDlg(int32_t startColour, QWidget* parent)
    : QDialog(parent), selectedColour(startColour) {
    setWindowTitle(QStringLiteral("Choix de la couleur"));
    setFont(dialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setDialogSize(*this, 148, 209);

    placeControl(new QGroupBox(QStringLiteral("Couleur"), this), 0, 4, 144, 140, 36);
    for (int n = 0; n < HardwareColourCount; ++n) {
        const int x = SwatchX0 + SwatchPitchX * (n % SwatchesPerRow);
        const int y = SwatchY0 + SwatchPitchY * (n / SwatchesPerRow);
        auto* swatch = placeControl(new CSwatchFrame(this, true), FirstSwatchId + n, x, y, SwatchWidth, SwatchHeight);
        swatch->setColour(colourOfRef(hardwareColourRef(n)));
        connect(swatch, &CSwatchFrame::clicked, this, [this, n] { selectColour(n); });
        swatches_[static_cast<size_t>(n)] = swatch;
        auto* number = placeControl(new QLabel(QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')), this), 0, x,
                                    y + SwatchHeight + 2, SwatchWidth, 8);
        number->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    current_ = placeControl(new CSwatchFrame(this, true), CurrentSwatchId, 10, 156, 104, 20);
    currentLabel_ = placeControl(new QLabel(QStringLiteral("01 :"), this), CurrentLabelId, 118, 162, 24, 8);

    auto* validate = placeControl(new QPushButton(QStringLiteral("Valider"), this), 1, 16, 188, 50, 14);
    auto* cancel = placeControl(new QPushButton(QStringLiteral("Annuler"), this), 2, 82, 188, 50, 14);
    makeNotAutoDefault(cancel);
    validate->setAutoDefault(false);
    validate->setDefault(true);  // Enter validates, as the dialog's OK button
    connect(validate, &QPushButton::clicked, this, &CColorPickerDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CColorPickerDlg::reject);
    repaintChoice();
}

void CColorPickerDlg::accept() {
    QDialog::accept();
    validated = 1;
}

void CColorPickerDlg::reject() {
    QDialog::reject();
    validated = 0;
}

void CColorPickerDlg::selectColour(int32_t colour) {
    selectedColour = colour;
    repaintChoice();
}

void CColorPickerDlg::repaintChoice() {
    current_->setColour(colourOfRef(hardwareColourRef(selectedColour)));
    currentLabel_->setText(QStringLiteral("%1 :").arg(selectedColour, 2, 10, QLatin1Char('0')));
}

}  // namespace volumix
