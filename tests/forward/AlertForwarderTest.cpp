#include "forward/AlertForwarder.h"

#include "FakeClock.h"
#include "WaitFor.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace vimbo {
namespace {

// A loopback HTTP receiver: keeps each POST's alerts and answers with `status`
// (0: holds the connection without answering).
class Receiver : public QObject {
public:
    Receiver()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        });
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort())); }

    struct Post {
        QString path;
        QJsonArray alerts;
        qint64 atMs;
    };
    std::vector<Post> posts;
    int status = 200;
    QTcpServer server;
    QElapsedTimer since;

    // The alert named `alertname` in post `i`, or an empty object.
    QJsonObject alert(std::size_t i, const QString& alertname, const QString& slot = {}) const
    {
        if (i >= posts.size())
            return {};
        for (const QJsonValue& value : posts.at(i).alerts) {
            const QJsonObject labels = value[QStringLiteral("labels")].toObject();
            if (labels[QStringLiteral("alertname")].toString() == alertname &&
                (slot.isEmpty() || labels[QStringLiteral("slot")].toString() == slot))
                return value.toObject();
        }
        return {};
    }

    QJsonObject last(const QString& alertname) const { return alert(posts.size() - 1, alertname); }

private:
    void read(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QByteArray head = buffer.left(headerEnd).toLower();
        const qsizetype at = head.indexOf("content-length:");
        const qsizetype length = at < 0 ? 0 : head.mid(at + 15, head.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
        if (buffer.size() < headerEnd + 4 + length)
            return;
        const QByteArray path = buffer.split(' ').value(1);
        posts.push_back({QString::fromLatin1(path), QJsonDocument::fromJson(buffer.mid(headerEnd + 4, length)).array(),
                         since.elapsed()});
        buffer.clear();
        if (status == 0)
            return;
        socket->write(QStringLiteral("HTTP/1.1 %1 X\r\nContent-Length: 0\r\n\r\n").arg(status).toLatin1());
    }
    std::map<QTcpSocket*, QByteArray> m_buffers;
};

JournalEvent event(EventKind kind, int slot = -1, const QString& channel = {})
{
    JournalEvent e;
    e.kind = kind;
    e.probe = {QStringLiteral("127.0.0.1"), 16161, QStringLiteral("Tower A")};
    e.slot = slot;
    e.channel = channel;
    e.power = slot >= 0 ? std::optional(52.46) : std::nullopt;
    return e;
}

