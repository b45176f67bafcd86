// vimbo-console's window over its real core against the simulator: the wall
// shows the list's probes, adds and removes them through the list file, and
// a tile opens the probe's detail fed by the core's own poller.
#include "ConsoleCore.h"
#include "ConsoleWall.h"
#include "ProbeList.h"
#include "ProbeTile.h"
#include "WallWindow.h"
#include "core/Clock.h"
#include "journal/frmAlarmHistory.h"
#include "main/frmMain.h"

#include "DialogScript.h"
#include "FakeDialogs.h"
#include "SimulatedProbe.h"
#include "WaitFor.h"
#include "Widgets.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace vimbo {
namespace {

ProbeEntry entryFor(const test::ProbeSimProcess& sim, std::size_t index, const char* label, const char* site)
{
    ProbeEntry entry{QString::fromUtf8(label), QString::fromUtf8(site), defaultProbeSettings()};
    entry.settings.agent = sim.host();
    entry.settings.port = sim.ports().at(index);
    return entry;
}

QStringList listedLabels(const QString& path)
{
    QStringList labels;
    for (const ProbeEntry& entry : readProbeList(path).probes)
        labels << entry.label;
    return labels;
}

TEST(ConsoleWall, showsTheListsProbesAddsAndRemovesThemInTheFileAndOpensOnesDetail)
{
    auto sim = test::startProbes(3, {"--probe-flags", "2=0100"});
    ASSERT_TRUE(sim);
    QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));  // where the detail view finds CCIR.can
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString list = folder.filePath(QStringLiteral("vimbo/probes.conf"));
    ASSERT_FALSE(writeProbeList(list, {entryFor(*sim, 0, "kestrel-hill-1", "Kestrel Hill"),
                                       entryFor(*sim, 1, "ashby-2", "Ashby Down")}));
    const ProbeListRead read = readProbeList(list);
    ASSERT_TRUE(read.ok) << read.error.toStdString();

    SystemClock clock;
    test::FakeDialogs dialogs;
    ConsoleCore::Options options;
    options.history = folder.filePath(QStringLiteral("history.sqlite"));
    options.listPath = list;
    options.pauseMs = 300;
    ConsoleCore core(clock, read.probes, options);
    ConsoleWall window(core, clock, dialogs, nullptr);
    WallWindow& wall = window.wall();
    wall.show();
    core.start();

    const auto tile = [&](const QString& label) {
        return wall.findChild<ProbeTile*>(QStringLiteral("tile_") + label);
    };
    const auto text = [&](const QString& label, const char* name) {
        return test::child<QLabel>(*tile(label), QString::fromLatin1(name))->text();
    };
    const auto shown = [&] {
        QStringList labels;
        for (const ProbeTile* shownTile : wall.shownTiles())
            labels << shownTile->view().id;
        return labels;
    };
    // The probe in alarm first, each with its label and site, answering.
    ASSERT_TRUE(test::waitFor([&] { return shown() == QStringList({"ashby-2", "kestrel-hill-1"}); }, 10000))
        << shown().join(' ').toStdString();
    EXPECT_EQ(text(QStringLiteral("kestrel-hill-1"), "lblSite"), QStringLiteral("Kestrel Hill"));
    EXPECT_EQ(text(QStringLiteral("ashby-2"), "lblSite"), QStringLiteral("Ashby Down"));
    ASSERT_TRUE(test::waitFor([&] { return text(QStringLiteral("kestrel-hill-1"), "lblState") == "answering"; }, 10000));

    // Added through the two dialogs: on the wall, polled, and in the file.
    const QString third = QString::number(sim->ports().at(2));
    test::DialogScript add;
    add.steps = {
        [](QWidget& d) {
            test::child<QLineEdit>(d, QStringLiteral("txtLabel"))->setText(QStringLiteral("tollgate-3"));
            test::child<QLineEdit>(d, QStringLiteral("txtSite"))->setText(QStringLiteral("Tollgate"));
            QTest::mouseClick(test::child<QPushButton>(d, QStringLiteral("btnNext")), Qt::LeftButton);
        },
        [&](QWidget& d) {
            test::child<QLineEdit>(d, QStringLiteral("txtVimboIP"))->setText(QStringLiteral("127.0.0.1"));
            test::child<QLineEdit>(d, QStringLiteral("txtPort"))->setText(third);
            QTest::mouseClick(test::child<QPushButton>(d, QStringLiteral("OKButton")), Qt::LeftButton);
        },
    };
    window.addProbe();
    EXPECT_EQ(add.seen, QStringList({"ProbeEntryDialog", "frmSnmpConfig"}));
    EXPECT_EQ(listedLabels(list), QStringList({"kestrel-hill-1", "ashby-2", "tollgate-3"}));
    ASSERT_TRUE(tile(QStringLiteral("tollgate-3")));
    EXPECT_EQ(text(QStringLiteral("tollgate-3"), "lblSite"), QStringLiteral("Tollgate"));
    ASSERT_TRUE(test::waitFor([&] { return text(QStringLiteral("tollgate-3"), "lblState") == "answering"; }, 10000));

    // A tile opens the probe's detail, fed by the core's poller: the name the probe reports.
    window.open(QStringLiteral("kestrel-hill-1"));
    frmMain* detail = window.detail(QStringLiteral("kestrel-hill-1"));
    ASSERT_TRUE(detail);
    EXPECT_TRUE(detail->isVisible());
    auto* name = test::child<QLineEdit>(*detail, QStringLiteral("txtVimboName"));
    const QString reported = tile(QStringLiteral("kestrel-hill-1"))->view().reportedName;
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_TRUE(test::waitFor([&] { return name->text() == reported; }, 10000)) << name->text().toStdString();
    window.open(QStringLiteral("kestrel-hill-1"));
    EXPECT_EQ(window.detail(QStringLiteral("kestrel-hill-1")), detail) << "one detail view a probe";

    // The alarm list names the probe in alarm by its label.
    window.showAlarmHistory();
    ASSERT_TRUE(window.alarmHistory());
    ASSERT_TRUE(test::waitFor([&] {
        const auto& rows = window.alarmHistory()->shown();
        return !rows.empty() && rows.front().probe.port == sim->ports().at(1);
    }, 10000));

    // Removed once confirmed: off the wall, out of the file, its detail closed.
    dialogs.answers = {MessageAnswer::Ok};
    window.removeProbe(QStringLiteral("kestrel-hill-1"));
    EXPECT_EQ(listedLabels(list), QStringList({"ashby-2", "tollgate-3"}));
    EXPECT_EQ(shown(), QStringList({"ashby-2", "tollgate-3"}));
    EXPECT_FALSE(window.detail(QStringLiteral("kestrel-hill-1")));
    EXPECT_TRUE(wall.isVisible());
    core.stop();
}

}  // namespace
}  // namespace vimbo
