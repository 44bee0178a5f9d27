#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace volumix::french {

// The program's own French sentences, each stated once, in UTF-8. Lines of
// the message lists take printf arguments (formatLine); the window's
// questions and reports are shown as they are. The dialogs' captions stand
// in their layout tables, beside their positions; the failures' French words
// are the window's (gui/failure_text).

// The main window's message list, during a run.
inline constexpr char FrameSizeLine[] = "Frame %3d Taille=%d";
inline constexpr char CompressedFrameSizeLine[] = "Frame %3d Taille=%d (cmp=%d)";
inline constexpr char TotalLine[] = "Total = %d octets";
inline constexpr char MemoryFullLine[] = "Dépassement capacité mémoire !!!";
inline constexpr char FramesMadeLine[] = "Nombre d'images générées : %d";
inline constexpr char CannotCreateFileLine[] = "Erreur de création du fichier %s";
inline constexpr char CannotWriteFileLine[] = "Erreur d'écriture du fichier %s";
inline constexpr char CannotOpenFileLine[] = "Erreur d'ouverture du fichier %s";

// Reading and editing the object.
inline constexpr char ObjectOpenFailed[] = "Erreur d'ouverture du fichier objet.";
inline constexpr char ObjectWriteFailed[] = "Erreur d'écriture du fichier objet.";
inline constexpr char TooManyPoints[] = "Trop de points (>65536) dans l'objet !";
inline constexpr char TooManyFaces[] = "Trop de faces (>65536) dans l'objet !";
inline constexpr char PointInUseQuestion[] =
    "Ce point est utilisé dans une ou plusieurs faces, confirmer la suppression";

// The sequence editor's message list.
inline constexpr char SequenceFullLine[] = "Séquence pleine (360 trames maximum)";
inline constexpr char FramesComputedLine[] = "Nombre de trames calculées : %d";
inline constexpr char FramesExportedLine[] = "Nombre de trames exportées : %d";
inline constexpr char FramesImportedLine[] = "Nombre de trames importées : %d";

// Questions before work is lost.
inline constexpr char AreYouSure[] = "Etes-vous sur(e) ?";
inline constexpr char ReplaceSequenceQuestion[] = "Etes-vous sur(e) ? (cela écrasera la séquence actuelle)";

// The "Lecture CPC" dialog: the run's files played as the CPC plays them.
inline constexpr char PlaybackImpossible[] = "Lecture CPC impossible : %s";
inline constexpr char NoFileWritten[] = "la dernière génération n'a écrit aucun fichier";
inline constexpr char NoFrameStored[] = "la dernière génération n'a stocké aucune image";
inline constexpr char FrameCostLine[] = "Image %d : %s µs sur %s";
inline constexpr char LoopFrameCostLine[] = "Image 0 (boucle) : %s µs sur %s";
inline constexpr char TornPicturesLine[] = "Images déchirées : %d";
inline constexpr char CheckedFramesLine[] = "Images vérifiées : %d (et l'image 0 après la dernière), écarts : %d";
inline constexpr char PlayedRateLine[] = "Cadence : %d balayage%s par image (%s images/s) ; la plus chère, l'image %d, "
                                         "prend %s µs";
inline constexpr char AutomaticRateLine[] = "Cadence automatique : %d balayage%s par image ; la plus chère, l'image %d, "
                                            "prend %s µs depuis le début de son balayage%s";
inline constexpr char AutomaticRateTooFew[] = ", plus que les 50 balayages permis";
inline constexpr char RerunProgress[] = "Nouvelle génération : image %d sur %d";
inline constexpr char DiskWrittenLine[] = "%s : RUN\"%s\" sur un CPC 6128 joue l'animation";
inline constexpr char FileWrittenLine[] = "Fichier écrit : %s";

// The render modes, as the main window and the object editor caption them
// (by RenderMode; the editor offers the first five).
inline constexpr std::array<const char*, 7> RenderModeCaptions = {
    "Mode \"points\"",       "Mode \"points cachés\"", "Mode \"fil de fer\"",    "Mode \"faces cachées\"",
    "Mode \"faces pleines\"", "Mode \"sprites\"",       "Mode \"sprites cachés\""};

// The number a text names right after `marker` ("(>65536)", "(360 "), -1
// when there is none: texts that name a limit are checked against it at
// compile time.
constexpr int64_t numberAfter(std::string_view text, std::string_view marker) {
    // Indices only: a search through pointers is not constant under the
    // sanitizers.
    for (size_t at = 0; at + marker.size() <= text.size(); ++at) {
        size_t k = 0;
        while (k < marker.size() && text[at + k] == marker[k]) ++k;
        if (k < marker.size()) continue;
        int64_t value = -1;
        for (size_t i = at + marker.size(); i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            value = (value < 0 ? 0 : value * 10) + (text[i] - '0');
        return value;
    }
    return -1;
}

}  // namespace volumix::french
