// Many probes polled at once through the console's shared transport, against
// one simulator serving them all on loopback: each probe's cycle time beside
// 50 round trips of a reused net-snmp session, measured at the same time on a
// thread of its own against one more probe of the same simulator; the CPU of
// the polling thread and the memory of this process; what silent probes do
// to the others. Each probe's view for the wall is kept as the console keeps it.
// With --wall, the console's wall shows every probe's tile and hears every
// cycle's end (QT_QPA_PLATFORM=offscreen, or a display).
// Usage: vimbo_console_poll [--probes N] [--silent K] [--seconds S] [--wall]
// (not in ctest: it takes S seconds plus the start).
#include "ProbeView.h"
#include "SnmpSessions.h"
#include "WallWindow.h"

#include "CHandle.h"
#include "ObjectId.h"
#include "core/Clock.h"
#include "poll/ProbePoller.h"
#include "poll/ReadPlan.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <QApplication>
#include <QDateTime>
#include <QProcess>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

struct Options {
    unsigned probes = 100;
    unsigned silent = 0;  // the last K probes never answer
    int seconds = 60;
    bool wall = false;
};

long statusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field + ":", 0) == 0)
            return std::stol(line.substr(field.size() + 1));
    return 0;
}

double quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

std::vector<std::vector<::oid>> cycleNames()
{
    std::vector<std::vector<::oid>> names;
    for (const std::string& text : vimbo::readPlanIdentifiers()) {
        const auto arcs = zemtra::parseObjectId(text);
        names.emplace_back(arcs->begin(), arcs->end());
    }
    return names;
}

/// The 50 reads of a cycle, one after the other, over one session kept open:
/// the round trips a cycle cannot beat, in ms, `repeats` times.
std::vector<double> baselineCycles(std::uint16_t port, int repeats, const std::atomic<bool>* stop = nullptr,
                                   std::chrono::milliseconds pause = {})
{
    static const std::vector<std::vector<::oid>> names = cycleNames();
    netsnmp_session settings;
    snmp_sess_init(&settings);
    std::string peer = "udp:127.0.0.1:" + std::to_string(port);
    std::string community = "tavelo";
    settings.peername = peer.data();
    settings.version = SNMP_VERSION_1;
    settings.community = reinterpret_cast<u_char*>(community.data());
    settings.community_len = community.size();
    settings.timeout = 1000000;
    settings.retries = 0;
    zemtra::CHandle<void, snmp_sess_close> session(snmp_sess_open(&settings));
    std::vector<double> times;
    for (int r = 0; r < repeats && session && !(stop && *stop); ++r) {
        const auto start = Clock::now();
        for (const auto& name : names) {
            netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GET);
            snmp_add_null_var(request, name.data(), name.size());
            netsnmp_pdu* response = nullptr;
            if (snmp_sess_synch_response(session.get(), request, &response) != STAT_SUCCESS)
                std::cerr << "baseline: a read failed on port " << port << "\n";
            if (response)
                snmp_free_pdu(response);
        }
        times.push_back(Milliseconds(Clock::now() - start).count());
        std::this_thread::sleep_for(pause);
    }
    return times;
}

double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

