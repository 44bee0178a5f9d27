#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

#include "cpc/palette.h"

class QLabel;

namespace volumix {

class CSwatchFrame;

// "Choix de la couleur": picks one of the 27 hardware colours for an ink.
// The caller reads `validated` and `selectedColour` after exec().
class CColorPickerDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int FirstSwatchId = 1200;  // 1200..1226: hardware colours 0..26
    static constexpr int CurrentSwatchId = 1230;
    static constexpr int CurrentLabelId = 1231;

    CColorPickerDlg(int32_t startColour, QWidget* parent);

    int32_t selectedColour;
    int32_t validated = 0;

    void accept() override;  // "Valider" (and Enter)
    void reject() override;  // "Annuler", Escape and the close box

private:
    void selectColour(int32_t colour);
    void repaintChoice();

    std::array<CSwatchFrame*, HardwareColourCount> swatches_{};
    CSwatchFrame* current_ = nullptr;
    QLabel* currentLabel_ = nullptr;
};

}  // namespace volumix
