#include "widgets/Controls.h"
#include "surveillance/SurveillancePlan.h"

#include <gtest/gtest.h>

using namespace vimbo;
using Kind = SurveillanceField::Kind;

namespace {

// Entries that pass every check, written with the locale's decimal separator.
SurveillanceEntries goodEntries(const QLocale& locale)
{
    const auto number = [&](double v, int decimals) { return locale.toString(v, 'f', decimals); };
    SurveillanceEntries e;
    e.alarmVBER = locale.toString(1e-4, 'E', 2);
    e.warnVBER = locale.toString(1e-5, 'E', 2);
    e.alarmMER = QStringLiteral("20");
    e.warnMER = QStringLiteral("25");
    for (std::size_t s = 0; s < 6; ++s) {
        e.frequencyMHz[s] = number(474.0 + 8.0 * static_cast<double>(s), 2);
        e.alarmPower[s] = QStringLiteral("40");
        e.warnPower[s] = QStringLiteral("45");
        e.surveyed[s] = s < 4;
    }
    return e;
}

struct CheckCase {
    const char* name;
    std::function<void(SurveillanceEntries&)> change;
    QString message;  // empty: accepted
    SurveillanceField focus;
};

}  // namespace

TEST(Validation, checksEveryFieldInOrderAndStopsAtTheFirstFailure)
{
    const QLocale english(QLocale::English);
    const QString invalid = QStringLiteral("Invalid value\r\n");
    using E = SurveillanceEntries;
    const CheckCase cases[] = {
        {"the defaults", [](E&) {}, {}, {}},
        {"the band's edges", [](E& e) { e.frequencyMHz[0] = "450", e.frequencyMHz[5] = "875.00"; }, {}, {}},
        {"a frequency under the band", [](E& e) { e.frequencyMHz[0] = "449.99"; }, invalid + "Ch 0 Freq=[450..875]", {Kind::Frequency, 0}},
        {"a frequency over the band", [](E& e) { e.frequencyMHz[3] = "875.01"; }, invalid + "Ch 3 Freq=[450..875]", {Kind::Frequency, 3}},
        {"a zero frequency", [](E& e) { e.frequencyMHz[5] = "0.00"; }, invalid + "Ch 5 Freq=[450..875]", {Kind::Frequency, 5}},
        {"the VBER range's ends", [](E& e) { e.alarmVBER = "1", e.warnVBER = "1.00E-07"; }, {}, {}},
        {"a VBER alarm under 1e-7", [](E& e) { e.alarmVBER = "9e-8"; }, invalid + "VBER Alarm=[1e-7..1]", {Kind::AlarmVBER, 0}},
        {"a VBER warning over 1", [](E& e) { e.warnVBER = "1.5"; }, invalid + "VBER Warn=[1e-7..1]", {Kind::WarnVBER, 0}},
        {"a VBER alarm equal to its warning", [](E& e) { e.alarmVBER = e.warnVBER = "1.00E-05"; }, invalid + "VBER Alarm<=Warn not valid", {Kind::AlarmVBER, 0}},
        {"a MER warning over 35", [](E& e) { e.warnMER = "35.4"; }, invalid + "MER Warn=[0..35]", {Kind::WarnMER, 0}},
        {"a MER alarm equal to its warning", [](E& e) { e.alarmMER = e.warnMER = "20.5"; }, invalid + "MER Alarm>=Warn not valid", {Kind::AlarmMER, 0}},
        {"a MER alarm under its warning", [](E& e) { e.alarmMER = "20.4", e.warnMER = "20.6"; }, {}, {}},
        {"a power alarm equal to its warning", [](E& e) { e.alarmPower[2] = e.warnPower[2] = "99"; }, invalid + "Ch 2 Power Alarm>=Warn not valid",
         {Kind::AlarmPower, 2}},
        {"a power alarm under its warning", [](E& e) { e.alarmPower[2] = "0", e.warnPower[2] = "99"; }, {}, {}},
        {"a negative power alarm", [](E& e) { e.alarmPower[1] = "-1"; }, invalid + "Ch 1 Alarm=[0..99]", {Kind::AlarmPower, 1}},
        {"an empty power warning", [](E& e) { e.warnPower[4] = ""; }, invalid + "Ch 4 Warn=[0..99]\r\nThe field is empty; a number is needed",
         {Kind::WarnPower, 4}},
        {"a MER that is no number", [](E& e) { e.alarmMER = "abc"; }, invalid + "MER Alarm=[0..35]\r\n\"abc\" is not a number", {Kind::AlarmMER, 0}},
        {"a decimal comma in English", [](E& e) { e.frequencyMHz[1] = "474,25"; }, invalid + "Ch 1 Freq=[450..875]\r\n\"474,25\" is not a number",
         {Kind::Frequency, 1}},
        {"the first fault in the form's order wins", [](E& e) { e.frequencyMHz[1] = "1000", e.alarmPower[0] = "100"; }, invalid + "Ch 0 Alarm=[0..99]",
         {Kind::AlarmPower, 0}},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        SurveillanceEntries entries = goodEntries(english);
        c.change(entries);
        const auto failure = validateEntries(entries, english);
        EXPECT_EQ(failure ? failure->message : QString(), c.message);
        if (failure) {
            EXPECT_EQ(failure->focus, c.focus);
        }
    }
}

TEST(Validation, numbersFollowTheUsersDecimalSeparator)
{
    const QLocale spanish(QLocale::Spanish);
    EXPECT_FALSE(validateEntries(goodEntries(spanish), spanish));  // "474,00", "1,00E-04"
}
