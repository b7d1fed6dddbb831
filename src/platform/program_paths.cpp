#include "platform/program_paths.h"

#include <QFile>

#include "engine/env.h"
#include "engine/file_names.h"

namespace lumiro::platform {
namespace {

struct Resolution {
    QString path;
    bool complete = true;
};

// One resolver for the whole program: the engine's, which also finds tables and their
// companion files, so that every file is matched by the same rule.
Resolution resolve(const QString& programPath) {
    const QString path = nativePath(programPath);
    if (path.isEmpty()) return {path, false};
    const engine::PathResolution r =
        engine::resolveExisting(engine::Env::system(), QFile::encodeName(path).toStdString());
    return {QFile::decodeName(QByteArray::fromStdString(r.path)), r.complete};
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
