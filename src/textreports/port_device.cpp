#include "textreports/port_device.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace lumiro::textreports {

QString portFailureReason(const QString& path, int error, const QString& group) {
    switch (error) {
#ifdef Q_OS_UNIX
        case EACCES:
        case EPERM: {
            const QString owner = group.isEmpty() ? QStringLiteral("lp") : group;
            return QStringLiteral(
                       "Brak uprawnień do zapisu na urządzeniu %1. Konto użytkownika musi należeć "
                       "do grupy „%2” (polecenie: sudo usermod -aG %2 NAZWA_UŻYTKOWNIKA), po "
                       "czym trzeba wylogować się i zalogować ponownie.")
                .arg(path, owner);
        }
        case ENOENT:
            return QStringLiteral(
                       "Urządzenie %1 nie istnieje. W oknie „Moduł wydruku” można wskazać inne "
                       "urządzenie portu, np. /dev/usb/lp0 dla drukarki podłączonej przez USB.")
                .arg(path);
        case ENXIO:
        case ENODEV:
            return QStringLiteral(
                       "Urządzenie %1 nie odpowiada: drukarka jest odłączona lub "
                       "wyłączona.")
                .arg(path);
        case EBUSY:
            return QStringLiteral("Urządzenie %1 jest zajęte przez inny program.").arg(path);
        case EISDIR:
            return QStringLiteral("%1 jest folderem, a nie urządzeniem ani plikiem.").arg(path);
#endif
        default:
            return QStringLiteral("Nie można otworzyć %1 do zapisu.").arg(path);
    }
}

PortOpening openPortDevice(const QString& path) {
    PortOpening result;
    if (path.trimmed().isEmpty()) {
        result.reason = QStringLiteral("Nie wskazano urządzenia portu.");
        return result;
    }
#ifdef Q_OS_UNIX
    // Opened here rather than by QFile so that the reason is known: QFile keeps only a text.
    const QByteArray native = QFile::encodeName(path);
    int flags = O_WRONLY | O_NOCTTY | O_CLOEXEC;
    if (!path.startsWith(QStringLiteral("/dev/"))) flags |= O_CREAT | O_TRUNC;
    const int fd = ::open(native.constData(), flags, 0666);
    if (fd < 0) {
        const int error = errno;
        result.reason = portFailureReason(path, error, QFileInfo(path).group());
        return result;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                    QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        result.reason = portFailureReason(path, 0, QString());
        return result;
    }
    result.device = std::move(file);
#else
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.reason = QStringLiteral("%1 (%2)").arg(portFailureReason(path, 0, QString()),
                                                      file->errorString());
        return result;
    }
    result.device = std::move(file);
#endif
    return result;
}

QStringList presentPrinterDevices(const QString& root) {
    QStringList devices;
#ifdef Q_OS_UNIX
    const QRegularExpression printer(QStringLiteral("^lp[0-9]+$"));
    for (const QString& folder : {root + QStringLiteral("/usb"), root}) {
        QStringList names =
            QDir(folder).entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        names.sort();
        for (const QString& name : names) {
            if (printer.match(name).hasMatch()) devices << folder + u'/' + name;
        }
    }
#else
    Q_UNUSED(root);
#endif
    return devices;
}

}  // namespace lumiro::textreports
