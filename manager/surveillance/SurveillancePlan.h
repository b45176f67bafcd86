#pragma once

#include "core/Slots.h"

#include "Variant.h"

#include <QLocale>
#include <QString>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace vimbo {

/// A field of the surveillance configuration window.
struct SurveillanceField {
    enum Kind { AlarmVBER, WarnVBER, AlarmMER, WarnMER, Frequency, AlarmPower, WarnPower, Survey };
    Kind kind = AlarmVBER;
    int slot = 0;  // for the per-slot fields
    bool operator==(const SurveillanceField&) const = default;
};

/// The texts of the window's fields, and the survey boxes.
struct SurveillanceEntries {
    QString alarmVBER, warnVBER, alarmMER, warnMER;
    PerSlot<QString> frequencyMHz, alarmPower, warnPower;
    PerSlot<bool> surveyed{};

    QString text(const SurveillanceField& field) const;
};

struct ValidationFailure {
    QString message;  // "Invalid value" CR LF the check's text (and what was wrong with the number)
    SurveillanceField focus;
};

/// The ten checks in order, slot by slot for the per-slot ones; the first that fails.
std::optional<ValidationFailure> validateEntries(const SurveillanceEntries& entries, const QLocale& locale);

/// One request of the write: the object and the field whose value it sends.
struct WriteStep {
    std::string oid;
    SurveillanceField field;
};

/// The 28 requests in their order: the four common thresholds, then per slot
/// frequency, power alarm, power warning and survey flag.
const std::vector<WriteStep>& writePlan();

/// The value a step sends for the field's current text (or survey box):
/// 16-bit for MER, power and the flag, 32-bit for VBER x 1E7 and Hz; rounded
/// halves to even. nullopt when the text is no number or does not fit.
std::optional<zemtra::Variant> valueToSend(const WriteStep& step, const SurveillanceEntries& entries,
                                           const QLocale& locale);

}  // namespace vimbo
