#include "AlertForwarder.h"

#include "core/Clock.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>

namespace vimbo {

namespace {

enum Episode { Alarm, Warning, Outage };

// A flapping probe with the Alertmanager away for long must not grow without end:
// the oldest resolutions go first, their alerts expiring at their own endsAt anyway.
constexpr std::size_t kMaxResolved = 1000;

QString rfc3339(std::int64_t msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC).toString(Qt::ISODateWithMs);
}

QString title(const ProbeKey& probe)
{
    // As the desktop notifications name it.
    return probe.name.isEmpty() ? QStringLiteral("Probe at ") + probe.where()
                                : probe.name + QStringLiteral(" at ") + probe.where();
}

}  // namespace

AlertForwarder::AlertForwarder(const Clock& clock, Options options, std::function<void(const QString&)> told)
    : m_clock(clock), m_options(std::move(options)), m_told(std::move(told)), m_network(new QNetworkAccessManager(this))
{
    m_repost.setInterval(m_options.repostMs);
    connect(&m_repost, &QTimer::timeout, this, [this] { post(); });
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] { post(); });
    m_heartbeat.labels = {{QStringLiteral("alertname"), QStringLiteral("VimboManagerHeartbeat")},
                          {QStringLiteral("severity"), QStringLiteral("none")}};
    // Two managers at one site are two heartbeats: one that stops is not hidden by the other.
    if (!m_options.manager.isEmpty())
        m_heartbeat.labels.insert(QStringLiteral("manager"), m_options.manager);
    if (!m_options.site.isEmpty())
        m_heartbeat.labels.insert(QStringLiteral("site"), m_options.site);
    m_heartbeat.annotations = {{QStringLiteral("summary"),
                                m_options.program + QStringLiteral(" is running; this alert stops when it stops")}};
}

AlertForwarder::~AlertForwarder()
{
    // A reply aborted as the network goes must not call back into a forwarder half gone.
    for (QNetworkReply* reply : m_network->findChildren<QNetworkReply*>()) {
        reply->disconnect(this);
        reply->abort();
    }
    delete m_network;
}

QString AlertForwarder::apiUrl(const QUrl& base)
{
    QString url = base.toString(QUrl::StripTrailingSlash);
    return url + QStringLiteral("/api/v2/alerts");
}

void AlertForwarder::start()
{
    m_heartbeat.startsMs = m_clock.now().toMSecsSinceEpoch();
    m_repost.start();
    post();
}

QVariantMap AlertForwarder::baseLabels(const ProbeKey& probe, const Who& who) const
{
    QVariantMap labels{{QStringLiteral("probe"), probe.where()}};
    if (!probe.name.isEmpty())
        labels.insert(QStringLiteral("probe_name"), probe.name);
    if (!who.site.isEmpty())
        labels.insert(QStringLiteral("site"), who.site);
    if (!who.probeLabel.isEmpty())
        labels.insert(QStringLiteral("probe_label"), who.probeLabel);
    return labels;
}

void AlertForwarder::eventRecorded(const JournalEvent& event)
{
    eventRecorded(event, m_options.site, m_options.probeLabel);
}

void AlertForwarder::eventRecorded(const JournalEvent& event, const QString& site, const QString& probeLabel)
{
    const Who who{site, probeLabel};
    switch (event.kind) {
    case EventKind::AlarmRose: rise(event, Alarm, who); break;
    case EventKind::WarningRose: rise(event, Warning, who); break;
    case EventKind::ProbeLost:
    case EventKind::NeverAnswered: rise(event, Outage, who); break;
    case EventKind::AlarmCleared: clear(event, Alarm); break;
    case EventKind::WarningCleared: clear(event, Warning); break;
    case EventKind::ProbeBack: clear(event, Outage); break;
    case EventKind::AgentChanged: {
        // No longer watched, not cleared: what was open there is no longer re-posted and expires at its endsAt.
        const auto watched = [&](const auto& entry) {
            return std::get<1>(entry.first) == event.probe.address && std::get<2>(entry.first) == event.probe.port;
        };
        std::erase_if(m_active, watched);
        break;
    }
    default: return;
    }
}

