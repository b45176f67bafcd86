#pragma once

#include "HistoryStore.h"

#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vimbo {

/// The journal as CSV (RFC 4180, CR LF): time, probe, probe name, kind, slot
/// (1..6, empty for the whole probe), channel, duration in seconds (on the
/// event that ends an alarm, warning or outage), acknowledged by, note,
/// power, MER, VBER, detail.
QString eventsCsv(const std::vector<JournalEvent>& events);
/// How a list names a probe: its label and site.
struct ListedNames {
    QString label, site;
};
/// The same, across a list's probes: each row's label and site (from
/// `names`) after its time.
QString eventsCsv(const std::vector<JournalEvent>& events, const std::function<ListedNames(const ProbeKey&)>& names);
/// The same fields as a JSON array of objects; absent values are null.
QString eventsJson(const std::vector<JournalEvent>& events);

/// Buckets as the chart exports them: time, then power, MER and VBER of each
/// slot. The header, then one row appended per bucket (CR LF included). With
/// `probeColumns`, every probe is exported: "probe" and "probe name" follow
/// the time, and each row carries its probe's fields (from probeCsvFields).
QString bucketsCsvHeader(const PerSlot<QString>& labels, bool probeColumns = false);
void appendBucketCsv(std::string& csv, const StoredBucket& bucket, const std::string& probeFields = {});
/// Minutes: the chart's columns holding each minute's mean, then the minimums, then the maximums.
QString minutesCsvHeader(const PerSlot<QString>& labels, bool probeColumns = false);
void appendMinuteCsv(std::string& csv, const StoredMinute& minute, const std::string& probeFields = {});
/// ",address:port,name" as CSV fields, for the rows of an export of every probe.
std::string probeCsvFields(const ProbeKey& probe);
/// isoTimeWithOffset, without building a date object: a year of rows is quick.
void appendIsoTime(std::string& text, const BucketTime& time);

/// What every JSON row of one probe's export repeats, escaped once: the probe
/// (when every probe is exported) and each slot's number and label.
struct JsonRowParts {
    std::string probe;
    std::array<std::string, kSlotCount> slotHeads;
};
JsonRowParts jsonRowParts(const PerSlot<QString>& labels, const ProbeKey* probe = nullptr);
/// One row object, without a separator: {"time":...,"slots":[{"slot":1,"label":...,"power":...},...]};
/// a minute's measures are objects of min, mean and max. Null where there is no value.
void appendBucketJson(std::string& json, const JsonRowParts& parts, const StoredBucket& bucket);
void appendMinuteJson(std::string& json, const JsonRowParts& parts, const StoredMinute& minute);

/// "4 min 05 s", "2 h 03 min", "12 s": a duration for a person.
QString durationText(std::int64_t msecs);

/// A point in time from the command line: a duration back from `nowMsecs`
/// ("90s", "15m", "2h", "7d") or an ISO 8601 time ("2026-12-08T09:30",
/// with seconds and an offset when wanted; local time without one).
std::optional<std::int64_t> parseTimeArgument(const QString& text, std::int64_t nowMsecs);

}  // namespace vimbo
