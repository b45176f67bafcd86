#include "channels/ChannelPlanFile.h"
#include "widgets/Controls.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "TestFiles.h"
#include "channels/frmChannels.h"
#include "main/frmMain.h"
#include "channels/clsChannelset.h"
#include "Widgets.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::FakeDialogs;

namespace {

class ChannelsWindow : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English)); }

    QString planFile(int channels)
    {
        std::vector<ChannelRecord> records;
        for (int i = 0; i < channels; ++i)
            records.push_back({QStringLiteral("N%1").arg(i + 1), 175250 + 8000 * i, 855000 + i});
        return test::writeFile(folder, QStringLiteral("plan%1.can").arg(channels), writeChannelPlan(records));
    }
    void open(const QString& plan)
    {
        main.loadFile(plan);
        window = std::make_unique<frmChannels>(main, dialogs, nullptr);
        window->frmChannels_Form_Load();
    }
    // A row's control, or nullptr when the row does not exist.
    template <typename T>
    T* row(const char* name, int r)
    {
        return window->findChild<T*>(arrayName(name, r));
    }
    // A row's control that must exist.
    template <typename T>
    T* cell(const char* name, int r)
    {
        return test::child<T>(*window, arrayName(name, r));
    }

    QTemporaryDir folder;
    FakeDialogs dialogs;
    vimbo::test::FakeClock clock;
    frmMain main{dialogs, clock};
    std::unique_ptr<frmChannels> window;
};

}  // namespace

TEST_F(ChannelsWindow, twentyChannelsAreListedAndScrollingShowsTheFirstAndTheLast)
{
    const QString plan = planFile(20);
    open(plan);
    EXPECT_EQ(test::child<QGroupBox>(*window, QStringLiteral("frameChannels"))->title(),
              QStringLiteral("Channels file: ") + plan);
    EXPECT_EQ(cell<TextBox>("txtFreqVideoMHz", 0)->text(), QStringLiteral("175.25"));
    EXPECT_EQ(cell<TextBox>("txtFreqCenterMHz", 0)->text(), QStringLiteral("855.00"));
    for (int r = 0; r < 20; ++r) {
        EXPECT_EQ(cell<QLabel>("lblChInd", r)->text(), QStringLiteral("(Ch%1)N%1").arg(r + 1));
    }
    // A row is seen when the pane it scrolls in shows all of it.
    auto* pane = test::child<QFrame>(*window, QStringLiteral("frameScrollPane"));
    const auto seen = [&](int r) {
        QWidget* box = row<TextBox>("txtFreqCenterMHz", r);
        return pane->rect().contains(QRect(box->mapTo(pane, QPoint(0, 0)), box->size()));
    };
    EXPECT_TRUE(seen(0));
    EXPECT_FALSE(seen(19));
    auto* scroll = test::child<QScrollBar>(*window, QStringLiteral("VScroll1"));
    scroll->setValue(scroll->maximum());
    EXPECT_FALSE(seen(0));
    EXPECT_TRUE(seen(19));
    scroll->setValue(0);
    EXPECT_TRUE(seen(0));
}

TEST_F(ChannelsWindow, loadingAFileReplacesThePlanAndItsRows)
{
    open(planFile(20));
    const auto before = main.ChannelSet();
    window->frmChannels_btnLoadFile_Click();  // no answer: cancelled, the plan stays
    EXPECT_EQ(main.ChannelSet(), before);
    const QString smaller = planFile(3);
    dialogs.fileAnswers = {smaller};
    window->frmChannels_btnLoadFile_Click();
    EXPECT_EQ(dialogs.fileRequests.back(), QStringLiteral("ccir.can"));
    EXPECT_EQ(main.ChannelSet()->ChanFile(), smaller);
    EXPECT_NE(row<QLabel>("lblChInd", 2), nullptr);
    EXPECT_EQ(row<QLabel>("lblChInd", 3), nullptr);
    EXPECT_EQ(row<QLabel>("lblChInd", 19), nullptr);
}

TEST_F(ChannelsWindow, failedLoadLeavesRowZeroAsItWas)
{
    open(planFile(5));
    dialogs.fileAnswers = {folder.filePath(QStringLiteral("missing.can"))};
    window->frmChannels_btnLoadFile_Click();
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_TRUE(dialogs.messages.back().text.startsWith(QStringLiteral("Error reading ")));
    EXPECT_EQ(main.ChannelSet()->channelsCollection()->Count(), 0);
    EXPECT_EQ(row<QLabel>("lblChInd", 1), nullptr);
    EXPECT_EQ(cell<QLabel>("lblChInd", 0)->text(), QStringLiteral("(Ch1)N1"));  // what it showed before
}

TEST_F(ChannelsWindow, withoutAPlanTheDesignedRowIsShown)
{
    window = std::make_unique<frmChannels>(main, dialogs, nullptr);  // the main window loaded no plan
    window->frmChannels_Form_Load();
    EXPECT_EQ(cell<QLabel>("lblChInd", 0)->text(), QStringLiteral("(Ch1) 101"));
    EXPECT_EQ(cell<TextBox>("txtFreqVideoMHz", 0)->text(), QStringLiteral("999.99"));
}
