#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>

class QPushButton;

namespace zemtra {
class SnmpClient;
}  // namespace zemtra

namespace vimbo {

class Dialogs;
class MainWindowLink;
class TextBox;

/// Edits the six settings of the main window's client object.
class frmSnmpConfig : public QDialog {
public:
    frmSnmpConfig(MainWindowLink& main, Dialogs& dialogs, QWidget* owner);
    /// Edits `client` alone, with the same checks: the console's probe list.
    frmSnmpConfig(zemtra::SnmpClient& client, Dialogs& dialogs, QWidget* owner);

    // Handlers.
    void frmSnmpConfig_Form_Load();
    void frmSnmpConfig_OKButton_Click();
    void frmSnmpConfig_CancelButton_Click();

private:
    /// The text of a number box as a 16-bit integer (user's locale, halves to
    /// even), or nullopt after telling the operator what the box takes.
    std::optional<int> numberOf(TextBox& box, const QString& name, int lowest, int highest);

    zemtra::SnmpClient& m_client;
    Dialogs& m_dialogs;

    TextBox* txtVimboIP;
    TextBox* txtCommunityR;
    TextBox* txtCommunityW;
    TextBox* txtPort;
    TextBox* txtTimeout10ms;
    TextBox* txtRetries;
    QPushButton* OKButton;
    QPushButton* CancelButton;
};

}  // namespace vimbo
