#include "platform/gui/desktop_shell_opener.h"

#include <QDesktopServices>

namespace lumiro::platform {

bool DesktopShellOpener::open(const QUrl& url) {
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace lumiro::platform
