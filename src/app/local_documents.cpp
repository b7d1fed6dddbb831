#include "app/local_documents.h"

#include "platform/program_paths.h"
#include "platform/shell_open.h"

#include <QDir>
#include <QFileInfo>

namespace lumiro::app {

QUrl localDocumentUrl(const QString& relativePath, const QString& fragment) {
    const QString path = platform::resolvePath(relativePath);
    QUrl url = QUrl::fromLocalFile(QFileInfo(QDir::current(), path).absoluteFilePath());
    if (!fragment.isEmpty()) url.setFragment(fragment);
    return url;
}

QUrl helpTopicUrl(const QString& topic) {
    return localDocumentUrl(QString::fromUtf16(kHelpDocument), topic);
}

QString helpTopic(int context) {
    if (context <= 0) return QString::fromUtf16(kHelpContentsTopic);
    return QStringLiteral("id") + QString::number(context);
}

bool openHelp(platform::ShellOpener& shell, int context) {
    return shell.open(helpTopicUrl(helpTopic(context)));
}

}  // namespace lumiro::app
