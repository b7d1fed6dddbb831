#include "app/local_documents.h"

#include "platform/program_paths.h"
#include "platform/prompter.h"
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

bool openHelp(platform::ShellOpener& shell, platform::Prompter& prompter, int context) {
    const QUrl url = helpTopicUrl(helpTopic(context));
    const QString path = QDir::toNativeSeparators(url.toLocalFile());
    if (!QFileInfo(url.toLocalFile()).isFile()) {
        prompter.error(QStringLiteral("Brak pliku pomocy ") + path + u'.');
        return false;
    }
    if (shell.open(url)) return true;
    prompter.error(QStringLiteral("Nie można otworzyć pomocy ") + path +
                   QStringLiteral(". Sprawdź, czy w systemie jest przeglądarka stron HTML."));
    return false;
}

}  // namespace lumiro::app
