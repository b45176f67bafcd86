#include "Controls.h"
#include "SurveillancePlan.h"

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
    std::function<void(SurveillanceEntries&, const QLocale&)> change;
    QString message;  // empty: accepted
    SurveillanceField focus;
};

class ValidationCases : public testing::TestWithParam<std::tuple<CheckCase, QLocale::Language>> {};

QString dec(const QLocale& locale, const char* pointText)
{
    return QString::fromLatin1(pointText).replace(QLatin1Char('.'), locale.decimalPoint());
}

std::vector<CheckCase> checkCases()
{
    const QString invalid = QStringLiteral("Invalid value\r\n");
    return {
        {"Good", [](SurveillanceEntries&, const QLocale&) {}, {}, {}},
        {"Freq450And875", [](SurveillanceEntries& e, const QLocale& l) {
             e.frequencyMHz[0] = dec(l, "450");
             e.frequencyMHz[5] = dec(l, "875.00");
         }, {}, {}},
        {"Freq449_99", [](SurveillanceEntries& e, const QLocale& l) { e.frequencyMHz[0] = dec(l, "449.99"); },
         invalid + "Ch 0 Freq=[450..875]", {Kind::Frequency, 0}},
        {"Freq875_01InFourthRow", [](SurveillanceEntries& e, const QLocale& l) { e.frequencyMHz[3] = dec(l, "875.01"); },
         invalid + "Ch 3 Freq=[450..875]", {Kind::Frequency, 3}},
        {"UnsurveyedSlotStillChecked", [](SurveillanceEntries& e, const QLocale& l) { e.frequencyMHz[5] = dec(l, "0.00"); },
         invalid + "Ch 5 Freq=[450..875]", {Kind::Frequency, 5}},
        {"VberLimitsAccepted", [](SurveillanceEntries& e, const QLocale& l) {
             e.alarmVBER = dec(l, "1");
             e.warnVBER = dec(l, "1.00E-07");
         }, {}, {}},
        {"VberBelowRange", [](SurveillanceEntries& e, const QLocale& l) { e.alarmVBER = dec(l, "9e-8"); },
         invalid + "VBER Alarm=[1e-7..1]", {Kind::AlarmVBER, 0}},
        {"VberAboveRange", [](SurveillanceEntries& e, const QLocale& l) { e.warnVBER = dec(l, "1.5"); },
         invalid + "VBER Warn=[1e-7..1]", {Kind::WarnVBER, 0}},
        {"VberEqual", [](SurveillanceEntries& e, const QLocale& l) { e.alarmVBER = e.warnVBER = dec(l, "1.00E-05"); },
         invalid + "VBER Alarm<=Warn not valid", {Kind::AlarmVBER, 0}},
        {"MerRange", [](SurveillanceEntries& e, const QLocale& l) { e.warnMER = dec(l, "35.4"); },
         invalid + "MER Warn=[0..35]", {Kind::WarnMER, 0}},
        {"MerHalvesRoundToTheSame", [](SurveillanceEntries& e, const QLocale& l) { e.alarmMER = e.warnMER = dec(l, "20.5"); },
         invalid + "MER Alarm>=Warn not valid", {Kind::AlarmMER, 0}},
        {"MerRoundedApart", [](SurveillanceEntries& e, const QLocale& l) {
             e.alarmMER = dec(l, "20.4");
             e.warnMER = dec(l, "20.6");
         }, {}, {}},
        {"PowerEqual", [](SurveillanceEntries& e, const QLocale&) { e.alarmPower[2] = e.warnPower[2] = "99"; },
         invalid + "Ch 2 Power Alarm>=Warn not valid", {Kind::AlarmPower, 2}},
        {"PowerZeroTo99", [](SurveillanceEntries& e, const QLocale&) {
             e.alarmPower[2] = "0";
             e.warnPower[2] = "99";
         }, {}, {}},
        {"PowerAlarmRange", [](SurveillanceEntries& e, const QLocale&) { e.alarmPower[1] = "-1"; },
         invalid + "Ch 1 Alarm=[0..99]", {Kind::AlarmPower, 1}},
        {"EmptyField", [](SurveillanceEntries& e, const QLocale&) { e.warnPower[4] = ""; },
         invalid + "Ch 4 Warn=[0..99]\r\nThe field is empty; a number is needed", {Kind::WarnPower, 4}},
        {"NotANumber", [](SurveillanceEntries& e, const QLocale&) { e.alarmMER = "abc"; },
         invalid + "MER Alarm=[0..35]\r\n\"abc\" is not a number", {Kind::AlarmMER, 0}},
        {"FirstFailureWins", [](SurveillanceEntries& e, const QLocale& l) {
             e.frequencyMHz[1] = dec(l, "1000");
             e.alarmPower[0] = "100";
         }, invalid + "Ch 0 Alarm=[0..99]", {Kind::AlarmPower, 0}},
    };
}

}  // namespace

