// The wall through its widgets: what each tile shows, their order by
// severity, the site and notable filters, stale and dark lamps, the age that
// moves with the clock, and twelve tiles on one 1280x800 screen.
#include "ProbeEntryDialog.h"
#include "ProbeTile.h"
#include "WallWindow.h"
#include "poll/ProbePoller.h"
#include "core/Notifier.h"
#include "widgets/Controls.h"

#include "FakeClock.h"
#include "DialogScript.h"
#include "FakeDialogs.h"
#include "WaitFor.h"
#include "Widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace vimbo {
namespace {

using test::child;

CycleEnd cycle(CycleEnd::Outcome outcome, ProbeState state, std::initializer_list<int> alarms = {},
               std::initializer_list<int> warnings = {}, const QString& name = QStringLiteral("Vimbo 7"))
{
    CycleEnd end;
    end.outcome = outcome;
    end.state = state;
    end.snapshot.name = name;
    for (int s : alarms)
        end.snapshot.flags.alarm[static_cast<std::size_t>(s)] = true;
    for (int s : warnings)
        end.snapshot.flags.warning[static_cast<std::size_t>(s)] = true;
    for (std::size_t s = 0; s < kSlotCount; ++s)
        end.snapshot.slotValues[s].kHz = 474000 + 8000 * static_cast<int>(s);
    return end;
}

class WallWindowTest : public ::testing::Test {
protected:
    ProbeView answered(const char* id, const char* site, std::initializer_list<int> alarms = {},
                       std::initializer_list<int> warnings = {})
    {
        const ProbeView fresh = freshView(QString::fromLatin1(id), QString::fromLatin1(site), QStringLiteral("127.0.0.1:16101"));
        return nextView(fresh, cycle(CycleEnd::Complete, ProbeState::Answering, alarms, warnings), now());
    }
    std::int64_t now() const { return clock.now().toMSecsSinceEpoch(); }
    QStringList shownIds(const WallWindow& wall) const
    {
        QStringList ids;
        for (const ProbeTile* tile : wall.shownTiles())
            ids << tile->view().id;
        return ids;
    }

    test::FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(11, 57, 0), Qt::UTC)};
};

TEST_F(WallWindowTest, aTileShowsTheProbeAsListedAndAsItAnswersInPlainText)
{
    WallWindow wall(clock);
    ProbeView view = answered("kestrel-hill-1", "Kestrel Hill", {1}, {4});
    view.reportedName = QStringLiteral("<b>Vimbo</b> & <i>7</i>");
    view.slotViews[1].channel = QStringLiteral("(Ch22) 482.00MHz");
    wall.showView(view);
    ProbeTile& tile = *child<ProbeTile>(wall, QStringLiteral("tile_kestrel-hill-1"));
    const auto text = [&](const char* name) {
        QLabel* label = child<QLabel>(tile, QString::fromLatin1(name));
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << name;
        return label->text();
    };
    EXPECT_EQ(text("lblLabel"), QStringLiteral("kestrel-hill-1"));
    EXPECT_EQ(text("lblSite"), QStringLiteral("Kestrel Hill"));
    EXPECT_EQ(text("lblName"), QStringLiteral("<b>Vimbo</b> & <i>7</i>"));
    EXPECT_EQ(text("lblAddress"), QStringLiteral("127.0.0.1:16101"));
    EXPECT_EQ(text("lblState"), QStringLiteral("answering"));
    EXPECT_EQ(text("lblChannel_0"), QStringLiteral("474.00MHz"));
    EXPECT_EQ(text("lblChannel_1"), QStringLiteral("(Ch22) 482.00MHz"));
    EXPECT_EQ(text("lblAge"), QStringLiteral("last cycle: 0 s ago"));
    const PerSlot<const char*> alarms{"dark", "lit", "dark", "dark", "dark", "dark"};
    for (int s = 0; s < kSlotCount; ++s) {
        const QColor alarm = child<LampShape>(tile, QStringLiteral("lampAlarm_%1").arg(s))->fillColor();
        const QColor warning = child<LampShape>(tile, QStringLiteral("lampWarning_%1").arg(s))->fillColor();
        EXPECT_EQ(alarm, s == 1 ? QColor(255, 0, 0) : QColor(64, 0, 0)) << s;
        EXPECT_EQ(warning, s == 4 ? QColor(255, 192, 128) : QColor(64, 48, 48)) << s;
    }

    // The age moves with the clock, once a second.
    clock.advance(75);
    EXPECT_TRUE(test::waitFor([&] { return text("lblAge") == QStringLiteral("last cycle: 75 s ago"); }, 3000))
        << text("lblAge").toStdString();
}

