#include "platform/program_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace lumiro::platform {
namespace {

struct Resolution {
    QString path;
    bool complete = true;
};

// Splits off the part of a path that is never matched by case: "/", "//server/share/", "C:/"
// or "C:".
qsizetype rootLength(const QString& path) {
    if (path.startsWith(u"//")) {
        qsizetype server = path.indexOf(u'/', 2);
        if (server < 0) return path.size();
        qsizetype share = path.indexOf(u'/', server + 1);
        return share < 0 ? path.size() : share + 1;
    }
    if (path.startsWith(u'/')) return 1;
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter()) {
        return path.size() >= 3 && path[2] == u'/' ? 3 : 2;
    }
    return 0;
}

QString matchComponent(const QString& folder, const QString& name) {
    QString exact = folder + name;
    if (QFileInfo::exists(exact)) return name;
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries = dir.entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) return entry;
    }
    return {};
}

Resolution resolve(const QString& programPath) {
    const QString path = nativePath(programPath);
    if (path.isEmpty() || QFileInfo::exists(path)) return {path, !path.isEmpty()};

    const qsizetype root = rootLength(path);
    QString result = path.left(root);
    const QStringList parts = path.mid(root).split(u'/', Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        QString folder = result.isEmpty() || result.endsWith(u'/') || result.endsWith(u':')
                             ? result
                             : result + u'/';
        QString match = part == u"." || part == u".." ? part : matchComponent(folder, part);
        if (match.isEmpty()) {
            return {folder + parts.mid(i).join(u'/'), false};
        }
        result = folder + match;
    }
    return {result, true};
}

}  // namespace

QString nativePath(const QString& programPath) {
    QString path = programPath;
    path.replace(u'\\', u'/');
    // A leading pair names a network share and must survive.
    const qsizetype keep = path.startsWith(u"//") ? 2 : 0;
    QString collapsed = path.left(keep);
    for (qsizetype i = keep; i < path.size(); ++i) {
        if (path[i] == u'/' && collapsed.endsWith(u'/') && collapsed.size() > keep) continue;
        collapsed += path[i];
    }
    return collapsed;
}

QString joinDataPath(const QString& prefix, const QString& relative) {
    QString head = nativePath(prefix);
    QString tail = nativePath(relative);
    while (tail.startsWith(u'/')) tail.remove(0, 1);
    if (head.isEmpty()) return tail;
    if (!head.endsWith(u'/')) head += u'/';
    return head + tail;
}

std::optional<QString> findExisting(const QString& programPath) {
    Resolution r = resolve(programPath);
    if (!r.complete) return std::nullopt;
    return r.path;
}

QString resolvePath(const QString& programPath) {
    return resolve(programPath).path;
}

}  // namespace lumiro::platform
