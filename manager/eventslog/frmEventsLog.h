#pragma once

#include <QDialog>

#include <cstdint>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace vimbo {

class Clock;
class MainWindowLink;
class PictureBox;

/// The events log: time-stamped messages, kept while the program runs.
/// Closing it only hides it.
class frmEventsLog : public QDialog {
public:
    frmEventsLog(MainWindowLink& main, const Clock& clock, QWidget* owner);

    /// Appends "hh:mm.ss-" + msg and hands out the next identifier.
    void addMessage(const QString& msg);
    /// Removes the line of message msgId. Raises a subscript error for an
    /// identifier never handed out, and an invalid-argument error when the
    /// message's line is gone (removed by the operator).
    void removeMessage(std::int16_t msgId);

    // Handlers.
    void frmEventsLog_Form_Load();
    void frmEventsLog_btnRemove_Click();
    void frmEventsLog_btnRemoveAll_Click();
    void frmEventsLog_OKButton_Click();

    std::int16_t msgCount() const { return m_msgCount; }
    /// The most lines the log holds: as many as there are identifiers.
    static constexpr int kMaxLines = 32767;
    /// The upper bound of the identifier table (25, 51, 77 ...).
    int msgListIndexUpperBound() const { return static_cast<int>(m_msgListIndex.size()) - 1; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void hideLog();

    MainWindowLink& m_main;
    const Clock& m_clock;
    std::vector<std::int16_t> m_msgListIndex;
    std::int16_t m_msgCount = 0;

    PictureBox* Picture1;
    QLabel* Label1;
    QListWidget* lstMsgs;
    QPushButton* btnRemoveAll;
    QPushButton* btnRemove;
    QPushButton* OKButton;
};

}  // namespace vimbo
