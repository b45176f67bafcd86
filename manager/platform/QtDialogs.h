#pragma once

#include "core/Dialogs.h"

namespace vimbo {

/// Dialogs on Qt's message box and file dialog, owned by the active window.
class QtDialogs final : public Dialogs {
public:
    MessageAnswer showMessage(const QString& title, const QString& text, MessageIcon icon,
                              MessageButtons buttons) override;
    std::optional<QString> openFileName(const QString& title, const QString& filter,
                                        const QString& initialName) override;
    std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                        const QString& initialName) override;
};

/// "CAN files (*.can)|*.can|All files|*.*" as Qt's ";;"-separated filter list.
QString qtFileFilter(const QString& pipeFilter);

}  // namespace vimbo
