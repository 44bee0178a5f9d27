#pragma once

#include <QDialog>

#include <cstdint>
#include <array>

#include "mesh/mesh_object.h"

class QCheckBox;
class QLineEdit;

namespace volumix {

// "Paramètres objet": moves the object so that its bounding box is centred
// on typed coordinates and scales it so that the box has typed sizes, per
// axis or in proportion ("Liés"). "Appliquer" rewrites every point; a box
// that reads as infinite or not a number, or values that would carry a point
// out of range, are refused and the dialog stays open on that box.
class CObjectParamsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int32_t IdCentreX = 1081;
    static constexpr int32_t IdCentreY = 1083;
    static constexpr int32_t IdCentreZ = 1085;
    static constexpr int32_t IdSizeX = 1087;
    static constexpr int32_t IdSizeY = 1089;
    static constexpr int32_t IdSizeZ = 1091;
    static constexpr int32_t IdLinked = 1093;
    static constexpr int32_t IdApply = 1;
    static constexpr int32_t IdCancel = 2;

    CObjectParamsDlg(MeshObject& mesh, QWidget* parent);

    // The box the last refused "Appliquer" was about (-1: none).
    int32_t refusedBox() const { return refusedBox_; }

    // "Appliquer" (and Enter).
    void accept() override;

private:
    void OnLinked();

    MeshObject& mesh_;
    MeshBounds opened_;  // the box when the dialog opened; "Appliquer" works from it
    std::array<QLineEdit*, 3> centreBoxes_{};  // X, Y, Z
    std::array<QLineEdit*, 3> sizeBoxes_{};
    QCheckBox* linked_ = nullptr;
    int32_t refusedBox_ = -1;
};

}  // namespace volumix
