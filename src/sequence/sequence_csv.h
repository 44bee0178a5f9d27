#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "export/message_sink.h"
#include "platform/failure.h"
#include "sequence/animation_sequence.h"

namespace volumix {

// Writes the sequence as ';'-terminated fields, Windows-1252 with CR LF: the
// header "Numéro Frame;Position X;...;Angle Z;" then "i;px;...;az;" per row.
// Reports "Nombre de trames exportées : %d", or "Erreur de création du
// fichier %s" (then false, any existing file untouched). A written file
// clears the unsaved mark.
bool exportSequenceCsv(AnimationSequence& sequence, const std::filesystem::path& path, MessageSink& messages);

// Replaces the sequence with the lines whose first field is a number equal
// to the count of rows read so far; every other line is skipped. Missing
// fields read as 0. Reports "Nombre de trames importées : %d", preceded once
// by "Séquence pleine (360 trames maximum)" when the file holds more rows; or
// "Erreur d'ouverture du fichier %s" (then false, sequence unchanged).
// The largest sequence file read (360 rows take a few kilobytes).
inline constexpr size_t CsvFileBytesMax = size_t{16} << 20;

bool importSequenceCsv(AnimationSequence& sequence, const std::filesystem::path& path, MessageSink& messages,
                       Failure* failure = nullptr);

}  // namespace volumix