/// One probe polled as the console polls it: a cycle, 3 s from its end to the next start.
struct Probe {
    std::unique_ptr<vimbo::SessionTransport> transport;
    std::unique_ptr<vimbo::ProbePoller> poller;
    std::unique_ptr<QTimer> next;
    Clock::time_point started;
    vimbo::ProbeView view;  // what the console's wall shows of it, kept as the console keeps it
    std::vector<double> completeMs;
    unsigned failed = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--wall") {
            options.wall = true;
            continue;
        }
        const int value = i + 1 < argc ? std::atoi(argv[++i]) : 0;
        if (arg == "--probes")
            options.probes = static_cast<unsigned>(value);
        else if (arg == "--silent")
            options.silent = static_cast<unsigned>(value);
        else if (arg == "--seconds")
            options.seconds = value;
        else
            options.probes = 0;  // told below
    }
    // The wall needs the widgets' application; without it none is loaded.
    std::unique_ptr<QCoreApplication> application =
        options.wall ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    if (options.probes < 1 || options.silent >= options.probes || options.seconds < 6) {
        std::cerr << "usage: vimbo_console_poll [--probes N] [--silent K < N] [--seconds S >= 6] [--wall]\n";
        return 2;
    }
    const unsigned answering = options.probes - options.silent;

    // One simulator for all the probes and one more for the baseline, its
    // values fixed, no request log.
    QProcess sim;
    QStringList simArgs{"--listen", "127.0.0.1:0", "--probes", QString::number(options.probes + 1), "--static",
                        "/dev/null"};
    if (options.silent > 0)
        simArgs << "--silent-probes" << QString("%1-%2").arg(answering + 1).arg(options.probes);
    sim.start(QCoreApplication::applicationDirPath() + "/vimboProbeSim", simArgs);
    std::vector<std::uint16_t> ports;
    while (ports.size() <= options.probes && sim.waitForReadyRead(10000)) {
        while (sim.canReadLine()) {
            const QString line = QString::fromUtf8(sim.readLine()).trimmed();
            ports.push_back(static_cast<std::uint16_t>(line.section(':', -1).toUInt()));
        }
    }
    if (ports.size() <= options.probes) {
        std::cerr << "the simulator did not start\n";
        return 1;
    }

    // The baseline alone first, then beside the polling, on its own probe and thread.
    const std::uint16_t baselinePort = ports.back();
    const std::vector<double> idle = baselineCycles(baselinePort, 50);
    std::atomic<bool> stopBaseline{false};
    std::vector<double> beside;

    vimbo::SystemClock clock;
    std::unique_ptr<vimbo::WallWindow> wall;
    if (options.wall) {
        wall = std::make_unique<vimbo::WallWindow>(clock);
        wall->resize(1280, 800);
        wall->show();
    }
    vimbo::SnmpSessions sessions;
    std::vector<Probe> probes(options.probes);
    const auto interval = std::chrono::milliseconds(3000);
    bool measuring = false;
    for (unsigned p = 0; p < options.probes; ++p) {
        Probe& probe = probes[p];
        // The probe list's defaults: 1 s and one retry.
        probe.transport = std::make_unique<vimbo::SessionTransport>(
            sessions, vimbo::ClientSettings{"127.0.0.1", "tavelo", "kiminar", 100, 1, ports[p]});
        probe.next = std::make_unique<QTimer>();
        probe.next->setSingleShot(true);
        // A coarse timer would be moved by up to 5 % to fire with others,
        // bunching the spread cycles together again.
        probe.next->setTimerType(Qt::PreciseTimer);
        vimbo::ProbePoller::Handlers handlers;
        probe.view = vimbo::freshView(QString("bench-%1").arg(p + 1), "Bench",
                                      vimbo::probeAddress("127.0.0.1", ports[p]));
        if (wall)
            wall->showView(probe.view);
        handlers.ended = [&probe, &measuring, &wall, interval](const vimbo::CycleEnd& end) {
            probe.view = vimbo::nextView(probe.view, end, QDateTime::currentMSecsSinceEpoch());
            if (wall)
                wall->cycleEnded(probe.view, end.events);
            if (measuring) {
                if (end.outcome == vimbo::CycleEnd::Complete)
                    probe.completeMs.push_back(Milliseconds(Clock::now() - probe.started).count());
                else
                    ++probe.failed;
            }
            probe.next->start(interval);
        };
        probe.poller = std::make_unique<vimbo::ProbePoller>(*probe.transport, handlers);
        QObject::connect(probe.next.get(), &QTimer::timeout, [&probe] {
            probe.started = Clock::now();
            probe.poller->tick();
        });
        // First cycles spread over the interval, as a console starting its list does.
        probe.next->start(static_cast<int>(interval.count() * p / options.probes));
    }

    // A first round to open the sessions, then the measured window.
    double cpuStart = 0;
    Clock::time_point wallStart;
    std::thread baseline;
    QTimer::singleShot(interval + std::chrono::milliseconds(500), [&] {
        measuring = true;
        cpuStart = threadCpuSeconds();
        wallStart = Clock::now();
        baseline = std::thread([&] { beside = baselineCycles(baselinePort, 1 << 30, &stopBaseline, interval / 6); });
    });
    QTimer::singleShot(interval + std::chrono::milliseconds(500) + std::chrono::seconds(options.seconds),
                       &app, &QCoreApplication::quit);
    app.exec();
    const double cpu = threadCpuSeconds() - cpuStart;
    const double wallSeconds = std::chrono::duration<double>(Clock::now() - wallStart).count();
    const long rssKb = statusKb("VmRSS"), peakKb = statusKb("VmHWM");

    std::vector<double> cycleMs;
    unsigned answeringFailed = 0, silentFailed = 0;
    for (unsigned p = 0; p < options.probes; ++p) {
        if (p < answering) {
            cycleMs.insert(cycleMs.end(), probes[p].completeMs.begin(), probes[p].completeMs.end());
            answeringFailed += probes[p].failed;
        } else {
            silentFailed += probes[p].failed;
        }
    }
    stopBaseline = true;
    baseline.join();
    probes.clear();
    const double baselineMs = quantile(beside, 0.5);

    std::printf("probes %u (%u silent), polled every 3 s for %.0f s, %s\n", options.probes, options.silent, wallSeconds,
                options.wall ? "the wall shown" : "no wall");
    std::printf("baseline, 50 reads over one reused session: median %.2f ms beside the polling (%zu runs), "
                "%.2f ms alone\n", baselineMs, beside.size(), quantile(idle, 0.5));
    std::printf("complete cycles of the %u answering probes: %zu, failed %u; silent probes' failed cycles %u\n",
                answering, cycleMs.size(), answeringFailed, silentFailed);
    std::printf("cycle time: median %.2f ms (%.2f x the baseline beside it), p95 %.2f ms, max %.2f ms\n",
                quantile(cycleMs, 0.5), quantile(cycleMs, 0.5) / baselineMs, quantile(cycleMs, 0.95),
                cycleMs.empty() ? 0.0 : *std::max_element(cycleMs.begin(), cycleMs.end()));
    std::printf("CPU of the polling thread: %.2f %% of one core; resident %.1f MB, peak %.1f MB\n", 100 * cpu / wallSeconds,
                rssKb / 1024.0, peakKb / 1024.0);
    sim.terminate();
    sim.waitForFinished(5000);
    return 0;
}
