#include "base/SystemError.h"

#include <cerrno>
#include <cstring>

namespace liedspur {

namespace {

std::string describeSystemError(int errorNumber) {
    switch (errorNumber) {
    case ENOENT:
        return "Datei oder Verzeichnis nicht gefunden";
    case EACCES:
    case EPERM:
        return "Zugriff verweigert";
    case EROFS:
        return "Das Dateisystem ist nur lesbar";
    case ENOSPC:
        return "Kein Platz mehr auf dem Datenträger";
    case EDQUOT:
        return "Speicherkontingent überschritten";
    case ENOTDIR:
        return "Kein Verzeichnis";
    case EISDIR:
        return "Ist ein Verzeichnis";
    case ENAMETOOLONG:
        return "Der Dateiname ist zu lang";
    case ELOOP:
        return "Zu viele Ebenen symbolischer Links";
    case EIO:
        return "Ein- oder Ausgabefehler";
    case EEXIST:
        return "Die Datei existiert bereits";
    case EBUSY:
        return "Gerät oder Ressource belegt";
    case ENOMEDIUM:
        return "Kein Medium gefunden";
    case ENOMEM:
        return "Nicht genügend Speicher";
    case EMFILE:
    case ENFILE:
        return "Zu viele offene Dateien";
    case ENXIO:
        // What opening a file gives for a FIFO, socket or device (see openRegularFile).
        return "Keine reguläre Datei";
    case ETIMEDOUT:
        // What the program makes of a file system that keeps it waiting too long.
        return "Das Laufwerk antwortet nicht";
    case EXDEV:
        return "Verschieben über Dateisystemgrenzen nicht möglich";
    default:
        return std::strerror(errorNumber);
    }
}

} // namespace

Error systemError(int errorNumber, const std::string& path) {
    std::string description = describeSystemError(errorNumber);
    if (!path.empty())
        description += ": " + path;
    return Error{std::move(description), errorNumber};
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace liedspur