class Forwarding : public ::testing::Test {
protected:
    void SetUp() override { receiver.since.start(); }
    AlertForwarder& make(int repostMs = 60'000, int firstRetryMs = 50, int maxRetryMs = 400)
    {
        forwarder = std::make_unique<AlertForwarder>(
            clock,
            AlertForwarder::Options{.url = receiver.url(), .site = QStringLiteral("Hilltop"), .probeLabel = QStringLiteral("North mast"),
                                    .manager = QStringLiteral("127.0.0.1:16161"),
                                    .repostMs = repostMs, .validMs = 120'000, .firstRetryMs = firstRetryMs,
                                    .maxRetryMs = maxRetryMs},
            [this](const QString& message) { told << message; });
        return *forwarder;
    }
    JournalEvent at(JournalEvent e) const
    {
        e.time = {clock.now().toMSecsSinceEpoch(), 0};
        return e;
    }
    bool postsReach(std::size_t n) { return test::waitFor([&] { return receiver.posts.size() >= n; }, 5000); }
    QString iso(int secondsFromStart) const
    {
        return start.addSecs(secondsFromStart).toUTC().toString(Qt::ISODateWithMs);
    }

    const QDateTime start{QDate(2026, 12, 6), QTime(14, 5, 33), Qt::UTC};
    test::FakeClock clock{start};
    Receiver receiver;
    QStringList told;
    std::unique_ptr<AlertForwarder> forwarder;
};

TEST_F(Forwarding, aRiseIsPostedWithItsLabelsAndSummaryAndResolvedAtItsClear)
{
    AlertForwarder& f = make();
    f.start();
    ASSERT_TRUE(postsReach(1));
    const QJsonObject heartbeat = receiver.alert(0, QStringLiteral("VimboManagerHeartbeat"));
    EXPECT_EQ(receiver.posts[0].path, QStringLiteral("/api/v2/alerts"));
    EXPECT_EQ(heartbeat[QStringLiteral("labels")].toObject(),
              QJsonObject({{"alertname", "VimboManagerHeartbeat"}, {"severity", "none"}, {"site", "Hilltop"},
                           {"manager", "127.0.0.1:16161"}}));
    EXPECT_EQ(heartbeat[QStringLiteral("endsAt")].toString(), iso(120));

    clock.advance(10);
    f.eventRecorded(at(event(EventKind::AlarmRose, 2, QStringLiteral("(Ch21) 474.00MHz"))));
    f.eventRecorded(at(event(EventKind::WarningRose, 4, QStringLiteral("522.00MHz"))));
    f.eventRecorded(at(event(EventKind::ProbeLost)));
    ASSERT_TRUE(postsReach(2));
    ASSERT_TRUE(test::waitFor([&] { return receiver.last( "VimboProbeLost").size() > 0; }, 5000));
    const std::size_t last = receiver.posts.size() - 1;
    const QJsonObject alarm = receiver.alert(last, QStringLiteral("VimboAlarm"));
    EXPECT_EQ(alarm[QStringLiteral("labels")].toObject(),
              QJsonObject({{"alertname", "VimboAlarm"}, {"severity", "critical"}, {"probe", "127.0.0.1:16161"},
                           {"probe_name", "Tower A"}, {"site", "Hilltop"}, {"probe_label", "North mast"}, {"slot", "3"}, {"channel", "(Ch21) 474.00MHz"}}));
    EXPECT_EQ(alarm[QStringLiteral("annotations")].toObject(),
              QJsonObject({{"summary", "Hilltop / North mast (Tower A at 127.0.0.1:16161): Alarm on (Ch21) 474.00MHz (slot 3)"},
                           {"description", "At the rise: power 52.5"}}));
    EXPECT_EQ(alarm[QStringLiteral("startsAt")].toString(), iso(10));
    EXPECT_EQ(alarm[QStringLiteral("endsAt")].toString(), iso(130));
    EXPECT_EQ(receiver.alert(last, QStringLiteral("VimboWarning"))[QStringLiteral("labels")][QStringLiteral("severity")],
              QStringLiteral("warning"));
    EXPECT_EQ(receiver.alert(last, QStringLiteral("VimboProbeLost"))[QStringLiteral("labels")][QStringLiteral("severity")],
              QStringLiteral("critical"));
    EXPECT_EQ(receiver.alert(last, QStringLiteral("VimboProbeLost"))[QStringLiteral("annotations")][QStringLiteral("summary")],
              QStringLiteral("Hilltop / North mast (Tower A at 127.0.0.1:16161): The probe does not answer"));

    clock.advance(20);
    const std::size_t beforeClear = receiver.posts.size();
    f.eventRecorded(at(event(EventKind::AlarmCleared, 2, QStringLiteral("(Ch21) 474.00MHz"))));
    f.eventRecorded(at(event(EventKind::ProbeBack)));
    ASSERT_TRUE(test::waitFor([&] { return receiver.last( "VimboProbeLost")
                                               [QStringLiteral("endsAt")].toString() == iso(30); }, 5000));
    // The two clears go in one post or in two, as the first post's answer comes; the alarm's
    // resolution is in the first post after its clear.
    const QJsonObject alarmResolved = receiver.alert(beforeClear, QStringLiteral("VimboAlarm"));
    EXPECT_EQ(alarmResolved[QStringLiteral("endsAt")].toString(), iso(30));
    EXPECT_EQ(alarmResolved[QStringLiteral("startsAt")].toString(), iso(10));
    EXPECT_EQ(receiver.last(QStringLiteral("VimboWarning"))[QStringLiteral("endsAt")].toString(), iso(150));
    EXPECT_EQ(f.activeCount(), 1u);
    EXPECT_TRUE(told.isEmpty());
}

TEST_F(Forwarding, activeAlertsAndTheHeartbeatArePostedAgainWithEndsAtAheadAndAResolutionOnlyOnce)
{
    AlertForwarder& f = make(100);
    f.start();
    f.eventRecorded(at(event(EventKind::AlarmRose, 0, QStringLiteral("474.00MHz"))));
    f.eventRecorded(at(event(EventKind::WarningRose, 1, QStringLiteral("482.00MHz"))));
    f.eventRecorded(at(event(EventKind::WarningCleared, 1, QStringLiteral("482.00MHz"))));
    ASSERT_TRUE(test::waitFor([&] { return receiver.last( "VimboWarning").size() > 0; }, 5000));
    clock.advance(60);
    const std::size_t n = receiver.posts.size();
    ASSERT_TRUE(postsReach(n + 2));  // by the re-post timer alone
    const std::size_t last = receiver.posts.size() - 1;
    EXPECT_EQ(receiver.alert(last, QStringLiteral("VimboAlarm"))[QStringLiteral("endsAt")].toString(), iso(180));
    EXPECT_EQ(receiver.alert(last, QStringLiteral("VimboManagerHeartbeat"))[QStringLiteral("endsAt")].toString(), iso(180));
    EXPECT_TRUE(receiver.alert(last, QStringLiteral("VimboWarning")).isEmpty());
}

TEST_F(Forwarding, anUnreachableAlertmanagerIsRetriedWithBackOffToldOnceAndLosesNothing)
{
    receiver.status = 503;
    AlertForwarder& f = make(60'000, 40, 320);
    f.start();
    f.eventRecorded(at(event(EventKind::AlarmRose, 5, QStringLiteral("858.00MHz"))));
    clock.advance(5);
    f.eventRecorded(at(event(EventKind::AlarmCleared, 5, QStringLiteral("858.00MHz"))));
    ASSERT_TRUE(postsReach(6));
    // Spaced further each time, up to the cap.
    std::vector<qint64> gaps;
    for (std::size_t i = 2; i < 6; ++i)
        gaps.push_back(receiver.posts[i].atMs - receiver.posts[i - 1].atMs);
    EXPECT_LT(gaps[0], gaps[2]);
    EXPECT_GE(gaps[3], 300);
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("the Alertmanager at ") + receiver.url().toString() + " cannot be reached"))
        << told[0].toStdString();

