#pragma once

#include <QString>

#include <optional>

namespace vimbo {

/// The program's title, which message boxes of code without a window carry.
inline const QString kApplicationTitle = QStringLiteral("vimboManager");

enum class MessageIcon { None, Information, Exclamation, Critical, Question };
enum class MessageButtons { Ok, OkCancel, RetryCancel };
enum class MessageAnswer { Ok, Cancel, Retry };

/// Every message box and file dialog goes through here, so that tests
/// answer them instead of a person.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    /// Shows a modal message box and returns the button pressed.
    virtual MessageAnswer showMessage(const QString& title, const QString& text, MessageIcon icon,
                                      MessageButtons buttons) = 0;

    /// Asks for a file to open. `filter` pairs descriptions and patterns with
    /// "|" ("CAN files (*.can)|*.can|All files|*.*"). nullopt when cancelled.
    virtual std::optional<QString> openFileName(const QString& title, const QString& filter,
                                                const QString& initialName) = 0;
    /// Asks for a file to write, with the same filter form. nullopt when cancelled.
    virtual std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                                const QString& initialName) = 0;
};

}  // namespace vimbo
