#include "app/local_documents.h"

#include "platform/program_paths.h"

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

}  // namespace lumiro::app