    receiver.status = 200;
    ASSERT_TRUE(test::waitFor([&] { return told.size() == 2; }, 5000));
    EXPECT_TRUE(told[1].endsWith(QStringLiteral("answers again")));
    const std::size_t delivered = receiver.posts.size() - 1;
    EXPECT_EQ(receiver.alert(delivered, QStringLiteral("VimboAlarm"))[QStringLiteral("endsAt")].toString(), iso(5));
    f.eventRecorded(at(event(EventKind::WarningRose, 0, QStringLiteral("474.00MHz"))));
    ASSERT_TRUE(postsReach(delivered + 2));
    EXPECT_TRUE(receiver.alert(delivered + 1, QStringLiteral("VimboAlarm")).isEmpty());
}

TEST_F(Forwarding, aReceiverThatNeverAnswersHoldsNothingUp)
{
    receiver.status = 0;
    AlertForwarder& f = make();
    QElapsedTimer timer;
    timer.start();
    f.start();
    for (int i = 0; i < 50; ++i)
        f.eventRecorded(at(event(i % 2 ? EventKind::AlarmCleared : EventKind::AlarmRose, 1, QStringLiteral("474.00MHz"))));
    EXPECT_LT(timer.elapsed(), 200);
    ASSERT_TRUE(postsReach(1));
    EXPECT_EQ(receiver.posts.size(), 1u);  // one post in flight at a time
}

}  // namespace
}  // namespace vimbo
