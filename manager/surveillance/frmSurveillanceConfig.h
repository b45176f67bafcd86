#pragma once

#include "core/Slots.h"

#include "SurveillancePlan.h"

#include <QDialog>

#include <array>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace vimbo {

class Dialogs;
class MainWindowLink;
class TextBox;
class channelsCollection;

/// Edits what the probe surveys and its thresholds, and writes them to it.
/// Built afresh at each opening from what the main window shows.
class frmSurveillanceConfig : public QDialog {
public:
    frmSurveillanceConfig(MainWindowLink& main, Dialogs& dialogs, QWidget* owner);
    ~frmSurveillanceConfig() override;

    // Handlers.
    void frmSurveillanceConfig_Form_Load();
    void frmSurveillanceConfig_cmbChannel_Click(int slot);
    void frmSurveillanceConfig_chkActivateSurvey_Click(int slot);
    void frmSurveillanceConfig_txtChFrequencyMHz_Validate(int slot);
    void frmSurveillanceConfig_CancelButton_Click();
    void frmSurveillanceConfig_OKButton_Click();

    void selectChannelByFrequency(int slot);
    void enableChannelRow(int slot, bool enabled);
    /// True when every entry is acceptable; otherwise shows why and focuses the field.
    bool validateInputs();

    /// The current texts of the fields.
    SurveillanceEntries entries() const;

    /// True while Save's requests are under way; the window is then busy.
    bool isWriting() const { return m_writing; }
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* widgetOf(const SurveillanceField& field) const;
    void showBusy(bool busy);
    void writeNextStep();
    void writeFailed();

    MainWindowLink& m_main;
    Dialogs& m_dialogs;
    std::shared_ptr<channelsCollection> m_channels;
    PerSlot<std::int32_t> m_surveyedFreqsKHz{};
    bool m_writing = false;
    std::size_t m_writeStep = 0;  // the write plan's request under way

    TextBox* txtThrAlarmVBER;
    TextBox* txtThrWarnVBER;
    TextBox* txtThrAlarmMER;
    TextBox* txtThrWarnMER;
    QPushButton* OKButton;
    QPushButton* CancelButton;
    PerSlot<QCheckBox*> chkActivateSurvey{};
    PerSlot<QComboBox*> cmbChannel{};
    PerSlot<TextBox*> txtChFrequencyMHz{};
    PerSlot<TextBox*> txtThrAlarmChPower{};
    PerSlot<TextBox*> txtThrWarnChPower{};
};

}  // namespace vimbo
