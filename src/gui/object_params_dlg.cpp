#include "gui/object_params_dlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <string>

#include "gui/dialog_template.h"
#include "mesh/object_params.h"

namespace volumix {

namespace {
constexpr std::array<int32_t, 3> CentreIds = {CObjectParamsDlg::IdCentreX, CObjectParamsDlg::IdCentreY,
                                              CObjectParamsDlg::IdCentreZ};
constexpr std::array<int32_t, 3> SizeIds = {CObjectParamsDlg::IdSizeX, CObjectParamsDlg::IdSizeY,
                                            CObjectParamsDlg::IdSizeZ};
constexpr std::array<const char*, 3> AxisLabels = {"X:", "Y:", "Z:"};
}  // namespace

CObjectParamsDlg::CObjectParamsDlg(MeshObject& mesh, QWidget* parent)
    : QDialog(parent), mesh_(mesh), opened_(meshBounds(mesh)) {
    setWindowTitle(QStringLiteral("Paramètres objet"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(dialogFont());
    setDialogSize(*this, 160, 81);

    placeControl(new QGroupBox(QStringLiteral("Point central"), this), 0, 0, 0, 64, 60);
    placeControl(new QGroupBox(QStringLiteral("Coefficient de Zoom"), this), 0, 64, 0, 96, 60);
    const std::array<double, 3> centre = {opened_.centre.x, opened_.centre.y, opened_.centre.z};
    const std::array<double, 3> size = {opened_.size.x, opened_.size.y, opened_.size.z};
    for (size_t axis = 0; axis < 3; ++axis) {
        const int y = 12 + 16 * static_cast<int>(axis);
        placeControl(new QLabel(QString::fromLatin1(AxisLabels[axis]), this), 0, 4, y + 5, 8, 8);
        centreBoxes_[axis] =
            placeControl(new QLineEdit(QString::fromStdString(paramsBoxText(centre[axis])), this), CentreIds[axis], 20, y, 40, 12);
        placeControl(new QLabel(QString::fromLatin1(AxisLabels[axis]), this), 0, 68, y + 5, 8, 8);
        sizeBoxes_[axis] =
            placeControl(new QLineEdit(QString::fromStdString(paramsBoxText(size[axis])), this), SizeIds[axis], 84, y, 40, 12);
    }
    linked_ = placeControl(new QCheckBox(QStringLiteral("Liés"), this), IdLinked, 128, 12, 28, 8);
    auto* apply = placeControl(new QPushButton(QStringLiteral("Appliquer"), this), IdApply, 32, 64, 50, 14);
    auto* cancel = placeControl(new QPushButton(QStringLiteral("Annuler"), this), IdCancel, 84, 64, 50, 14);
    apply->setDefault(true);  // Enter applies
    for (QLineEdit* box : centreBoxes_) box->setCursorPosition(0);
    for (QLineEdit* box : sizeBoxes_) box->setCursorPosition(0);

    connect(linked_, &QCheckBox::clicked, this, &CObjectParamsDlg::OnLinked);
    connect(apply, &QPushButton::clicked, this, &CObjectParamsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CObjectParamsDlg::reject);
    OnLinked();
}

void CObjectParamsDlg::OnLinked() {
    // Linked sizes follow X; their boxes keep their text, unread.
    const bool free = !linked_->isChecked();
    sizeBoxes_[1]->setEnabled(free);
    sizeBoxes_[2]->setEnabled(free);
}

void CObjectParamsDlg::accept() {
    std::array<std::string, 6> texts;
    for (size_t axis = 0; axis < 3; ++axis) {
        texts[axis] = centreBoxes_[axis]->text().toStdString();
        texts[3 + axis] = sizeBoxes_[axis]->text().toStdString();
    }
    ObjectParamsRequest request;
    request.centre = {texts[0], texts[1], texts[2]};
    request.size = {texts[3], texts[4], texts[5]};
    request.linked = linked_->isChecked();
    const ObjectParamsOutcome outcome = applyObjectParams(mesh_, opened_, request);
    if (outcome.result != ObjectParamsApplied) {
        // Nothing was changed; the dialog stays open on the box at fault.
        refusedBox_ = outcome.box;
        QLineEdit* box = outcome.box < 3 ? centreBoxes_[static_cast<size_t>(outcome.box)]
                                         : sizeBoxes_[static_cast<size_t>(outcome.box - 3)];
        box->setFocus();
        box->selectAll();
        return;
    }
    refusedBox_ = -1;
    QDialog::accept();
}

}  // namespace volumix
