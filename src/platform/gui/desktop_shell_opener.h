// Documents, web addresses and mail links opened by the desktop's default programs.
#pragma once

#include "platform/shell_open.h"

namespace lumiro::platform {

class DesktopShellOpener : public ShellOpener {
  public:
    bool open(const QUrl& url) override;
};

}  // namespace lumiro::platform