TEST_F(WallWindowTest, nothingIsLitBeforeTheFirstAnswerAndALostProbesValuesLookOld)
{
    WallWindow wall(clock);
    const ProbeView fresh = freshView(QStringLiteral("p"), QStringLiteral("s"), QStringLiteral("127.0.0.1:16101"));
    struct Step {
        CycleEnd end;
        const char* state;
        QColor alarm0, warning2, name;
    };
    const QColor black(0, 0, 0), grey(128, 128, 128);
    const Step steps[] = {
        {cycle(CycleEnd::Failed, ProbeState::NeverAnswered, {0}, {2}), "never answered", QColor(64, 0, 0),
         QColor(64, 48, 48), grey},
        {cycle(CycleEnd::Complete, ProbeState::Answering, {0}, {2}), "answering", QColor(255, 0, 0),
         QColor(255, 192, 128), black},
        {cycle(CycleEnd::Failed, ProbeState::Lost), "lost since 11:57", QColor(191, 64, 64), QColor(191, 160, 128),
         grey},
    };
    ProbeView view = fresh;
    wall.showView(view);
    ProbeTile& tile = *child<ProbeTile>(wall, QStringLiteral("tile_p"));
    EXPECT_EQ(child<QLabel>(tile, QStringLiteral("lblState"))->text(), QStringLiteral("waiting for the first answer"));
    EXPECT_EQ(child<LampShape>(tile, QStringLiteral("lampAlarm_0"))->fillColor(), QColor(64, 0, 0));
    for (const Step& step : steps) {
        view = nextView(view, step.end, now());
        wall.showView(view);
        SCOPED_TRACE(step.state);
        EXPECT_EQ(child<QLabel>(tile, QStringLiteral("lblState"))->text(), QString::fromLatin1(step.state));
        EXPECT_EQ(child<LampShape>(tile, QStringLiteral("lampAlarm_0"))->fillColor(), step.alarm0);
        EXPECT_EQ(child<LampShape>(tile, QStringLiteral("lampWarning_2"))->fillColor(), step.warning2);
        EXPECT_EQ(child<QLabel>(tile, QStringLiteral("lblName"))->palette().color(QPalette::WindowText), step.name);
        EXPECT_EQ(child<QLabel>(tile, QStringLiteral("lblChannel_3"))->palette().color(QPalette::WindowText), step.name);
    }
}

TEST_F(WallWindowTest, tilesStandBySeverityAndTheFiltersKeepASiteOrWhatIsNotable)
{
    WallWindow wall(clock);
    wall.resize(1280, 760);
    wall.show();
    wall.showView(answered("quiet", "Ashby"));
    wall.showView(answered("warned", "Kestrel Hill", {}, {3}));
    ProbeView lost = answered("lost", "Ashby", {0});
    lost = nextView(lost, cycle(CycleEnd::Failed, ProbeState::Lost), now());
    wall.showView(lost);
    wall.showView(answered("alarmed", "Kestrel Hill", {5}));
    wall.showView(freshView(QStringLiteral("waiting"), QStringLiteral("Ashby"), QStringLiteral("127.0.0.1:1")));
    EXPECT_EQ(shownIds(wall), QStringList({"alarmed", "lost", "warned", "quiet", "waiting"}));

    // Left to right on one row, then the next row.
    const std::vector<ProbeTile*> tiles = wall.shownTiles();
    ASSERT_TRUE(test::waitFor([&] { return tiles[1]->x() > tiles[0]->x(); }, 2000));
    EXPECT_EQ(tiles[1]->y(), tiles[0]->y());
    EXPECT_GT(tiles[4]->y(), tiles[0]->y());

    // A new alarm moves its tile to the front.
    wall.showView(answered("quiet", "Ashby", {2}));
    EXPECT_EQ(shownIds(wall), QStringList({"alarmed", "quiet", "lost", "warned", "waiting"}));

    auto* site = child<QComboBox>(wall, QStringLiteral("cmbSite"));
    EXPECT_EQ(site->itemText(0), QStringLiteral("All sites"));
    site->setCurrentIndex(site->findText(QStringLiteral("Ashby")));
    EXPECT_EQ(shownIds(wall), QStringList({"quiet", "lost", "waiting"}));
    EXPECT_FALSE(child<ProbeTile>(wall, QStringLiteral("tile_alarmed"))->isVisible());
    QTest::mouseClick(child<QCheckBox>(wall, QStringLiteral("chkNotable")), Qt::LeftButton);
    EXPECT_EQ(shownIds(wall), QStringList({"quiet", "lost"}));
    site->setCurrentIndex(0);
    EXPECT_EQ(shownIds(wall), QStringList({"alarmed", "quiet", "lost", "warned"}));
    EXPECT_EQ(child<QLabel>(wall, QStringLiteral("lblCount"))->text(), QStringLiteral("4 of 5 probes"));

    wall.removeProbe(QStringLiteral("quiet"));
    EXPECT_EQ(shownIds(wall), QStringList({"alarmed", "lost", "warned"}));
}

