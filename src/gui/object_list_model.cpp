#include "gui/object_list_model.h"

#include <algorithm>

#include "objedit/object_editing.h"

namespace volumix {

CObjectListModel::CObjectListModel(const MeshObject& mesh, Kind kind, QObject* parent)
    : QAbstractListModel(parent), mesh_(mesh), kind_(kind), rows_(meshCount()) {}

int32_t CObjectListModel::meshCount() const {
    return std::clamp(kind_ == Points ? mesh_.vertexCount : mesh_.faceCount, 0, MeshCapacity);
}

void CObjectListModel::refill() {
    beginResetModel();
    rows_ = meshCount();
    endResetModel();
}

void CObjectListModel::refreshLines() {
    if (rows_ > 0) emit dataChanged(index(0), index(rows_ - 1), {Qt::DisplayRole});
}

int CObjectListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant CObjectListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return {};
    // The mesh only shrinks through commands that refill; an entry gone
    // since shows as an empty line rather than a stale table entry.
    const int32_t row = index.row();
    if (row >= meshCount()) return QString();
    ++linesFormatted_;
    const std::string line = kind_ == Points ? pointListLine(row, mesh_.vertices[static_cast<size_t>(row)])
                                             : faceListLine(row, mesh_.faces[static_cast<size_t>(row)]);
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

}  // namespace volumix
