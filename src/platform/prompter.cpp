#include "platform/prompter.h"

namespace lumiro::platform {

MessageResult ScriptedPrompter::ask(MessageIcon icon, const QString& text, MessageButtons buttons) {
    questions_.push_back({icon, text, buttons, title()});
    // Plain notices never take a queued answer: the answers belong to the questions.
    if (buttons == MessageButtons::Ok) return MessageResult::Ok;
    if (!answers_.empty()) {
        MessageResult answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    unanswered_ = true;
    return MessageResult::No;
}

}  // namespace lumiro::platform