TEST_F(WallWindowTest, aCycleEndThatKeepsTheOrderLaysOutNoTileWhileANewOrderMovesThem)
{
    // Laying out the wall's hundred tiles at every cycle's end cost the
    // console more of a core than it may take.
    struct LayoutCount : QObject {
        int requests = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            requests += event->type() == QEvent::LayoutRequest;
            return false;
        }
    } count;
    WallWindow wall(clock);
    wall.resize(1280, 760);
    wall.show();
    for (const char* id : {"ash", "birch", "cedar", "damson", "elm", "fir"})
        wall.showView(answered(id, "Ashby"));
    const std::vector<ProbeTile*> tiles = wall.shownTiles();
    ASSERT_TRUE(test::waitFor([&] { return tiles[5]->y() > tiles[0]->y(); }, 2000));
    QCoreApplication::processEvents();
    tiles[0]->parentWidget()->installEventFilter(&count);
    const auto places = [&] {
        std::vector<QPoint> at;
        for (const ProbeTile* tile : tiles)
            at.push_back(tile->pos());
        return at;
    };
    const std::vector<QPoint> before = places();

    // Later cycles change the age, state and name each tile shows, not the order.
    clock.advance(7);
    ProbeView birch = answered("birch", "Ashby");
    birch.reportedName = QStringLiteral("Vimbo 7 renamed at the probe");
    wall.cycleEnded(birch, {});
    wall.cycleEnded(answered("elm", "Ashby"), {});
    QTest::qWait(50);  // a tile's layout asks its parent's in a later event
    EXPECT_EQ(count.requests, 0);
    EXPECT_EQ(places(), before);
    EXPECT_EQ(child<QLabel>(*tiles[1], QStringLiteral("lblName"))->text(), birch.reportedName);

    // An alarm takes the fir to the front and the others one place on.
    wall.cycleEnded(answered("fir", "Ashby", {2}), {});
    EXPECT_EQ(shownIds(wall), QStringList({"fir", "ash", "birch", "cedar", "damson", "elm"}));
    ASSERT_TRUE(test::waitFor([&] { return tiles[5]->pos() == before[0]; }, 2000));
    EXPECT_EQ(tiles[0]->pos(), before[1]);
    EXPECT_GT(count.requests, 0);
}

