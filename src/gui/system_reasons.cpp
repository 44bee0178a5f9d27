#include "gui/system_reasons.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace volumix {

namespace {

struct ErrnoText {
    int error;
    const char* french;  // UTF-8
};

// The errors a file can meet when it is read, written, created or renamed.
const ErrnoText ErrnoTexts[] = {
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

// The file layer's own reasons (platform/file_io.cpp, the screen reader).
const std::pair<const char*, const char*> OwnTexts[] = {
    {"is a folder, not a file", "est un dossier, pas un fichier"},
    {"not a regular file (a device, pipe or socket)", "n'est pas un fichier ordinaire (périphérique, tube ou socket)"},
    {"not a screen: no valid AMSDOS header and not 16384 bytes",
     "n'est pas un écran : ni en-tête AMSDOS valide, ni 16384 octets"},
    {"larger than ", "plus de "},
    {" bytes", " octets"},
};

// English and French pairs, the longest English first, so that a text that
// begins another ("Too many open files") is not replaced inside it.
std::vector<std::pair<QString, QString>> replacements() {
    std::vector<std::pair<QString, QString>> pairs;
    for (const ErrnoText& entry : ErrnoTexts)
        pairs.emplace_back(QString::fromLocal8Bit(std::strerror(entry.error)), QString::fromUtf8(entry.french));
    for (const auto& [english, french] : OwnTexts) pairs.emplace_back(QString::fromUtf8(english), QString::fromUtf8(french));
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
    return pairs;
}

}  // namespace

QString frenchSystemReason(int error) {
    for (const ErrnoText& entry : ErrnoTexts)
        if (entry.error == error) return QString::fromUtf8(entry.french);
    return {};
}

QString reasonsInFrench(const std::string& text) {
    static const std::vector<std::pair<QString, QString>> pairs = replacements();
    // Replaced texts are marked so that a French text is never read again as
    // English ("Est un dossier" holds no English, but " bytes" could follow).
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    std::vector<std::pair<QString, QString>> done;
    for (const auto& [english, french] : pairs) {
        if (!result.contains(english)) continue;
        const QString mark = QStringLiteral("\x01%1\x02").arg(done.size());
        result.replace(english, mark);
        done.emplace_back(mark, french);
    }
    for (const auto& [mark, french] : done) result.replace(mark, french);
    return result;
}

QString knownReasonInFrench(const std::string& reason) {
    QString french = reasonsInFrench(reason);
    if (french == QString::fromUtf8(reason.data(), static_cast<qsizetype>(reason.size()))) return {};
    // Alone, it begins as a sentence does.
    if (!french.isEmpty()) french[0] = french[0].toUpper();
    return french;
}

}  // namespace volumix
