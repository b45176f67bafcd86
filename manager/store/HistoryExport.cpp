#include "HistoryExport.h"

#include "chart/HistoryCsv.h"
#include "core/Clock.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTimeZone>

#include <charconv>
#include <chrono>
#include <cmath>

namespace vimbo {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

QString optionalNumber(const std::optional<double>& value)
{
    return value ? csvNumber(static_cast<float>(*value)) : QString();
}

QJsonValue jsonNumber(const std::optional<double>& value) { return value ? QJsonValue(*value) : QJsonValue(); }

}  // namespace

QString eventsCsv(const std::vector<JournalEvent>& events)
{
    return eventsCsv(events, {});
}

QString eventsCsv(const std::vector<JournalEvent>& events, const std::function<ListedNames(const ProbeKey&)>& names)
{
    QString csv = (names ? QStringLiteral("time,label,site,") : QStringLiteral("time,")) +
                  QStringLiteral("probe,probe name,kind,slot,channel,duration,acknowledged by,note,power,MER,VBER,detail") +
                  kLineEnd;
    for (const JournalEvent& e : events) {
        QStringList row{isoTimeWithOffset(e.time)};
        if (names) {
            // The list's names are the operator's, typed or pasted: no spreadsheet runs them either.
            const ListedNames listed = names(e.probe);
            row << csvField(listed.label) << csvField(listed.site);
        }
        row << QStringList{csvField(e.probe.where()),
                           csvField(e.probe.name),
                           eventKindText(e.kind),
                           e.slot >= 0 ? QString::number(e.slot + 1) : QString(),
                           csvField(e.channel),
                           e.durationMsecs ? QString::number(*e.durationMsecs / 1000) : QString(),
                           csvField(e.ackUser),
                           csvField(e.ackNote),
                           optionalNumber(e.power),
                           optionalNumber(e.mer),
                           optionalNumber(e.vber),
                           csvField(e.detail)};
        csv += row.join(QLatin1Char(',')) + kLineEnd;
    }
    return csv;
}

QString eventsJson(const std::vector<JournalEvent>& events)
{
    QJsonArray array;
    for (const JournalEvent& e : events) {
        QJsonObject o;
        o[QStringLiteral("time")] = isoTimeWithOffset(e.time);
        o[QStringLiteral("probe")] = e.probe.where();
        o[QStringLiteral("probe_name")] = e.probe.name;
        o[QStringLiteral("kind")] = eventKindText(e.kind);
        o[QStringLiteral("slot")] = e.slot >= 0 ? QJsonValue(e.slot + 1) : QJsonValue();
        o[QStringLiteral("channel")] = e.channel.isEmpty() ? QJsonValue() : QJsonValue(e.channel);
        o[QStringLiteral("duration_s")] = e.durationMsecs ? QJsonValue(static_cast<double>(*e.durationMsecs / 1000)) : QJsonValue();
        o[QStringLiteral("active")] = e.active;
        o[QStringLiteral("acknowledged_by")] = e.ackUser.isEmpty() ? QJsonValue() : QJsonValue(e.ackUser);
        o[QStringLiteral("acknowledged_at")] = e.ackTime ? QJsonValue(isoTimeWithOffset(*e.ackTime)) : QJsonValue();
        o[QStringLiteral("note")] = e.ackNote.isEmpty() ? QJsonValue() : QJsonValue(e.ackNote);
        o[QStringLiteral("power")] = jsonNumber(e.power);
        o[QStringLiteral("mer")] = jsonNumber(e.mer);
        o[QStringLiteral("vber")] = jsonNumber(e.vber);
        o[QStringLiteral("detail")] = e.detail.isEmpty() ? QJsonValue() : QJsonValue(e.detail);
        array.append(o);
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
}

namespace {

QString timeColumns(bool probeColumns)
{
    return probeColumns ? QStringLiteral("time,probe,probe name,") : QStringLiteral("time,");
}

}  // namespace

QString bucketsCsvHeader(const PerSlot<QString>& labels, bool probeColumns)
{
    return timeColumns(probeColumns) + historyCsvHeader(labels) + kLineEnd;
}

QString minutesCsvHeader(const PerSlot<QString>& labels, bool probeColumns)
{
    return timeColumns(probeColumns) + historyCsvHeader(labels) + QLatin1Char(',') +
           historyCsvHeader(labels, QStringLiteral(" min")) + QLatin1Char(',') +
           historyCsvHeader(labels, QStringLiteral(" max")) + kLineEnd;
}

std::string probeCsvFields(const ProbeKey& probe)
{
    return (QLatin1Char(',') + csvField(probe.where()) + QLatin1Char(',') + csvField(probe.name)).toStdString();
}

namespace {

// A field as the chart writes it: the shortest form that reads back the same, or nothing.
void appendField(std::string& csv, float value)
{
    csv += ',';
    if (std::isnan(value))
        return;
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    csv.append(text, written.ptr);
}

}  // namespace

void appendIsoTime(std::string& text, const BucketTime& time)
{
    vimbo::appendIsoTime(text, time.msecsSinceEpoch, time.utcOffsetSeconds);
}

void appendBucketCsv(std::string& csv, const StoredBucket& bucket, const std::string& probeFields)
{
    appendIsoTime(csv, bucket.time);
    csv += probeFields;
    for (const float value : bucket.values)
        appendField(csv, value);
    csv += "\r\n";
}

void appendMinuteCsv(std::string& csv, const StoredMinute& minute, const std::string& probeFields)
{
    appendIsoTime(csv, minute.time);
    csv += probeFields;
    for (const std::size_t statistic : {1u, 0u, 2u})  // mean, minimum, maximum
        for (std::size_t i = 0; i < kSlotCount * 3; ++i)
            appendField(csv, minute.values[i * 3 + statistic]);
    csv += "\r\n";
}

namespace {

std::string jsonString(const QString& text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2).toStdString();  // the string without the array's brackets
}

void appendJsonNumber(std::string& json, float value)
{
    if (std::isnan(value) || std::isinf(value)) {
        json += "null";
        return;
    }
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    json.append(text, written.ptr);
}

void appendRowStart(std::string& json, const JsonRowParts& parts, const BucketTime& time)
{
    json += "{\"time\":\"";
    appendIsoTime(json, time);
    json += '"';
    json += parts.probe;
    json += ",\"slots\":[";
}

}  // namespace

