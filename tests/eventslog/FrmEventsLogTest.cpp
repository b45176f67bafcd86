#include "FakeClock.h"
#include "MainStandIn.h"
#include "TestFiles.h"
#include "Widgets.h"
#include "eventslog/frmEventsLog.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

using namespace vimbo;
using vimbo::test::FakeClock;
using vimbo::test::MainStandIn;

namespace {

class EventsLog : public testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        log.frmEventsLog_Form_Load();
    }
    QListWidget& list() { return *test::child<QListWidget>(log, QStringLiteral("lstMsgs")); }
    QStringList lines() { return test::lineTexts(list()); }
    int errorOf(std::int16_t id)
    {
        return test::errorNumberOf([&] { log.removeMessage(id); });
    }

    FakeClock clock;
    MainStandIn main;
    frmEventsLog log{main, clock, nullptr};
};

}  // namespace

TEST_F(EventsLog, removeTakesTheSelectedLinesAndRemoveAllKeepsTheCount)
{
    for (const char* text : {"a", "b", "c", "d"})
        log.addMessage(QLatin1String(text));
    test::child<QPushButton>(log, QStringLiteral("btnRemove"))->click();
    EXPECT_EQ(list().count(), 4);  // nothing selected, nothing removed
    list().item(1)->setSelected(true);
    list().item(3)->setSelected(true);
    test::child<QPushButton>(log, QStringLiteral("btnRemove"))->click();
    EXPECT_EQ(lines(), QStringList({"14:05.33-a", "14:05.33-c"}));
    test::child<QPushButton>(log, QStringLiteral("btnRemoveAll"))->click();
    EXPECT_EQ(list().count(), 0);
    EXPECT_EQ(log.msgCount(), 4);
}

TEST_F(EventsLog, removeMessageFindsAMovedLineAndRaisesForAGoneOne)
{
    for (const char* text : {"a", "b", "c"})
        log.addMessage(QLatin1String(text));
    list().item(0)->setSelected(true);
    test::child<QPushButton>(log, QStringLiteral("btnRemove"))->click();
    EXPECT_EQ(errorOf(0), errors::kInvalidArgument);  // "a" is gone; "b" stays
    EXPECT_EQ(errorOf(-1), errors::kSubscriptOutOfRange);
    EXPECT_EQ(errorOf(26), errors::kSubscriptOutOfRange);
    EXPECT_EQ(errorOf(20), errors::kInvalidArgument);  // never handed out
    log.removeMessage(2);  // "c" is found where it moved; the last identifier handed out comes back
    EXPECT_EQ(lines(), QStringList({"14:05.33-b"}));
    EXPECT_EQ(log.msgCount(), 2);
    log.addMessage(QStringLiteral("d"));
    log.removeMessage(1);
    EXPECT_EQ(lines(), QStringList({"14:05.33-d"}));
}

TEST_F(EventsLog, onceTheIdentifiersAreSpentEachNewLinePushesOutTheOldest)
{
    for (int i = 0; i < 32767; ++i) {
        log.addMessage(QStringLiteral("m%1").arg(i));
        clock.advance(1);
    }
    EXPECT_EQ(list().count(), 32767);  // everything kept up to the bound
    EXPECT_EQ(list().item(0)->text(), QStringLiteral("14:05.33-m0"));

    log.addMessage(QStringLiteral("late1"));  // 32768 s after the start: 23:11.41
    clock.advance(1);
    log.addMessage(QStringLiteral("late2"));
    EXPECT_EQ(list().count(), 32767);
    EXPECT_EQ(list().item(0)->text(), QStringLiteral("14:05.35-m2"));
    EXPECT_EQ(list().item(32765)->text(), QStringLiteral("23:11.40-late1"));
    EXPECT_EQ(list().item(32766)->text(), QStringLiteral("23:11.41-late2"));
    EXPECT_EQ(log.msgCount(), 32767);

    log.removeMessage(5);  // its line moved up by two: still found
    EXPECT_FALSE(lines().contains(QStringLiteral("14:05.38-m5")));
    EXPECT_EQ(list().count(), 32766);
    EXPECT_EQ(errorOf(0), 5);  // pushed out: gone, nothing else removed
    EXPECT_EQ(list().count(), 32766);
}

TEST_F(EventsLog, closeAndEscapeHideTheLogAndKeepItsLines)
{
    log.addMessage(QStringLiteral("kept"));
    log.show();
    ASSERT_TRUE(log.windowHandle());
    log.windowHandle()->close();
    EXPECT_FALSE(log.isVisible());
    EXPECT_EQ(main.focusTaken, 1);
    log.show();
    QTest::keyClick(&log, Qt::Key_Escape);
    EXPECT_FALSE(log.isVisible());
    log.show();
    test::child<QPushButton>(log, QStringLiteral("OKButton"))->click();
    EXPECT_FALSE(log.isVisible());
    EXPECT_EQ(lines(), QStringList({"14:05.33-kept"}));
}
