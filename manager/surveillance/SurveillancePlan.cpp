#include "SurveillancePlan.h"

#include "core/Slots.h"

#include "core/LocaleNumber.h"
#include "mib/ProbeOids.h"
#include "mib/Scales.h"

#include <variant>

namespace vimbo {

namespace {

using Kind = SurveillanceField::Kind;

// The checks in the order they run, as a table: each field's range (of its
// value times `scale`), then whether an alarm and warning pair is refused.
struct FieldRange {
    Kind kind;
    double scale, low, high;
    const char* text;  // after "Ch s" for a slot's field
};

struct ThresholdPair {
    FieldRange alarm, warn;
    bool (*refused)(double alarm, double warn);
    const char* text;
};

// VBER alarms lie above warnings, compared as the singles the window keeps.
bool vberAlarmNotAbove(double alarm, double warn) { return static_cast<float>(alarm) <= static_cast<float>(warn); }
// MER and power alarms lie below warnings, compared as the whole numbers sent.
bool roundedAlarmNotBelow(double alarm, double warn) { return *mib::roundToInt16(alarm) >= *mib::roundToInt16(warn); }

const ThresholdPair kCommonPairs[] = {
    {{Kind::AlarmVBER, mib::kVberScale, 1, mib::kVberScale, "VBER Alarm=[1e-7..1]"},
     {Kind::WarnVBER, mib::kVberScale, 1, mib::kVberScale, "VBER Warn=[1e-7..1]"},
     vberAlarmNotAbove, "VBER Alarm<=Warn not valid"},
    {{Kind::AlarmMER, 1, 0, 35, "MER Alarm=[0..35]"}, {Kind::WarnMER, 1, 0, 35, "MER Warn=[0..35]"},
     roundedAlarmNotBelow, "MER Alarm>=Warn not valid"},
};
const FieldRange kFrequency{Kind::Frequency, 1, 450, 875, " Freq=[450..875]"};
const ThresholdPair kPowerPair{{Kind::AlarmPower, 1, 0, 99, " Alarm=[0..99]"}, {Kind::WarnPower, 1, 0, 99, " Warn=[0..99]"},
                               roundedAlarmNotBelow, " Power Alarm>=Warn not valid"};

QString checkText(const char* text, const SurveillanceField& field)
{
    const bool perSlot = field.kind == Kind::Frequency || field.kind == Kind::AlarmPower || field.kind == Kind::WarnPower;
    return (perSlot ? QStringLiteral("Ch ") + QString::number(field.slot) : QString()) + QLatin1String(text);
}

ValidationFailure failure(const char* text, SurveillanceField focus)
{
    return {QStringLiteral("Invalid value\r\n") + checkText(text, focus), focus};
}

// A field's number, or the failure of its check: a text that is no number
// fails with a line that says so, a number out of range plainly.
std::variant<double, ValidationFailure> checkField(const SurveillanceEntries& entries, const FieldRange& range, int slot,
                                                   const QLocale& locale)
{
    const SurveillanceField field{range.kind, slot};
    const QString text = entries.text(field);
    const auto value = parseLocaleNumber(text, locale);
    if (!value) {
        const QString described = text.trimmed().isEmpty()
                                      ? QStringLiteral("The field is empty; a number is needed")
                                      : QStringLiteral("\"") + text + QStringLiteral("\" is not a number");
        return ValidationFailure{QStringLiteral("Invalid value\r\n") + checkText(range.text, field) +
                                     QStringLiteral("\r\n") + described,
                                 field};
    }
    if (*value * range.scale < range.low || *value * range.scale > range.high)
        return failure(range.text, field);
    return *value;
}

std::optional<ValidationFailure> checkPair(const SurveillanceEntries& entries, const ThresholdPair& pair, int slot,
                                           const QLocale& locale)
{
    const auto alarm = checkField(entries, pair.alarm, slot, locale);
    if (const auto* failed = std::get_if<ValidationFailure>(&alarm))
        return *failed;
    const auto warn = checkField(entries, pair.warn, slot, locale);
    if (const auto* failed = std::get_if<ValidationFailure>(&warn))
        return *failed;
    if (pair.refused(std::get<double>(alarm), std::get<double>(warn)))
        return failure(pair.text, {pair.alarm.kind, slot});
    return std::nullopt;
}

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
    for (const ThresholdPair& pair : kCommonPairs)
        if (auto failed = checkPair(entries, pair, 0, locale))
            return failed;
    for (int s = 0; s < kSlotCount; ++s) {
        if (const auto frequency = checkField(entries, kFrequency, s, locale); std::holds_alternative<ValidationFailure>(frequency))
            return std::get<ValidationFailure>(frequency);
        if (auto failed = checkPair(entries, kPowerPair, s, locale))
            return failed;
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
        for (int s = 0; s < kSlotCount; ++s) {
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
