// The whole monitoring path on loopback: two simulated probes, Debian's SNMP
// exporter with the project's module, and Prometheus with the project's rules
// and alerts, each a plain process on a free port with a temporary folder.
#include "MonitoringTools.h"
#include "SimulatedProbe.h"
#include "WaitFor.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <map>

using namespace vimbo;

namespace {

const QString kBin = test::kMonitoringCache + QStringLiteral("/root/usr/bin/");

/// A free TCP port on 127.0.0.1 (never a service's default one).
quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

/// A server run as a plain process, stopped (and waited for) when this goes.
class Server {
public:
    Server(const QString& program, const QStringList& args, const QString& log)
    {
        m_process.setStandardOutputFile(log);
        m_process.setStandardErrorFile(log, QIODevice::Append);
        m_process.start(program, args);
    }
    ~Server()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

private:
    QProcess m_process;
};

/// GET on loopback; the body, or empty after 5 s or on an error.
QByteArray httpGet(const QUrl& url)
{
    QNetworkAccessManager network;
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->isFinished() && reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    reply->abort();
    reply->deleteLater();
    return body;
}

class PrometheusPath : public testing::Test {
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(kBin + QStringLiteral("prometheus")))
            GTEST_SKIP() << "run scripts/fetch-monitoring.sh first";
        ASSERT_TRUE(folder.isValid());
    }

    /// The vector a PromQL query gives now: each sample's labels (as "k=v,...") and value.
    std::map<std::string, double> query(const QString& promql)
    {
        QUrl url(QStringLiteral("http://127.0.0.1:%1/api/v1/query").arg(prometheusPort));
        url.setQuery(QUrlQuery{{QStringLiteral("query"), promql}});
        std::map<std::string, double> samples;
        const QJsonObject answer = QJsonDocument::fromJson(httpGet(url)).object();
        for (const QJsonValue& sample : answer[QStringLiteral("data")][QStringLiteral("result")].toArray()) {
            const QJsonObject metric = sample[QStringLiteral("metric")].toObject();
            std::string labels;
            for (auto it = metric.begin(); it != metric.end(); ++it)
                labels += it.key().toStdString() + "=" + it.value().toString().toStdString() + ",";
            samples[labels] = sample[QStringLiteral("value")].toArray()[1].toString().toDouble();
        }
        return samples;
    }
    double one(const QString& promql)
    {
        const auto samples = query(promql);
        EXPECT_EQ(samples.size(), 1u) << promql.toStdString();
        return samples.empty() ? -1 : samples.begin()->second;
    }

    QTemporaryDir folder;
    quint16 prometheusPort = 0;
};

/// What vimbo-snmp reads from `sim` at `oid`, as a number.
double readWithTool(const test::ProbeSimProcess& sim, const QString& oid)
{
    const test::Ran got = test::runTool(QStringLiteral(VIMBO_SNMP_PATH),
                                        {QStringLiteral("--agent"), QString::fromStdString(sim.host()), QStringLiteral("--port"),
                                         QString::number(sim.port()), QStringLiteral("get"), oid});
    EXPECT_EQ(got.exitCode, 0) << got.err.toStdString();
    return got.out.trimmed().section(QLatin1Char(' '), 1).toDouble();  // "Int32 5200"
}

}  // namespace

