// Message boxes on screen, parented to the active window, with Polish button captions.
#pragma once

#include "platform/prompter.h"

namespace lumiro::platform {

class QtPrompter : public Prompter {
  public:
    MessageResult ask(MessageIcon icon, const QString& text, MessageButtons buttons) override;
};

}  // namespace lumiro::platform
