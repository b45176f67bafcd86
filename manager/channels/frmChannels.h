#pragma once

#include <QDialog>

#include <vector>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QScrollBar;

namespace vimbo {

class Dialogs;
class MainWindowLink;
class TextBox;

/// Shows the current channel plan, a row per channel, and loads another one.
class frmChannels : public QDialog {
public:
    frmChannels(MainWindowLink& main, Dialogs& dialogs, QWidget* owner);

    // Handlers.
    void frmChannels_Form_Load();
    void frmChannels_btnLoadFile_Click();
    void frmChannels_VScroll1_Change();
    void frmChannels_CancelButton_Click();

    /// Builds a row for each channel of the main window's plan.
    void showChannelRows();

private:
    struct Row {
        QLabel* lblChInd;
        TextBox* txtFreqVideoMHz;
        TextBox* txtFreqCenterMHz;
    };

    MainWindowLink& m_main;
    Dialogs& m_dialogs;

    QGroupBox* frameChannels;
    QFrame* frameScrollPane;
    QFrame* frameScrollable;
    std::vector<Row> m_rows;  // element 0 is the designed row
    QScrollBar* VScroll1;
    QPushButton* btnLoadFile;
    QPushButton* CancelButton;
};

}  // namespace vimbo
