// The one worker that runs every SNMP request: settings pinned per request,
// replies handed on the requester's thread to live requesters only, and an
// owner that goes away at once whatever the agent does.
#include "SnmpClient.h"
#include "core/SnmpRequests.h"

#include "SimulatedProbe.h"
#include "WaitFor.h"

#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <random>

namespace vimbo {
namespace {

const std::string kNameOid = test::kProbeRoot + ".1.1.0";

TEST(SnmpRequests, aRequestKeepsTheSettingsItWasGivenAndRepliesOnTheRequestersThread)
{
    auto first = test::startSim();
    auto second = test::startSim({}, "127.1.1.2:0");
    ASSERT_TRUE(first && second);
    zemtra::SnmpClient client = test::clientFor(*first, 50, 0);
    SnmpRequests requests(client);
    const ClientSettings pinned = requests.currentSettings();
    test::aim(client, *second);  // changed after the first request was composed
    QObject context;
    std::vector<std::string> answers;
    QThread* thread = nullptr;
    requests.get(kNameOid, pinned, &context, [&](const SnmpReply& reply) {
        thread = QThread::currentThread();
        answers.push_back(reply.ok() ? *reply.value.toText() : "failed");
    });
    requests.get(kNameOid, &context, [&](const SnmpReply& reply) { answers.push_back(reply.ok() ? "second" : "failed"); });
    ASSERT_TRUE(test::waitFor([&] { return answers.size() == 2; }, 5000));
    EXPECT_EQ(answers[0], "VIMBO-SIM");
    EXPECT_EQ(thread, QThread::currentThread());
    EXPECT_EQ(first->requests().size(), 1u);
    EXPECT_EQ(second->requests().size(), 1u);
}

TEST(SnmpRequests, requestersDestroyedAtRandomMomentsNeverHearTheirReplies)
{
    auto sim = test::startSim();
    ASSERT_TRUE(sim);
    zemtra::SnmpClient client = test::clientFor(*sim, 50, 0);
    SnmpRequests requests(client);
    std::mt19937 random(7);
    int heardFromTheDead = 0, heard = 0;
    std::vector<std::unique_ptr<QObject>> survivors;  // alive to the end: their replies must all come
    for (int round = 0; round < 2000; ++round) {
        auto* doomed = new QObject;
        QObject* survivor = survivors.emplace_back(std::make_unique<QObject>()).get();
        bool doomedGone = false;
        for (int i = 0; i < 3; ++i) {
            requests.get(kNameOid, doomed, [&](const SnmpReply&) { heardFromTheDead += doomedGone ? 1 : 0; });
            requests.set(test::kProbeRoot + ".2.1", zemtra::Variant(std::int16_t{20}), survivor,
                         [&](const SnmpReply&) { ++heard; });
        }
        // Gone before, while or after its requests are answered.
        QThread::usleep(random() % 1500);
        if (random() % 2)
            QCoreApplication::processEvents();
        delete doomed;
        doomedGone = true;
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(test::waitFor([&] { return heard == 2000 * 3; }, 60000)) << heard;
    EXPECT_EQ(heardFromTheDead, 0);
}

TEST(SnmpRequests, itsOwnerGoesAtOnceWhileASilentAgentIsAskedWithTheLongestTimeOut)
{
    auto sim = test::startSim({"--silent"});
    ASSERT_TRUE(sim);
    zemtra::SnmpClient client = test::clientFor(*sim, 50, 0);
    client.setTimeout(32700);  // 327 s, the longest accepted
    client.setRetries(3);
    QObject context;
    bool answered = false;
    auto requests = std::make_unique<SnmpRequests>(client);
    requests->get(kNameOid, &context, [&](const SnmpReply&) { answered = true; });
    ASSERT_TRUE(test::waitFor([&] { return sim->requests().size() == 1u; }, 5000));
    QElapsedTimer clock;
    clock.start();
    requests.reset();
    EXPECT_LT(clock.elapsed(), 500);
    QCoreApplication::processEvents();
    EXPECT_FALSE(answered);
}

TEST(SnmpRequests, aTimedOutRequestTellsTheTriesItMade)
{
    auto sim = test::startSim({"--silent"});
    ASSERT_TRUE(sim);
    zemtra::SnmpClient client = test::clientFor(*sim, 50, 0);
    client.setTimeout(5);
    client.setRetries(3);
    SnmpRequests requests(client);
    QObject context;
    std::optional<SnmpReply> reply;
    requests.get(kNameOid, &context, [&](const SnmpReply& r) { reply = r; });
    ASSERT_TRUE(test::waitFor([&] { return reply.has_value(); }, 5000));
    EXPECT_FALSE(reply->ok());
    EXPECT_EQ(reply->tries, 4);
    EXPECT_NE(reply->reason.find("(4 tries of 50 ms)"), std::string::npos) << reply->reason;  // as the log says it
    EXPECT_EQ(sim->requests().size(), 4u);
}

}  // namespace
}  // namespace vimbo
