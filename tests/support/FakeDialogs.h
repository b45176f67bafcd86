#pragma once

#include "core/Dialogs.h"

#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace vimbo::test {

/// Answers message boxes and file dialogs from queues and records what was asked.
class FakeDialogs final : public Dialogs {
public:
    struct Message {
        QString title;
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
    };

    std::vector<Message> messages;
    std::deque<MessageAnswer> answers;               // default Ok, or Cancel for two-button boxes
    std::deque<std::optional<QString>> fileAnswers;  // default: cancelled
    std::vector<QString> fileRequests;               // the initial names asked with
    std::function<void(const Message&)> onMessage;   // runs while a box is up

    MessageAnswer showMessage(const QString& title, const QString& text, MessageIcon icon,
                              MessageButtons buttons) override
    {
        messages.push_back({title, text, icon, buttons});
        if (onMessage)
            onMessage(messages.back());
        if (answers.empty())
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
        const MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::optional<QString> saveFileName(const QString& title, const QString& filter, const QString& initialName) override
    {
        return openFileName(title, filter, initialName);
    }

    std::optional<QString> openFileName(const QString&, const QString&, const QString& initialName) override
    {
        fileRequests.push_back(initialName);
        if (fileAnswers.empty())
            return std::nullopt;
        const std::optional<QString> answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
};

}  // namespace vimbo::test