void AlertForwarder::rise(const JournalEvent& event, int episode, const Who& labels)
{
    Alert alert;
    alert.startsMs = event.time.msecsSinceEpoch;
    alert.labels = baseLabels(event.probe, labels);
    QString what;
    if (episode == Outage) {
        alert.labels.insert(QStringLiteral("alertname"), QStringLiteral("VimboProbeLost"));
        alert.labels.insert(QStringLiteral("severity"), QStringLiteral("critical"));
        what = QStringLiteral("The probe does not answer");
    } else {
        const bool alarm = episode == Alarm;
        alert.labels.insert(QStringLiteral("alertname"), alarm ? QStringLiteral("VimboAlarm") : QStringLiteral("VimboWarning"));
        alert.labels.insert(QStringLiteral("severity"), alarm ? QStringLiteral("critical") : QStringLiteral("warning"));
        alert.labels.insert(QStringLiteral("slot"), QString::number(event.slot + 1));
        if (!event.channel.isEmpty())
            alert.labels.insert(QStringLiteral("channel"), event.channel);
        what = (alarm ? QStringLiteral("Alarm on ") : QStringLiteral("Warning on ")) + event.channel +
               QStringLiteral(" (slot %1)").arg(event.slot + 1);
        QStringList values;
        if (event.power)
            values << QStringLiteral("power %1").arg(*event.power, 0, 'f', 1);
        if (event.mer)
            values << QStringLiteral("MER %1").arg(*event.mer, 0, 'f', 1);
        if (event.vber)
            values << QStringLiteral("VBER %1").arg(*event.vber, 0, 'g', 2);
        if (!values.isEmpty())
            alert.annotations.insert(QStringLiteral("description"), QStringLiteral("At the rise: ") + values.join(QStringLiteral(", ")));
    }
    // The label and site a person knows the probe by come first.
    QString who = title(event.probe);
    if (!labels.probeLabel.isEmpty())
        who = labels.probeLabel + QStringLiteral(" (") + who + QLatin1Char(')');
    if (!labels.site.isEmpty())
        who = labels.site + QStringLiteral(" / ") + who;
    alert.annotations.insert(QStringLiteral("summary"), who + QStringLiteral(": ") + what);
    // A rise already open (a resumed watch) keeps its first start.
    const Key key{episode, event.probe.address, event.probe.port, episode == Outage ? -1 : event.slot};
    if (const auto open = m_active.find(key); open != m_active.end())
        alert.startsMs = open->second.startsMs;
    m_active[key] = std::move(alert);
    post();
}

void AlertForwarder::clear(const JournalEvent& event, int episode)
{
    const auto open = m_active.find({episode, event.probe.address, event.probe.port, episode == Outage ? -1 : event.slot});
    if (open == m_active.end())
        return;
    Alert resolved = std::move(open->second);
    m_active.erase(open);
    resolved.endsMs = std::max(event.time.msecsSinceEpoch, resolved.startsMs);
    if (m_resolved.size() >= kMaxResolved)
        m_resolved.erase(m_resolved.begin());
    m_resolved.push_back(std::move(resolved));
    post();
}

QByteArray AlertForwarder::payload(std::int64_t nowMs) const
{
    QJsonArray alerts;
    const auto add = [&](const Alert& alert, std::int64_t endsMs) {
        QJsonObject object;
        object.insert(QStringLiteral("labels"), QJsonObject::fromVariantMap(alert.labels));
        object.insert(QStringLiteral("annotations"), QJsonObject::fromVariantMap(alert.annotations));
        object.insert(QStringLiteral("startsAt"), rfc3339(alert.startsMs));
        object.insert(QStringLiteral("endsAt"), rfc3339(endsMs));
        alerts.append(object);
    };
    add(m_heartbeat, nowMs + m_options.validMs);
    for (const auto& [key, alert] : m_active)
        add(alert, nowMs + m_options.validMs);
    for (const Alert& alert : m_resolved)
        add(alert, alert.endsMs);
    return QJsonDocument(alerts).toJson(QJsonDocument::Compact);
}

void AlertForwarder::post()
{
    if (m_inFlight) {
        m_again = true;
        return;
    }
    if (m_retry.isActive())
        return;  // the back-off's post carries this too
    m_again = false;
    m_inFlight = true;
    QNetworkRequest request{QUrl(apiUrl(m_options.url))};
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(m_options.transferTimeoutMs);
    QNetworkReply* reply = m_network->post(request, payload(m_clock.now().toMSecsSinceEpoch()));
    const std::size_t resolvedSent = m_resolved.size();
    connect(reply, &QNetworkReply::finished, this, [this, reply, resolvedSent] { finished(reply, resolvedSent); });
}

void AlertForwarder::finished(QNetworkReply* reply, std::size_t resolvedSent)
{
    reply->deleteLater();
    m_inFlight = false;
    if (reply->error() != QNetworkReply::NoError) {
        const QString reason = reply->errorString();
        m_retryMs = m_retryMs == 0 ? m_options.firstRetryMs : std::min(m_retryMs * 2, m_options.maxRetryMs);
        m_retry.start(m_retryMs);
        if (!std::exchange(m_failing, true) && m_told)
            m_told(QStringLiteral("the Alertmanager at %1 cannot be reached (%2); alerts are kept and sent when it answers")
                       .arg(m_options.url.toString(), reason));
        return;
    }
    // Resolutions that came after the post was made are not in it.
    m_resolved.erase(m_resolved.begin(),
                     m_resolved.begin() + static_cast<std::ptrdiff_t>(std::min(resolvedSent, m_resolved.size())));
    m_retryMs = 0;
    if (std::exchange(m_failing, false) && m_told)
        m_told(QStringLiteral("the Alertmanager at %1 answers again").arg(m_options.url.toString()));
    if (m_again)
        post();
}

}  // namespace vimbo
