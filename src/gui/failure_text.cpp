#include "gui/failure_text.h"

#include <QDir>

#include <cerrno>
#include <cstring>

#include "cpc/screen_format.h"

namespace volumix {

namespace {

QString hex4(uint32_t value) { return QStringLiteral("&%1").arg(value & 0xFFFF, 4, 16, QLatin1Char('0')).toUpper(); }

QString range(uint32_t begin, uint32_t end) { return hex4(begin) + QStringLiteral("-") + hex4(end - 1); }

QString areaName(MemoryArea area) {
    switch (area) {
        case MemoryAreaData: return QStringLiteral("les données");
        case MemoryAreaLastBankData: return QStringLiteral("les données de la banque 8 (en mémoire principale)");
        case MemoryAreaIndex: return QStringLiteral("l'index");
        case MemoryAreaNone: break;
    }
    return QStringLiteral("l'animation");
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
    switch (error) {
        case ENOENT: return QStringLiteral("fichier ou dossier introuvable");
        case EACCES:
        case EPERM: return QStringLiteral("permission refusée");
        case ENOTDIR: return QStringLiteral("un élément du chemin n'est pas un dossier");
        case EISDIR: return QStringLiteral("c'est un dossier");
        case ENOSPC: return QStringLiteral("plus de place sur le disque");
        case EROFS: return QStringLiteral("support en lecture seule");
        case EEXIST: return QStringLiteral("le fichier existe déjà");
        case ENAMETOOLONG: return QStringLiteral("nom de fichier trop long");
        case EMFILE:
        case ENFILE: return QStringLiteral("trop de fichiers ouverts");
        case EIO: return QStringLiteral("erreur d'entrée-sortie");
        case EFBIG: return QStringLiteral("fichier trop grand");
        case ENOMEM: return QStringLiteral("mémoire insuffisante");
        default: break;
    }
    return QStringLiteral("erreur système %1").arg(error);
}

QString failureReason(const Failure& f) {
    const QString count = QString::number(f.count);
    switch (f.code) {
        case FailureNone:
        case FailureCodeCount: return {};
        case FailureSystem: return systemReason(f.systemError);
        case FailureIsFolder: return QStringLiteral("c'est un dossier, pas un fichier");
        case FailureNotRegular: return QStringLiteral("ce n'est pas un fichier ordinaire (périphérique, tube ou socket)");
        case FailureTooLarge: return QStringLiteral("plus de %1 octets").arg(count);
        case FailureNoFileName: return QStringLiteral("aucun nom de fichier");
        case FailureTooManyPoints: return QStringLiteral("plus de %1 points").arg(count);
        case FailureTooManyFaces: return QStringLiteral("plus de %1 faces").arg(count);
        case FailureImporter: return QString::fromStdString(f.detail);
        case FailureImporterStopped:
            return QStringLiteral("la lecture s'est arrêtée sur ce fichier (abîmé ou d'un autre format)");
        case FailureImporterTimeout: return QStringLiteral("pas de réponse de la lecture en %1 s").arg(count);
        case FailureImporterMissing: return QStringLiteral("cette version de Volumix ne lit que les objets .asc");
        case FailurePlyHeaderUnended: return QStringLiteral("en-tête PLY sans end_header");
        case FailureNotScreen:
            return QStringLiteral("ce n'est pas un écran CPC (ni en-tête AMSDOS valide, ni %1 octets)").arg(ScreenBytes);
        case FailureNotDataFile: return QStringLiteral("ce n'est pas un fichier de données Volumix (%1 octets)").arg(count);
        case FailureIndexNotWhole: return QStringLiteral("l'index ne contient pas des entrées entières de 3 octets");
        case FailureIndexOutside: return QStringLiteral("l'entrée %1 de l'index pointe hors des données").arg(count);
        case FailureNotSnapshot: return QStringLiteral("ce n'est pas un snapshot CPC");
        case FailureSnapshotMemory: return QStringLiteral("mémoire de %1 Ko dans le snapshot (64 ou 128 attendus)").arg(count);
        case FailureSnapshotShort: return QStringLiteral("le snapshot est plus court que sa mémoire");
        case FailureNotOurPlayer: return QStringLiteral("le snapshot ne démarre pas le lecteur de Volumix");
        case FailureGifEncoder: return QString::fromStdString(f.detail);
        case FailureGifMissing: return QStringLiteral("cette version de Volumix n'écrit pas de GIF");
        case FailurePointsNotPlayed: return QStringLiteral("l'export des points n'est pas joué par le lecteur CPC");
        case FailureSizeHeaderNotPlayed:
            return QStringLiteral("les sprites en \"Taille simple\" n'ont pas de position : le lecteur CPC ne les joue pas");
        case FailureSpriteTooWide:
            return QStringLiteral("les sprites couvrent un écran de 80 octets : avec R1 = %1, exportez les différences")
                .arg(count);
        case FailureR1NotShown: return QStringLiteral("R1 = %1 ne montre aucune image").arg(count);
        case FailureLinearSnapshot:
            return QStringLiteral("un écran linéaire (R9=0) ne peut pas montrer 200 lignes par les seuls registres du CRTC");
        case FailureBanksHideScreen:
            return QStringLiteral("avec les banques mémoires, l'écran ne peut pas être en #4000 : choisissez #0000");
        case FailureReachesScreen:
            return QStringLiteral("%1 (%2) atteignent l'écran en %3 ; %4")
                .arg(areaName(f.area), range(f.begin, f.end), range(f.otherBegin, f.otherEnd), adviceText(f.advice));
        case FailureNoRoomForPlayer:
            return QStringLiteral("plus de place pour le lecteur CPC (%1 octets) ; utilisez les banques mémoires ou "
                                  "raccourcissez l'animation")
                .arg(count);
    }
    return QStringLiteral("échec");
}

QString failureText(const Failure& failure) {
    if (failure.path.empty()) return failureReason(failure);
    return QDir::toNativeSeparators(QString::fromStdString(failure.path)) + QStringLiteral(" : ") +
           failureReason(failure);
}

}  // namespace volumix