TEST_F(PrometheusPath, twoProbesScrapedThroughTheExporterMatchTheToolAndALostOneAlertsWhileTheOtherGoesOn)
{
    QElapsedTimer took;
    took.start();
    // Two probes with fixed values, the second with a name and measures of its own.
    const QString second = folder.filePath(QStringLiteral("second.txt"));
    QFile file(second);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(".1.3.6.1.4.1.32473.2.2.1.1.0 HARBOUR\n.1.3.6.1.4.1.32473.2.2.3.3.0 6123\n"
               ".1.3.6.1.4.1.32473.2.2.4.4.0 1999\n.1.3.6.1.4.1.32473.2.2.5.5.0 345\n");
    file.close();
    auto kept = test::startSim({"--static", "/dev/null"});
    auto lost = test::startSim({"--static", second.toStdString()}, "127.0.0.2:0");
    ASSERT_TRUE(kept && lost);
    const QString keptTarget = QStringLiteral("127.0.0.1:%1").arg(kept->port());
    const QString lostTarget = QStringLiteral("127.0.0.2:%1").arg(lost->port());

    const quint16 exporterPort = freePort();
    const Server exporter(kBin + QStringLiteral("prometheus-snmp-exporter"),
                          {QStringLiteral("--config.file=") + test::kMonitoring + QStringLiteral("/snmp_exporter/snmp.yml"),
                           QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(exporterPort)},
                          folder.filePath(QStringLiteral("exporter.log")));

    // The shipped scrape example, with this test's ports, folders and a 1 s rhythm.
    QFile example(test::kMonitoring + QStringLiteral("/prometheus/prometheus.yml"));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    QString config = QString::fromUtf8(example.readAll());
    config.replace(QStringLiteral("/usr/share/vimbo/prometheus/"), test::kMonitoring + QStringLiteral("/prometheus/"))
        .replace(QStringLiteral("/etc/prometheus/vimbo-probes/*.yml"), folder.filePath(QStringLiteral("probes.yml")))
        .replace(QStringLiteral("127.0.0.1:9116"), QStringLiteral("127.0.0.1:%1").arg(exporterPort))
        .replace(QStringLiteral("scrape_interval: 15s"), QStringLiteral("scrape_interval: 1s"))
        .replace(QStringLiteral("evaluation_interval: 15s"), QStringLiteral("evaluation_interval: 1s"))
        .replace(QStringLiteral("scrape_timeout: 10s"), QStringLiteral("scrape_timeout: 1s"));
    ASSERT_TRUE(config.contains(folder.filePath(QStringLiteral("probes.yml"))));
    QFile configFile(folder.filePath(QStringLiteral("prometheus.yml")));
    ASSERT_TRUE(configFile.open(QIODevice::WriteOnly));
    configFile.write(config.toUtf8());
    configFile.close();
    QFile probes(folder.filePath(QStringLiteral("probes.yml")));
    ASSERT_TRUE(probes.open(QIODevice::WriteOnly));
    probes.write(("- targets: ['" + keptTarget + "', '" + lostTarget + "']\n").toUtf8());
    probes.close();

    prometheusPort = freePort();
    const Server prometheus(kBin + QStringLiteral("prometheus"),
                            {QStringLiteral("--config.file=") + configFile.fileName(),
                             QStringLiteral("--storage.tsdb.path=") + folder.filePath(QStringLiteral("data")),
                             QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(prometheusPort)},
                            folder.filePath(QStringLiteral("prometheus.log")));

    // Two scrapes of each probe, and the rules evaluated over them.
    const QString scraped = QStringLiteral("count_over_time(up{job=\"vimbo-probes\"}[1m]) >= 2");
    ASSERT_TRUE(test::waitFor([&] { return query(scraped).size() == 2 && !query(QStringLiteral("vimbo:slot_vber:ratio")).empty(); },
                              30000))
        << "prometheus.log, exporter.log in " << folder.path().toStdString();

    for (const auto* sim : {kept.get(), lost.get()}) {
        const QString instance = QStringLiteral("instance=\"127.0.0.%1:%2\"").arg(sim == kept.get() ? 1 : 2).arg(sim->port());
        for (int s = 0; s < 6; ++s) {
            SCOPED_TRACE(instance.toStdString() + " slot " + std::to_string(s));
            const QString at = QStringLiteral("{%1, slot=\"%2\"}").arg(instance).arg(s);
            const QString object = QStringLiteral(".1.3.6.1.4.1.32473.2.2.%1.").arg(s + 3);
            if (readWithTool(*sim, object + QStringLiteral("1.0")) != 1) {  // not surveyed: no measures
                EXPECT_TRUE(query(QStringLiteral("vimbo:slot_power:dbuv") + at).empty());
                continue;
            }
            // The units the main window shows: dBuV and dB in hundredths, VBER x 1E-7.
            EXPECT_DOUBLE_EQ(one(QStringLiteral("vimbo:slot_power:dbuv") + at), readWithTool(*sim, object + QStringLiteral("3.0")) / 100);
            EXPECT_DOUBLE_EQ(one(QStringLiteral("vimbo:slot_mer:db") + at), readWithTool(*sim, object + QStringLiteral("4.0")) / 100);
            EXPECT_DOUBLE_EQ(one(QStringLiteral("vimbo:slot_vber:ratio") + at), readWithTool(*sim, object + QStringLiteral("5.0")) / 1e7);
        }
    }
    const QString keptSeries = QStringLiteral("timestamp(vimboSlot0Power{instance=\"%1\"})").arg(keptTarget);
    const double keptBefore = one(keptSeries);

    lost.reset();  // the second probe goes silent
    ASSERT_TRUE(test::waitFor([&] { return one(QStringLiteral("up{instance=\"%1\"}").arg(lostTarget)) == 0; }, 15000));
    ASSERT_TRUE(test::waitFor([&] {
        return !query(QStringLiteral("ALERTS{alertname=\"VimboProbeDown\", instance=\"%1\", vimboName=\"HARBOUR\"}").arg(lostTarget)).empty();
    }, 15000));  // pending within the alert's minute, naming the probe
    EXPECT_EQ(one(QStringLiteral("up{instance=\"%1\"}").arg(keptTarget)), 1);
    EXPECT_TRUE(test::waitFor([&] { return one(keptSeries) > keptBefore + 1; }, 10000));  // its series go on
    EXPECT_TRUE(query(QStringLiteral("ALERTS{alertname=\"VimboProbeDown\", instance=\"%1\"}").arg(keptTarget)).empty());
    EXPECT_LT(took.elapsed(), 60000);
}
