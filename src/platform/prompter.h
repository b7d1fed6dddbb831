// Every message box of the program goes through a Prompter, so that tests can answer
// questions without a modal dialog and check what was asked.
#pragma once

#include <QString>

#include <deque>
#include <vector>

class QWidget;

namespace lumiro::platform {

enum class MessageIcon { Error, Warning, Information, Confirmation };
enum class MessageButtons { Ok, YesNo };
enum class MessageResult { Ok, Yes, No };

class Prompter {
  public:
    virtual ~Prompter() = default;
    // Shows a modal message box and returns the button chosen; closing the box without a
    // choice counts as No for Yes/No questions.
    virtual MessageResult ask(MessageIcon icon, const QString& text, MessageButtons buttons) = 0;

    void error(const QString& text) { ask(MessageIcon::Error, text, MessageButtons::Ok); }
    void warning(const QString& text) { ask(MessageIcon::Warning, text, MessageButtons::Ok); }
    void inform(const QString& text) { ask(MessageIcon::Information, text, MessageButtons::Ok); }
    // True only for an explicit Yes.
    bool confirm(const QString& text, MessageIcon icon = MessageIcon::Confirmation) {
        return ask(icon, text, MessageButtons::YesNo) == MessageResult::Yes;
    }

    // The application title heads every box; it is set during start-up, possibly after
    // something was already reported.
    void setTitle(const QString& title) { title_ = title; }
    const QString& title() const { return title_; }

  private:
    QString title_;
};

// Test double: records every box and answers Yes/No questions from a queue; Ok boxes need
// and take no answer. A question with nothing queued is a test fault and answers No.
class ScriptedPrompter : public Prompter {
  public:
    struct Question {
        MessageIcon icon;
        QString text;
        MessageButtons buttons;
        QString title;
    };

    void queue(MessageResult answer) { answers_.push_back(answer); }
    MessageResult ask(MessageIcon icon, const QString& text, MessageButtons buttons) override;

    const std::vector<Question>& questions() const { return questions_; }
    bool unansweredQuestion() const { return unanswered_; }
    std::size_t pendingAnswers() const { return answers_.size(); }

  private:
    std::deque<MessageResult> answers_;
    std::vector<Question> questions_;
    bool unanswered_ = false;
};

}  // namespace lumiro::platform