TEST_P(ValidationCases, checksInOrder)
{
    const auto& [c, language] = GetParam();
    const QLocale locale(language);
    SurveillanceEntries entries = goodEntries(locale);
    c.change(entries, locale);
    const auto failure = validateEntries(entries, locale);
    if (c.message.isEmpty()) {
        EXPECT_FALSE(failure) << failure->message.toStdString();
        return;
    }
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message, c.message);
    EXPECT_EQ(failure->focus, c.focus);
}

INSTANTIATE_TEST_SUITE_P(PointAndComma, ValidationCases,
                         testing::Combine(testing::ValuesIn(checkCases()),
                                          testing::Values(QLocale::English, QLocale::Spanish)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    (std::get<1>(info.param) == QLocale::English ? "_Point" : "_Comma");
                         });

TEST(ParseLocaleNumber, localeDecimalsAndExponentsButNoGroupSeparators)
{
    const QLocale english(QLocale::English), spanish(QLocale::Spanish);
    EXPECT_EQ(parseLocaleNumber("474.25", english), 474.25);
    EXPECT_EQ(parseLocaleNumber("474,25", spanish), 474.25);
    EXPECT_EQ(parseLocaleNumber("1.00E-07", english), 1e-7);
    EXPECT_EQ(parseLocaleNumber(" 25 ", english), 25.0);
    EXPECT_EQ(parseLocaleNumber("474,5", english), std::nullopt);  // never 4745
    EXPECT_EQ(parseLocaleNumber("474.25", spanish), std::nullopt);
    EXPECT_EQ(parseLocaleNumber("", english), std::nullopt);
    EXPECT_EQ(parseLocaleNumber("1e999", english), std::nullopt);
}

TEST(WritePlan, twentyEightObjectsInOrder)
{
    const auto& plan = writePlan();
    ASSERT_EQ(plan.size(), 28u);
    const std::string b = ".1.3.6.1.4.1.32473.2.2";
    EXPECT_EQ(plan[0].oid, b + ".2.1");
    EXPECT_EQ(plan[3].oid, b + ".2.4");
    EXPECT_EQ(plan[3].field.kind, Kind::WarnVBER);
    EXPECT_EQ(plan[4].oid, b + ".3.2");
    EXPECT_EQ(plan[5].oid, b + ".3.6");
    EXPECT_EQ(plan[6].oid, b + ".3.7");
    EXPECT_EQ(plan[7].oid, b + ".3.1");
    EXPECT_EQ(plan[9].oid, b + ".4.6");  // the tenth request
    EXPECT_EQ(plan[27].oid, b + ".8.1");
    EXPECT_EQ(plan[27].field, (SurveillanceField{Kind::Survey, 5}));
}

TEST(WritePlan, valuesAreScaledRoundedAndTyped)
{
    const QLocale locale(QLocale::English);
    SurveillanceEntries e = goodEntries(locale);
    e.alarmVBER = "1.00E+00";
    e.warnVBER = "1.00E-07";
    e.alarmMER = "34.5";
    e.frequencyMHz[0] = "474.00";
    e.frequencyMHz[1] = "474.12";
    e.warnPower[0] = "45.5";
    const auto& plan = writePlan();
    EXPECT_EQ(valueToSend(plan[2], e, locale), zemtra::Variant(std::int32_t{10000000}));
    EXPECT_EQ(valueToSend(plan[3], e, locale), zemtra::Variant(std::int32_t{1}));
    EXPECT_EQ(valueToSend(plan[0], e, locale), zemtra::Variant(std::int16_t{34}));
    EXPECT_EQ(valueToSend(plan[4], e, locale), zemtra::Variant(std::int32_t{474000000}));
    EXPECT_EQ(valueToSend(plan[8], e, locale), zemtra::Variant(std::int32_t{474120000}));
    EXPECT_EQ(valueToSend(plan[6], e, locale), zemtra::Variant(std::int16_t{46}));
    EXPECT_EQ(valueToSend(plan[7], e, locale), zemtra::Variant(std::int16_t{1}));
    EXPECT_EQ(valueToSend(plan[27], e, locale), zemtra::Variant(std::int16_t{0}));
    e.alarmMER = "x";
    EXPECT_EQ(valueToSend(plan[0], e, locale), std::nullopt);
}
