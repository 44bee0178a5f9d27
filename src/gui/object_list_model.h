#pragma once

#include <QAbstractListModel>

#include <cstdint>

#include "mesh/mesh_object.h"

namespace volumix {

// The object editor's point or face list: one line per entry of the mesh,
// formatted when a view asks for it, so refilling 65,536 lines costs a reset
// and the lines on screen. The row count is taken at each refill, as a list
// box holds the lines it was given.
class CObjectListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Kind { Points, Faces };

    CObjectListModel(const MeshObject& mesh, Kind kind, QObject* parent);

    // Takes the mesh's present count: the lines are those of the mesh now.
    void refill();
    // Asks the views to show the present values of the same entries.
    void refreshLines();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Lines formatted so far (tests check that a refill formats few).
    int64_t linesFormatted() const { return linesFormatted_; }

private:
    int32_t meshCount() const;

    const MeshObject& mesh_;
    const Kind kind_;
    int32_t rows_ = 0;
    mutable int64_t linesFormatted_ = 0;
};

}  // namespace volumix