TEST_F(WallWindowTest, twelveTilesFitA1280x800ScreenAndAHundredScroll)
{
    for (const int count : {12, 100}) {
        WallWindow wall(clock);
        wall.resize(1280, 800 - 40);  // the screen less a panel and the title bar
        wall.show();
        for (int i = 0; i < count; ++i)
            wall.showView(answered(qPrintable(QStringLiteral("probe-%1").arg(i, 3, 10, QLatin1Char('0'))), "Site",
                                   {i % 6}));
        auto* scroll = child<QScrollArea>(wall, QStringLiteral("scrTiles"));
        ASSERT_TRUE(test::waitFor([&] { return wall.shownTiles().back()->y() > 0; }, 2000));
        QCoreApplication::processEvents();
        const std::vector<ProbeTile*> tiles = wall.shownTiles();
        EXPECT_EQ(tiles[3]->y(), tiles[0]->y()) << count << ": four columns, the scroll bar shown or not";
        EXPECT_GT(tiles[4]->y(), tiles[0]->y()) << count;
        if (count == 12) {
            EXPECT_EQ(scroll->verticalScrollBar()->maximum(), 0) << "twelve tiles need no scrolling";
        } else {
            EXPECT_GT(scroll->verticalScrollBar()->maximum(), 0);
        }
        // Every channel label and name is readable whole in its tile.
        ProbeTile& tile = *wall.shownTiles().front();
        for (const char* name : {"lblChannel_0", "lblChannel_5", "lblName", "lblState", "lblAge"}) {
            QLabel* label = child<QLabel>(tile, QString::fromLatin1(name));
            label->setText(QStringLiteral("(Ch69) 858.00MHz").left(name[3] == 'C' ? 99 : 16));
            EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width()) << name;
        }
    }
}

TEST_F(WallWindowTest, openingATileAndItsMenuTellTheOwnerWhichProbe)
{
    QStringList asked;
    WallWindow::Handlers handlers;
    handlers.open = [&](const QString& id) { asked << "open " + id; };
    handlers.editProbe = [&](const QString& id) { asked << "edit " + id; };
    handlers.removeProbe = [&](const QString& id) { asked << "remove " + id; };
    handlers.addProbe = [&] { asked << QStringLiteral("add"); };
    WallWindow wall(clock, handlers);
    wall.show();
    wall.showView(answered("a", "s"));
    wall.showView(answered("b", "s"));
    ProbeTile& tile = *child<ProbeTile>(wall, QStringLiteral("tile_b"));
    QTest::mouseDClick(&tile, Qt::LeftButton);
    tile.setFocus();
    QTest::keyClick(&tile, Qt::Key_Return);
    std::unique_ptr<QMenu> menu(wall.tileMenu(QStringLiteral("a")));
    child<QAction>(*menu, QStringLiteral("actEditProbe"))->trigger();
    child<QAction>(*menu, QStringLiteral("actRemoveProbe"))->trigger();
    child<QAction>(wall, QStringLiteral("actAddProbe"))->trigger();
    EXPECT_EQ(asked, QStringList({"open b", "open b", "edit a", "remove a", "add"}));
}

TEST_F(WallWindowTest, eachRiseLossReturnAndClearIsToldOnceNamingSiteLabelAndChannel)
{
    struct Told final : Notifier {
        QStringList lines;
        void notify(QWidget& window, const Notification& n) override
        {
            lines << window.objectName() + " | " + n.title + " | " + n.text +
                         (n.urgency == Notification::Critical ? " | critical" : " | normal");
        }
    } told;
    WallWindow wall(clock);
    wall.setNotifier(&told);
    const auto label = [](std::int32_t kHz) { return QStringLiteral("(Ch%1) %2MHz").arg((kHz - 306000) / 8000).arg(kHz / 1000); };
    ProbeView view = freshView(QStringLiteral("kestrel-hill-1"), QStringLiteral("Kestrel Hill"), QStringLiteral("127.0.0.1:1"));
    const auto run = [&](CycleEnd end, std::vector<ProbeEvent> events) {
        end.events = std::move(events);
        view = nextView(view, end, now(), label);
        wall.cycleEnded(view, end.events);
    };
    run(cycle(CycleEnd::Complete, ProbeState::Answering, {1}, {2}),
        {{ProbeEvent::AlarmRose, 1}, {ProbeEvent::WarningRose, 2}});
    run(cycle(CycleEnd::Complete, ProbeState::Answering, {1}, {2}), {});
    run(cycle(CycleEnd::Failed, ProbeState::Lost), {{ProbeEvent::ProbeLost, -1}});
    run(cycle(CycleEnd::Failed, ProbeState::Lost), {});
    run(cycle(CycleEnd::Complete, ProbeState::Answering), {{ProbeEvent::AlarmCleared, 1}, {ProbeEvent::WarningCleared, 2},
                                                           {ProbeEvent::ProbeBack, -1}});
    EXPECT_EQ(told.lines, QStringList({
                              "WallWindow | Kestrel Hill / kestrel-hill-1 | Alarm on (Ch22) 482MHz (slot 2) | critical",
                              "WallWindow | Kestrel Hill / kestrel-hill-1 | The probe does not answer | normal",
                              "WallWindow | Kestrel Hill / kestrel-hill-1 | Alarm cleared on (Ch22) 482MHz (slot 2) | normal",
                              "WallWindow | Kestrel Hill / kestrel-hill-1 | The probe answers again | normal",
                          }));
    EXPECT_EQ(child<QLabel>(wall, QStringLiteral("lblState"))->text(), QStringLiteral("answering"));
}