JsonRowParts jsonRowParts(const PerSlot<QString>& labels, const ProbeKey* probe)
{
    JsonRowParts parts;
    if (probe)
        parts.probe = ",\"probe\":" + jsonString(probe->where()) + ",\"probe_name\":" + jsonString(probe->name);
    for (std::size_t s = 0; s < kSlotCount; ++s)
        parts.slotHeads[s] = "{\"slot\":" + std::to_string(s + 1) + ",\"label\":" + jsonString(labels[s]);
    return parts;
}

void appendBucketJson(std::string& json, const JsonRowParts& parts, const StoredBucket& bucket)
{
    static const char* const kNames[] = {",\"power\":", ",\"mer\":", ",\"vber\":"};
    appendRowStart(json, parts, bucket.time);
    for (std::size_t s = 0; s < kSlotCount; ++s) {
        json += s ? ",": "";
        json += parts.slotHeads[s];
        for (std::size_t m = 0; m < 3; ++m) {
            json += kNames[m];
            appendJsonNumber(json, bucket.values[s * 3 + m]);
        }
        json += '}';
    }
    json += "]}";
}

void appendMinuteJson(std::string& json, const JsonRowParts& parts, const StoredMinute& minute)
{
    static const char* const kNames[] = {",\"power\":{\"min\":", ",\"mer\":{\"min\":", ",\"vber\":{\"min\":"};
    appendRowStart(json, parts, minute.time);
    for (std::size_t s = 0; s < kSlotCount; ++s) {
        json += s ? ",": "";
        json += parts.slotHeads[s];
        for (std::size_t m = 0; m < 3; ++m) {
            const float* statistics = &minute.values[(s * 3 + m) * 3];
            json += kNames[m];
            appendJsonNumber(json, statistics[0]);
            json += ",\"mean\":";
            appendJsonNumber(json, statistics[1]);
            json += ",\"max\":";
            appendJsonNumber(json, statistics[2]);
            json += '}';
        }
        json += '}';
    }
    json += "]}";
}

QString durationText(std::int64_t msecs)
{
    const std::int64_t seconds = std::max<std::int64_t>(0, msecs) / 1000;
    const auto two = [](std::int64_t n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(two(seconds % 60));
    if (seconds < 86400)
        return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(two(seconds / 60 % 60));
    return QStringLiteral("%1 d %2 h").arg(seconds / 86400).arg(two(seconds / 3600 % 24));
}

std::optional<std::int64_t> parseTimeArgument(const QString& text, std::int64_t nowMsecs)
{
    static const QRegularExpression duration(QStringLiteral("^(\\d{1,9})([smhd])$"));
    if (const auto match = duration.match(text); match.hasMatch()) {
        const std::int64_t n = match.captured(1).toLongLong();
        const QChar unit = match.captured(2).front();
        const std::int64_t unitMs = unit == QLatin1Char('s') ? 1000 : unit == QLatin1Char('m') ? 60'000
                                  : unit == QLatin1Char('h') ? 3'600'000 : 86'400'000;
        return nowMsecs - n * unitMs;
    }
    static const QRegularExpression iso(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}(T\\d{2}:\\d{2}(:\\d{2})?)?(Z|[+-]\\d{2}:\\d{2})?$"));
    if (!iso.match(text).hasMatch())
        return std::nullopt;
    QDateTime time = QDateTime::fromString(text, Qt::ISODate);
    if (!time.isValid())
        return std::nullopt;
    return time.toMSecsSinceEpoch();
}

}  // namespace vimbo
