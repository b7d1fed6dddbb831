#include "app/working_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <vector>

#include "platform/program_paths.h"

namespace lumiro::app {
namespace {

// Folders of the installed data, named as in the source tree's resources folder.
constexpr char16_t kInstallTables[] = u"install";
constexpr char16_t kGuide[] = u"LUMIRO";
constexpr char16_t kHelp[] = u"help";

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

bool holdsInstallTables(const QString& folder) {
    return !folder.isEmpty() && QFileInfo(QDir(folder).filePath(QString::fromUtf16(kInstallTables)))
                                    .isDir();
}

bool isEmptyFolder(const QString& folder) {
    return QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                QDir::System);
}

// Copies the tree under `from` into `to`, skipping every file that `to` already has. Each
// file and folder this call creates is appended to `created`, deepest last, so that a caller
// can take the copy back. Copies may be read-only where the installed files are; the user
// owns the working data, so they are made writable for their owner.
bool copyMissing(const QString& from, const QString& to, std::vector<QString>& created,
                 QString& failed) {
    QDir source(from);
    const QFileInfoList entries = source.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString target = QDir(to).filePath(entry.fileName());
        if (entry.isDir()) {
            if (!QFileInfo(target).isDir()) {
                if (QFileInfo::exists(target) || !QDir().mkdir(target)) {
                    failed = target;
                    return false;
                }
                created.push_back(target);
            }
            if (!copyMissing(entry.filePath(), target, created, failed)) return false;
        } else if (!QFileInfo::exists(target) && !QFileInfo(target).isSymLink()) {
            if (!QFile::copy(entry.filePath(), target)) {
                failed = target;
                return false;
            }
            created.push_back(target);
            QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ReadOwner |
                                              QFileDevice::WriteOwner);
        }
    }
    return true;
}

void takeBack(const std::vector<QString>& created) {
    for (auto it = created.rbegin(); it != created.rend(); ++it) {
        if (QFileInfo(*it).isDir())
            QDir().rmdir(*it);
        else
            QFile::remove(*it);
    }
}

// The file system's own answer, not the permission bits, which say nothing about read-only
// mounts, access lists or a process that may write anywhere.
bool acceptsNewFiles(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".lumiro-XXXXXX")));
    return probe.open();
}

}  // namespace

WorkingFolderSetup WorkingFolderSetup::fromEnvironment(bool home) {
    WorkingFolderSetup setup;
    setup.startFolder = QDir::currentPath();
    setup.home = home;
    setup.lumiroHome = qEnvironmentVariable("LUMIRO_HOME");
    setup.userHome = QDir::homePath();
    return setup;
}

WorkingFolderChoice chooseWorkingFolder(const WorkingFolderSetup& setup) {
    if (!setup.home) {
        const auto company =
            platform::findExisting(QDir(setup.startFolder).filePath(QStringLiteral("FIRMA.DB")));
        if (company && QFileInfo(*company).isFile())
            return {QDir::cleanPath(QDir(setup.startFolder).absolutePath()), false};
    }
    const QString home = setup.lumiroHome.isEmpty()
                             ? QDir(setup.userHome).filePath(QStringLiteral("Lumiro"))
                             : QDir(setup.startFolder).absoluteFilePath(setup.lumiroHome);
    return {QDir::cleanPath(home), true};
}

QString findInstalledData(const QString& programFolder) {
    const QString chosen = qEnvironmentVariable("LUMIRO_DATA_DIR");
    if (!chosen.isEmpty()) return holdsInstallTables(chosen) ? QDir(chosen).absolutePath() : QString();
    QStringList candidates{
        QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral("../share/lumiro")))};
    candidates += QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                            QStringLiteral("lumiro"),
                                            QStandardPaths::LocateDirectory);
    for (const QString& candidate : candidates)
        if (holdsInstallTables(candidate)) return candidate;
    return {};
}

PreparedFolder prepareWorkingFolder(const QString& folder, const QString& installedData) {
    PreparedFolder result;
    const QFileInfo info(folder);
    const bool fresh = !info.exists() || (info.isDir() && isEmptyFolder(folder));
    if (fresh && !holdsInstallTables(installedData)) {
        result.message =
            QStringLiteral("Nie znaleziono danych instalacyjnych programu (folder share/lumiro), "
                           "z których powstaje nowy folder roboczy „%1”. "
                           "Zainstaluj program ponownie.")
                .arg(shown(folder));
        return result;
    }
    if (!info.exists() && !QDir().mkpath(folder)) {
        result.message =
            QStringLiteral("Nie można utworzyć folderu roboczego programu „%1”. "
                           "Wskaż inny folder zmienną LUMIRO_HOME.")
                .arg(shown(folder));
        return result;
    }
    if (!QFileInfo(folder).isDir()) {
        result.message = QStringLiteral("„%1” nie jest folderem, więc nie może być folderem "
                                        "roboczym programu. Wskaż inny folder zmienną LUMIRO_HOME.")
                             .arg(shown(folder));
        return result;
    }
    if (!acceptsNewFiles(folder)) {
        result.message = QStringLiteral("Nie można zapisywać w folderze roboczym programu „%1”. "
                                        "Wskaż inny folder zmienną LUMIRO_HOME.")
                             .arg(shown(folder));
        return result;
    }

    std::vector<QString> created;
    QString failed;
    if (fresh) {
        if (!copyMissing(QDir(installedData).filePath(QString::fromUtf16(kInstallTables)), folder,
                         created, failed)) {
            takeBack(created);
            result.message = QStringLiteral("Nie udało się skopiować danych instalacyjnych do "
                                            "folderu roboczego programu (plik „%1”).")
                                 .arg(shown(failed));
            return result;
        }
        result.filled = true;
    }
    // The guide and the help document are the installation's; missing files come back at
    // every start, a user's own copies stay. They do not hold data, so a failure here leaves
    // the start to go on: opening a missing document is reported when it is asked for.
    if (!installedData.isEmpty()) {
        for (const char16_t* documents : {kGuide, kHelp}) {
            const QString from = QDir(installedData).filePath(QString::fromUtf16(documents));
            const QString to = QDir(folder).filePath(QString::fromUtf16(documents));
            if (!QFileInfo(from).isDir()) continue;
            if (!QFileInfo(to).isDir() && !QFileInfo::exists(to)) {
                if (!QDir().mkdir(to)) continue;
            }
            std::vector<QString> copied;
            copyMissing(from, to, copied, failed);
        }
    }
    result.ok = true;
    return result;
}

QString enterWorkingFolder(bool home) {
    const WorkingFolderChoice choice =
        chooseWorkingFolder(WorkingFolderSetup::fromEnvironment(home));
    if (choice.isHome) {
        const PreparedFolder prepared = prepareWorkingFolder(
            choice.folder, findInstalledData(QCoreApplication::applicationDirPath()));
        if (!prepared.ok) return prepared.message;
    }
    if (!QDir::setCurrent(choice.folder))
        return QStringLiteral("Nie można przejść do folderu roboczego programu „%1”.")
            .arg(shown(choice.folder));
    return {};
}

}  // namespace lumiro::app
