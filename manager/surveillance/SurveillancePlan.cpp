#include "SurveillancePlan.h"

#include "Controls.h"
#include "ProbeOids.h"
#include "Scales.h"

namespace vimbo {

namespace {

using Kind = SurveillanceField::Kind;

QString checkText(int check, int slot)
{
    const QString ch = QStringLiteral("Ch ") + QString::number(slot);
    switch (check) {
    case 1: return QStringLiteral("VBER Alarm=[1e-7..1]");
    case 2: return QStringLiteral("VBER Warn=[1e-7..1]");
    case 3: return QStringLiteral("VBER Alarm<=Warn not valid");
    case 4: return QStringLiteral("MER Alarm=[0..35]");
    case 5: return QStringLiteral("MER Warn=[0..35]");
    case 6: return QStringLiteral("MER Alarm>=Warn not valid");
    case 7: return ch + QStringLiteral(" Freq=[450..875]");
    case 8: return ch + QStringLiteral(" Alarm=[0..99]");
    case 9: return ch + QStringLiteral(" Warn=[0..99]");
    case 10: return ch + QStringLiteral(" Power Alarm>=Warn not valid");
    default: return {};
    }
}

ValidationFailure failure(int check, SurveillanceField focus)
{
    return {QStringLiteral("Invalid value\r\n") + checkText(check, focus.slot), focus};
}

// Parses a field for a check; a text that is no number fails the check with
// a line that says so.
struct Parsed {
    std::optional<double> value;
    std::optional<ValidationFailure> failure;
};

Parsed parseFor(const SurveillanceEntries& entries, SurveillanceField field, int check, const QLocale& locale)
{
    const QString text = entries.text(field);
    if (auto value = parseLocaleNumber(text, locale))
        return {value, std::nullopt};
    const QString described = text.trimmed().isEmpty()
                                  ? QStringLiteral("The field is empty; a number is needed")
                                  : QStringLiteral("\"") + text + QStringLiteral("\" is not a number");
    return {std::nullopt, ValidationFailure{QStringLiteral("Invalid value\r\n") + checkText(check, field.slot) +
                                                QStringLiteral("\r\n") + described,
                                            field}};
}

bool outside(double value, double low, double high) { return value < low || value > high; }

}  // namespace

QString SurveillanceEntries::text(const SurveillanceField& field) const
{
    const auto s = static_cast<std::size_t>(field.slot);
    switch (field.kind) {
    case Kind::AlarmVBER: return alarmVBER;
    case Kind::WarnVBER: return warnVBER;
    case Kind::AlarmMER: return alarmMER;
    case Kind::WarnMER: return warnMER;
    case Kind::Frequency: return frequencyMHz.at(s);
    case Kind::AlarmPower: return alarmPower.at(s);
    case Kind::WarnPower: return warnPower.at(s);
    case Kind::Survey: return surveyed.at(s) ? QStringLiteral("1") : QStringLiteral("0");
    }
    return {};
}

std::optional<ValidationFailure> validateEntries(const SurveillanceEntries& entries, const QLocale& locale)
{
    const SurveillanceField alarmVber{Kind::AlarmVBER, 0}, warnVber{Kind::WarnVBER, 0};
    const SurveillanceField alarmMer{Kind::AlarmMER, 0}, warnMer{Kind::WarnMER, 0};

    const Parsed aV = parseFor(entries, alarmVber, 1, locale);
    if (aV.failure)
        return aV.failure;
    if (outside(*aV.value * 1e7, 1, 1e7))
        return failure(1, alarmVber);
    const Parsed wV = parseFor(entries, warnVber, 2, locale);
    if (wV.failure)
        return wV.failure;
    if (outside(*wV.value * 1e7, 1, 1e7))
        return failure(2, warnVber);
    if (static_cast<float>(*aV.value) <= static_cast<float>(*wV.value))
        return failure(3, alarmVber);

    const Parsed aM = parseFor(entries, alarmMer, 4, locale);
    if (aM.failure)
        return aM.failure;
    if (outside(*aM.value, 0, 35))
        return failure(4, alarmMer);
    const Parsed wM = parseFor(entries, warnMer, 5, locale);
    if (wM.failure)
        return wM.failure;
    if (outside(*wM.value, 0, 35))
        return failure(5, warnMer);
    if (*mib::roundToInt16(*aM.value) >= *mib::roundToInt16(*wM.value))
        return failure(6, alarmMer);

    for (int s = 0; s < 6; ++s) {
        const SurveillanceField frequency{Kind::Frequency, s};
        const SurveillanceField alarm{Kind::AlarmPower, s};
        const SurveillanceField warn{Kind::WarnPower, s};
        const Parsed f = parseFor(entries, frequency, 7, locale);
        if (f.failure)
            return f.failure;
        if (outside(*f.value, 450, 875))
            return failure(7, frequency);
        const Parsed a = parseFor(entries, alarm, 8, locale);
        if (a.failure)
            return a.failure;
        if (outside(*a.value, 0, 99))
            return failure(8, alarm);
        const Parsed w = parseFor(entries, warn, 9, locale);
        if (w.failure)
            return w.failure;
        if (outside(*w.value, 0, 99))
            return failure(9, warn);
        if (*mib::roundToInt16(*a.value) >= *mib::roundToInt16(*w.value))
            return failure(10, alarm);
    }
    return std::nullopt;
}

const std::vector<WriteStep>& writePlan()
{
    static const std::vector<WriteStep> plan = [] {
        using mib::Access;
        using mib::SlotItem;
        using mib::ThresholdItem;
        std::vector<WriteStep> steps{
            {mib::thresholdOid(ThresholdItem::MerAlarm, Access::Write), {Kind::AlarmMER, 0}},
            {mib::thresholdOid(ThresholdItem::MerWarning, Access::Write), {Kind::WarnMER, 0}},
            {mib::thresholdOid(ThresholdItem::VberAlarm, Access::Write), {Kind::AlarmVBER, 0}},
            {mib::thresholdOid(ThresholdItem::VberWarning, Access::Write), {Kind::WarnVBER, 0}},
        };
        for (int s = 0; s < 6; ++s) {
            steps.push_back({mib::slotOid(s, SlotItem::Frequency, Access::Write), {Kind::Frequency, s}});
            steps.push_back({mib::slotOid(s, SlotItem::PowerAlarm, Access::Write), {Kind::AlarmPower, s}});
            steps.push_back({mib::slotOid(s, SlotItem::PowerWarning, Access::Write), {Kind::WarnPower, s}});
            steps.push_back({mib::slotOid(s, SlotItem::Surveyed, Access::Write), {Kind::Survey, s}});
        }
        return steps;
    }();
    return plan;
}

std::optional<zemtra::Variant> valueToSend(const WriteStep& step, const SurveillanceEntries& entries,
                                           const QLocale& locale)
{
    if (step.field.kind == Kind::Survey)
        return zemtra::Variant(static_cast<std::int16_t>(entries.surveyed.at(static_cast<std::size_t>(step.field.slot)) ? 1 : 0));
    const auto number = parseLocaleNumber(entries.text(step.field), locale);
    if (!number)
        return std::nullopt;
    switch (step.field.kind) {
    case Kind::AlarmVBER:
    case Kind::WarnVBER:
        if (const auto raw = mib::vberToRaw(*number))
            return zemtra::Variant(*raw);
        return std::nullopt;
    case Kind::Frequency:
        if (const auto hz = mib::hzFromMHz(*number))
            return zemtra::Variant(*hz);
        return std::nullopt;
    default:
        if (const auto whole = mib::roundToInt16(*number))
            return zemtra::Variant(*whole);
        return std::nullopt;
    }
}

}  // namespace vimbo
