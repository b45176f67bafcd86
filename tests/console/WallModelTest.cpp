// The wall's order, filters and colours: which tile a person sees first, and
// what looks lit, dark or old.
#include "ProbeEntry.h"
#include "WallModel.h"

#include <gtest/gtest.h>

namespace vimbo {
namespace {

ProbeView probe(const char* id, const char* site, ProbeState state, const char* alarms = "dddddd",
                const char* warnings = "dddddd")
{
    ProbeView view = freshView(QString::fromLatin1(id), QString::fromLatin1(site), QStringLiteral("127.0.0.1:161"));
    view.state = state;
    const auto look = [](char c) { return c == 'L' ? LampLook::Lit : c == 's' ? LampLook::Stale : LampLook::Dark; };
    for (int s = 0; s < kSlotCount; ++s) {
        view.slotViews[static_cast<std::size_t>(s)].alarm = look(alarms[s]);
        view.slotViews[static_cast<std::size_t>(s)].warning = look(warnings[s]);
    }
    return view;
}

QStringList ids(const std::vector<const ProbeView*>& views)
{
    QStringList ids;
    for (const ProbeView* view : views)
        ids << view->id;
    return ids;
}

WallModel headend()
{
    WallModel model;
    model.put(probe("quiet-b", "Kestrel Hill", ProbeState::Answering));
    model.put(probe("warned", "Kestrel Hill", ProbeState::Answering, "dddddd", "ddLddd"));
    model.put(probe("Quiet-a", "Ashby", ProbeState::Answering));
    model.put(probe("lost-with-old-alarm", "Ashby", ProbeState::Lost, "Lsdddd"));
    model.put(probe("waiting", "Ashby", ProbeState::Waiting));
    model.put(probe("alarmed", "Kestrel Hill", ProbeState::Answering, "dddddL", "Lddddd"));
    model.put(probe("never", "Kestrel Hill", ProbeState::NeverAnswered));
    model.put(probe("gone", "Ashby", ProbeState::NotWatched, "sddddd"));
    return model;
}

TEST(WallModel, tilesSortBySeverityThenLabelAndFiltersKeepASiteOrWhatIsNotable)
{
    struct Case {
        const char* title;
        WallFilter filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"everything",
         {},
         {"alarmed", "lost-with-old-alarm", "never", "warned", "gone", "Quiet-a", "quiet-b", "waiting"}},
        {"one site", {QStringLiteral("Ashby"), false}, {"lost-with-old-alarm", "gone", "Quiet-a", "waiting"}},
        {"only notable", {std::nullopt, true}, {"alarmed", "lost-with-old-alarm", "never", "warned"}},
        {"notable at one site", {QStringLiteral("Kestrel Hill"), true}, {"alarmed", "never", "warned"}},
        {"a site nobody has", {QStringLiteral("Nowhere"), false}, {}},
    };
    const WallModel model = headend();
    for (const Case& c : cases)
        EXPECT_EQ(ids(model.ordered(c.filter)), c.expected) << c.title;
    EXPECT_EQ(model.sites(), QStringList({"Ashby", "Kestrel Hill"}));
}

TEST(WallModel, aProbeIsReplacedByIdAndRemovedOnce)
{
    WallModel model = headend();
    ProbeView view = *model.find(QStringLiteral("warned"));
    EXPECT_FALSE(model.put(view));  // nothing new: the wall need not redraw
    view.slotViews[0].alarm = LampLook::Lit;
    EXPECT_TRUE(model.put(view));
    EXPECT_EQ(model.views().size(), 8u);
    EXPECT_EQ(ids(model.ordered({})).front(), QStringLiteral("alarmed"));
    EXPECT_EQ(ids(model.ordered({}))[1], QStringLiteral("warned"));
    EXPECT_TRUE(model.remove(QStringLiteral("warned")));
    EXPECT_FALSE(model.remove(QStringLiteral("warned")));
    EXPECT_EQ(model.find(QStringLiteral("warned")), nullptr);
    EXPECT_EQ(model.views().size(), 7u);
}

TEST(WallModel, colourAreTheDesktopsLampsAndTheGreyOfOldValues)
{
    struct Case {
        LampLook lamp;
        bool alarm;
        QColor colour;
    };
    const Case cases[] = {
        {LampLook::Dark, true, QColor(64, 0, 0)},       {LampLook::Lit, true, QColor(255, 0, 0)},
        {LampLook::Stale, true, QColor(191, 64, 64)},   {LampLook::Dark, false, QColor(64, 48, 48)},
        {LampLook::Lit, false, QColor(255, 192, 128)},  {LampLook::Stale, false, QColor(191, 160, 128)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lampColour(c.lamp, c.alarm), c.colour) << int(c.lamp) << c.alarm;
    EXPECT_EQ(valueColour(true), QColor(128, 128, 128));
    EXPECT_EQ(valueColour(false), QColor(0, 0, 0));
    EXPECT_FALSE(valuesStale(probe("a", "s", ProbeState::Answering)));
    for (ProbeState state : {ProbeState::Waiting, ProbeState::Lost, ProbeState::NeverAnswered, ProbeState::NotWatched})
        EXPECT_TRUE(valuesStale(probe("a", "s", state))) << int(state);
}

}  // namespace
}  // namespace vimbo

namespace vimbo {
namespace {

TEST(ProbeEntry, labelsAndSitesAreWhatOneLineOfTheListCanHold)
{
    const QStringList taken = {"kestrel-hill-1", "ashby-2"};
    struct Case {
        QString label;
        const char* problem;  // "" when it may be used
    };
    const Case labels[] = {
        {"kestrel-hill-2", ""},
        {"Probe_7.b", ""},
        {QString(64, u'x'), ""},
        {"", "A probe needs a label."},
        {QString(65, u'x'), "A label has at most 64 characters."},
        {"kestrel hill", "A label has only letters, digits, '-', '_' and '.'."},
        {"a]b", "A label has only letters, digits, '-', '_' and '.'."},
        {"a\nb", "A label has only letters, digits, '-', '_' and '.'."},
        {QStringLiteral("késtrel"), "A label has only letters, digits, '-', '_' and '.'."},
        {"Ashby-2", "Another probe of the list is labelled Ashby-2."},
    };
    for (const Case& c : labels)
        EXPECT_EQ(labelProblem(c.label, taken).value_or(QString()), QString::fromLatin1(c.problem)) << c.label.toStdString();

    const Case sites[] = {
        {"Kestrel Hill", ""},
        {QStringLiteral("Mönchsberg [north]"), ""},
        {"", ""},
        {QString(101, u's'), "A site has at most 100 characters."},
        {"Kestrel\nHill", "A site is one line of text."},
        {"Kestrel\tHill", "A site is one line of text."},
    };
    for (const Case& c : sites)
        EXPECT_EQ(siteProblem(c.label).value_or(QString()), QString::fromLatin1(c.problem)) << c.label.toStdString();
}

}  // namespace
}  // namespace vimbo
