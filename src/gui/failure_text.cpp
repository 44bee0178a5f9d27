#include "gui/failure_text.h"

#include <QDir>

#include <cerrno>
#include <cstring>

#include "cpc/screen_format.h"
#include "export/player_binary.h"

namespace volumix {

namespace {

QString hex4(uint32_t value) { return QStringLiteral("&%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper(); }

QString range(uint32_t begin, uint32_t end) { return hex4(begin) + QStringLiteral("-") + hex4(end - 1); }

QString areaName(MemoryArea area) {
    switch (area) {
        case MemoryAreaData: return QStringLiteral("Les données");
        case MemoryAreaLastBankData: return QStringLiteral("Les données de la banque 8 (en mémoire principale)");
        case MemoryAreaIndex: return QStringLiteral("L'index");
        case MemoryAreaNone: break;
    }
    return QStringLiteral("L'animation");
}

QString sizeList(const Failure& f) {
    QStringList list;
    for (const auto& [name, kilobytes] : f.sizes) list << QStringLiteral("%1 %2 Ko").arg(QString::fromStdString(name)).arg(kilobytes);
    return list.join(QStringLiteral(", "));
}

QString adviceText(LayoutAdvice advice) {
    switch (advice) {
        case LayoutAdviceShorterRun: return QStringLiteral("raccourcissez l'animation");
        case LayoutAdviceBaseC000OrBanks: return QStringLiteral("choisissez l'adresse #C000, ou les banques mémoires");
        case LayoutAdviceBase0000Or8000: return QStringLiteral("choisissez l'adresse #0000 ou #8000");
        case LayoutAdviceBase0000: return QStringLiteral("choisissez l'adresse #0000");
        case LayoutAdviceNone: break;
    }
    return {};
}

}  // namespace

QString systemReason(int error) {
    struct ErrnoText {
        int error;
        const char* french;  // UTF-8
    };
    // The errors a file can meet when it is read, written, created or renamed.
    static const ErrnoText texts[] = {
        {ENOENT, "Aucun fichier ou dossier de ce nom"},
        {EACCES, "Permission refusée"},
        {EPERM, "Opération non permise"},
        {ENOTDIR, "N'est pas un dossier"},
        {EISDIR, "Est un dossier"},
        {ENOSPC, "Plus de place sur le disque"},
        {EROFS, "Système de fichiers en lecture seule"},
        {EEXIST, "Le fichier existe déjà"},
        {ENAMETOOLONG, "Nom de fichier trop long"},
        {ELOOP, "Trop de niveaux de liens symboliques"},
        {EMFILE, "Trop de fichiers ouverts"},
        {ENFILE, "Trop de fichiers ouverts dans le système"},
        {EIO, "Erreur d'entrée/sortie"},
#ifdef EDQUOT
        {EDQUOT, "Quota de disque dépassé"},
#endif
        {EFBIG, "Fichier trop gros"},
        {EBUSY, "Périphérique ou ressource occupé"},
#ifdef ETXTBSY
        {ETXTBSY, "Fichier exécutable en cours d'utilisation"},
#endif
        {EINVAL, "Argument invalide"},
        {ENXIO, "Périphérique ou adresse inexistant"},
        {ENODEV, "Périphérique inexistant"},
        {ENOMEM, "Mémoire insuffisante"},
        {ENOTEMPTY, "Dossier non vide"},
        {EXDEV, "Lien entre périphériques différents"},
        {EPIPE, "Tube rompu"},
    };
    for (const ErrnoText& entry : texts)
        if (entry.error == error) return QString::fromUtf8(entry.french);
    return QStringLiteral("Erreur système %1").arg(error);
}

QString failureReason(const Failure& f) {
    const QString count = QString::number(f.count);
    switch (f.code) {
        case FailureNone:
        case FailureCodeCount: return {};
        case FailureSystem: return systemReason(f.systemError);
        case FailureIsFolder: return QStringLiteral("Est un dossier, pas un fichier");
        case FailureNotRegular: return QStringLiteral("N'est pas un fichier ordinaire (périphérique, tube ou socket)");
        case FailureTooLarge: return QStringLiteral("Plus de %1 octets").arg(count);
        case FailureNoFileName: return QStringLiteral("Aucun nom de fichier");
        case FailureTooManyPoints: return QStringLiteral("Plus de %1 points").arg(count);
        case FailureTooManyFaces: return QStringLiteral("Plus de %1 faces").arg(count);
        case FailureImporter: return QString::fromStdString(f.detail);
        case FailureImporterStopped:
            return QStringLiteral("La lecture s'est arrêtée sur ce fichier (abîmé ou d'un autre format)");
        case FailureImporterTimeout: return QStringLiteral("Pas de réponse de la lecture en %1 s").arg(count);
        case FailureImporterMissing: return QStringLiteral("Cette version de Volumix ne lit que les objets .asc");
        case FailurePlyHeaderUnended: return QStringLiteral("En-tête PLY sans end_header");
        case FailureNotScreen:
            return QStringLiteral("N'est pas un écran CPC : ni en-tête AMSDOS valide, ni %1 octets").arg(ScreenBytes);
        case FailureNotDataFile: return QStringLiteral("N'est pas un fichier de données de Volumix (%1 octets)").arg(count);
        case FailureIndexNotWhole: return QStringLiteral("L'index ne contient pas des entrées entières de 3 octets");
        case FailureIndexOutside: return QStringLiteral("L'entrée %1 de l'index pointe hors des données").arg(count);
        case FailureDataTooLarge:
            return QStringLiteral("%1 octets : plus que les %2 de sa mémoire en %3").arg(count).arg(f.end - f.begin).arg(hex4(f.begin));
        case FailureIndexTooLong:
            return QStringLiteral("L'index a %1 entrées : plus qu'il n'en tient de %2 à &FFFF").arg(count, hex4(f.begin));
        case FailureNotSnapshot: return QStringLiteral("N'est pas un snapshot CPC");
        case FailureSnapshotMemory: return QStringLiteral("Mémoire de %1 Ko dans le snapshot (64 ou 128 attendus)").arg(count);
        case FailureSnapshotShort: return QStringLiteral("Le snapshot est plus court que sa mémoire");
        case FailureNotOurPlayer: return QStringLiteral("Le snapshot ne démarre pas le lecteur de Volumix");
        case FailurePlayerUnfinished: return QStringLiteral("Le lecteur CPC n'a pas fini l'image %1").arg(count);
        case FailurePlayerNeverStarted: return QStringLiteral("Le lecteur CPC n'a commencé aucune image");
        case FailureEmulatorMissing: return QStringLiteral("Cette version de Volumix n'a pas d'émulateur Z80");
        case FailureNotAmsdosFile: return QStringLiteral("Ne commence pas par un en-tête AMSDOS");
        case FailureHeaderLength:
            return QStringLiteral("Son en-tête annonce %1 octets mais il en contient %2").arg(count).arg(f.other);
        case FailureFileNotAsPlaced:
            return QStringLiteral("Ne contient plus ce que l'animation a placé en %1 (fichiers modifiés depuis ?)")
                .arg(hex4(f.begin));
        case FailureLoadOutsideWindow: return QStringLiteral("Son en-tête le charge hors de la fenêtre des banques");
        case FailureBankBytesUnbrought:
            return QStringLiteral("La banque %1 contient des octets qu'aucun fichier de l'animation n'apporte").arg(count);
        case FailureNoRoomForLoader:
            return QStringLiteral("L'animation ne laisse pas de place au chargeur de la disquette (environ %1 Ko entre %2 et "
                                  "%3) ; raccourcissez l'animation, ou retirez l'image de fond")
                .arg(count)
                .arg(hex4(f.begin), hex4(f.end - 1));
        case FailureDiskFileName:
            return QStringLiteral("« %1 » n'est pas un nom de fichier CPC (8.3, A-Z 0-9 _)").arg(QString::fromStdString(f.detail));
        case FailureDiskNameRepeated:
            return QStringLiteral("Deux fichiers s'appellent %1").arg(QString::fromStdString(f.detail));
        case FailureDiskFull:
            return QStringLiteral("Les fichiers demandent %1 Ko, plus que les %2 Ko d'une disquette CPC (%3)")
                .arg(count)
                .arg(f.other)
                .arg(sizeList(f));
        case FailureDiskDirectoryFull:
            return QStringLiteral("Les fichiers demandent %1 entrées de catalogue, plus que les %2 d'une disquette CPC (%3)")
                .arg(count)
                .arg(f.other)
                .arg(sizeList(f));
        case FailureGifEncoder: return QString::fromStdString(f.detail);
        case FailureGifMissing: return QStringLiteral("Cette version de Volumix n'écrit pas de GIF");
        case FailurePointsNotPlayed: return QStringLiteral("L'export des points n'est pas joué par le lecteur CPC");
        case FailureSizeHeaderNotPlayed:
            return QStringLiteral("Les sprites en \"Taille simple\" n'ont pas de position : le lecteur CPC ne les joue pas");
        case FailureSpriteTooWide:
            return QStringLiteral("Les sprites couvrent un écran de 80 octets : avec R1 = %1, exportez les différences")
                .arg(count);
        case FailureR1NotShown: return QStringLiteral("R1 = %1 ne montre aucune image").arg(count);
        case FailureRateOutOfRange:
            return QStringLiteral("Une cadence de %1 balayages par image : choisissez de 1 à %2")
                .arg(count)
                .arg(PlayerRateMax);
        case FailureLinearSnapshot:
            return QStringLiteral("Un écran linéaire (R9=0) ne peut pas montrer 200 lignes par les seuls registres du CRTC");
        case FailureBanksHideScreen:
            return QStringLiteral("Avec les banques mémoires, l'écran ne peut pas être en #4000 : choisissez #0000");
        case FailureReachesScreen:
            return QStringLiteral("%1 (%2) atteignent l'écran en %3 ; %4")
                .arg(areaName(f.area), range(f.begin, f.end), range(f.otherBegin, f.otherEnd), adviceText(f.advice));
        case FailureNoRoomForPlayer:
            return QStringLiteral("Plus de place pour le lecteur CPC (%1 octets) ; utilisez les banques mémoires ou "
                                  "raccourcissez l'animation")
                .arg(count);
        case FailureNoSecondScreen:
            return QStringLiteral("Le double tampon demande un second écran : sans les banques mémoires, les données "
                                  "commencent en %1, dans l'écran en %2 ; choisissez une autre adresse d'écran ou les "
                                  "banques mémoires")
                .arg(hex4(f.begin), range(f.otherBegin, f.otherEnd));
        case FailureOddFrameCount:
            return QStringLiteral("Le double tampon demande un nombre pair d'images (%1 ici) : avec un nombre impair, "
                                  "l'image 0 de la boucle serait dessinée sur l'écran affiché")
                .arg(count);
        case FailureSnapshotFrames:
            return QStringLiteral("Le lecteur du snapshot annonce %1 images, plus qu'une animation n'en a (%2)")
                .arg(count)
                .arg(PlayerFramesMax);
    }
    return QStringLiteral("Échec");
}

QString failureText(const Failure& failure) {
    if (failure.path.empty()) return failureReason(failure);
    return QDir::toNativeSeparators(QString::fromStdString(failure.path)) + QStringLiteral(" : ") +
           failureReason(failure);
}

}  // namespace volumix