void type(QWidget& dialog, const char* box, const QString& text)
{
    child<QLineEdit>(dialog, QString::fromLatin1(box))->setText(text);
}

void press(QWidget& dialog, const char* button)
{
    QTest::mouseClick(child<QPushButton>(dialog, QString::fromLatin1(button)), Qt::LeftButton);
}

using test::DialogScript;

TEST(ProbeEntryFlow, aProbeIsAddedThroughItsLabelSiteAndTheSnmpDialogsChecks)
{
    test::FakeDialogs dialogs;
    DialogScript script;
    script.steps = {
        [](QWidget& d) {
            type(d, "txtLabel", QStringLiteral("ashby-2"));  // taken: told, and the dialog stays
            press(d, "btnNext");
            type(d, "txtLabel", QStringLiteral("tollgate-1"));
            type(d, "txtSite", QStringLiteral("  Tollgate "));
            press(d, "btnNext");
        },
        [](QWidget& d) {
            EXPECT_EQ(child<QLineEdit>(d, QStringLiteral("txtVimboIP"))->text(), QStringLiteral("127.0.0.1"));
            type(d, "txtPort", QStringLiteral("70000"));  // refused by the SNMP dialog's own check
            press(d, "OKButton");
            type(d, "txtPort", QStringLiteral("16103"));
            type(d, "txtRetries", QStringLiteral("2"));
            press(d, "OKButton");
        },
    };
    ProbeEntry start{{}, {}, {"127.0.0.1", "tavelo", "kiminar", 100, 1, 161}};
    const auto entry = askProbeEntry(start, {"kestrel-hill-1", "ashby-2"}, dialogs, nullptr);
    ASSERT_TRUE(entry);
    EXPECT_EQ(script.seen, QStringList({"ProbeEntryDialog", "frmSnmpConfig"}));
    EXPECT_EQ(entry->label, QStringLiteral("tollgate-1"));
    EXPECT_EQ(entry->site, QStringLiteral("Tollgate"));
    EXPECT_EQ(entry->settings.agent, "127.0.0.1");
    EXPECT_EQ(entry->settings.port, 16103);
    EXPECT_EQ(entry->settings.retries, 2);
    EXPECT_EQ(entry->settings.communityR, "tavelo");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, QStringLiteral("Another probe of the list is labelled ashby-2."));
    EXPECT_EQ(dialogs.messages[1].text, QStringLiteral("UDP Port: a whole number from 1 to 65535"));

    // Cancelled at the SNMP dialog: nothing is added.
    DialogScript cancelled;
    cancelled.steps = {[](QWidget& d) { press(d, "btnNext"); }, [](QWidget& d) { press(d, "CancelButton"); }};
    EXPECT_FALSE(askProbeEntry({QStringLiteral("tollgate-2"), {}, start.settings}, {}, dialogs, nullptr));
    EXPECT_EQ(cancelled.seen, QStringList({"ProbeEntryDialog", "frmSnmpConfig"}));

    dialogs.answers = {MessageAnswer::Cancel, MessageAnswer::Ok};
    EXPECT_FALSE(confirmRemoval(QStringLiteral("ashby-2"), QStringLiteral("Ashby"), dialogs));
    EXPECT_TRUE(confirmRemoval(QStringLiteral("ashby-2"), QStringLiteral("Ashby"), dialogs));
    EXPECT_EQ(dialogs.messages.back().text, QStringLiteral("Remove ashby-2 (Ashby) from the list?"));
}

}  // namespace
}  // namespace vimbo
