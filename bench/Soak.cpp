// Fault soak: the main window polls the simulator through simulated days (a
// stepped clock, 3 s a cycle, 28800 cycles a day) while the simulator cycles
// through its faults, hostile answers and restarts. The program must never
// stop, log every failed cycle, recover at the first complete cycle after a
// fault, keep its memory flat once the history ring and the events log are at
// their bounds (under 2 MB over the last day), and run the last day's cycles
// no more than 10 % slower than the first day's. Prints the resident memory
// and the time of every 1000 cycles.
//
//   QT_QPA_PLATFORM=offscreen build/bin/vimbo_soak [days]   (default 0.125: three hours)
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "chart/MeasureHistory.h"
#include "ProbeSimProcess.h"
#include "SnmpClient.h"
#include "eventslog/frmEventsLog.h"
#include "main/frmMain.h"
#include "PollCycle.h"
#include "chart/frmMeasChart.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Phase {
    const char* name;
    std::vector<std::string> args;
    bool failsEveryCycle;
};

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

QListWidget& logList(vimbo::frmMain& window) { return *window.eventsLog().findChild<QListWidget*>(QStringLiteral("lstMsgs")); }

// The newest line, told apart by identity: the log's length stops growing at its bound.
const QListWidgetItem* newestLine(vimbo::frmMain& window)
{
    QListWidget& list = logList(window);
    return list.count() == 0 ? nullptr : list.item(list.count() - 1);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    constexpr int kCyclesPerDay = 28800;
    const double days = argc > 1 ? std::atof(argv[1]) : 0.125;
    const int cycles = static_cast<int>(days * kCyclesPerDay);
    if (cycles < 1000) {
        std::fprintf(stderr, "usage: vimbo_soak [days], at least 1000 cycles (0.035 days)\n");
        return 2;
    }
    QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));
    const std::string root = ".1.3.6.1.4.1.32473.2.2";
    const std::vector<Phase> phases{
        {"normal", {}, false},
        {"silent", {"--silent"}, true},
        {"normal", {}, false},
        {"drop every 4th", {"--drop-every", "4"}, true},
        {"delay 40 ms", {"--delay-ms", "40"}, true},
        {"error status", {"--error-oid", root + ".5.3.0"}, true},
        {"flags as bytes", {"--wrong-type", root + ".1.4.0=octets:FF00FF"}, false},
        {"measure as Gauge32", {"--wrong-type", root + ".4.3.0=gauge32:4294967295"}, false},
        {"name as an identifier", {"--wrong-type", root + ".1.1.0=oid:1.3.6.1.4.1.32473"}, false},
        {"version as an unmapped type", {"--wrong-type", root + ".1.3.0=uinteger32:7"}, true},
        {"oversize name", {"--oversize", root + ".1.1.0=65000"}, false},
        {"oversize measure", {"--oversize", root + ".4.3.0=65000"}, true},
        {"very long identifier", {"--long-name", root + ".3.5.0"}, false},
        {"answers from another port", {"--reply-from-other-port"}, false},
        {"duplicated answers", {"--duplicate-replies"}, false},
        {"normal after restart", {}, false},
    };
    constexpr int kCyclesPerPhase = 60;

    std::string error;
    auto sim = vimbo::test::ProbeSimProcess::start({}, "127.0.0.1:0", &error);
    if (!sim) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", error.c_str());
        return 1;
    }
    std::string listen = "127.0.0.1:" + std::to_string(sim->port());  // where each restart listens

    vimbo::test::FakeDialogs dialogs;
    vimbo::test::FakeClock clock(QDateTime(QDate(2026, 12, 6), QTime(8, 0, 1)));
    vimbo::frmMain window(dialogs, clock);
    window.frmMain_Form_Load();
    window.SnmpClient1().setAgent(sim->host());
    window.SnmpClient1().setPort(sim->port());
    window.SnmpClient1().setTimeout(2);  // 20 ms: a fault costs little time
    window.SnmpClient1().setRetries(0);

    const auto started = std::chrono::steady_clock::now();
    auto lastThousand = started;
    const long rssStart = residentKiB();
    long rssRingFull = -1, rssLogFull = -1, rssLastDay = -1;
    double firstDaySeconds = 0, lastDaySeconds = 0;
    const int lastDayStart = cycles - std::min(cycles / 2, kCyclesPerDay);
    const int firstDayEnd = std::min(cycles / 2, kCyclesPerDay);
    int failed = 0, unexpected = 0, recoveries = 0, missedRecoveries = 0, loggedRight = 0;
    std::size_t phaseIndex = 0;
    bool previousFailed = false;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        if (cycle % kCyclesPerPhase == 0) {
            phaseIndex = static_cast<std::size_t>(cycle / kCyclesPerPhase) % phases.size();
            sim.reset();  // every phase restarts the probe, a fault of its own
            // Its port may be taken meanwhile by another program on loopback:
            // then the probe comes back on another one, and the client follows.
            for (int attempt = 0; attempt < 20 && !sim; ++attempt) {
                sim = vimbo::test::ProbeSimProcess::start(phases[phaseIndex].args, attempt < 10 ? listen : "127.0.0.1:0",
                                                          &error);
                if (!sim)
                    QThread::msleep(100);
            }
            if (!sim) {
                std::fprintf(stderr, "cannot restart the simulator: %s\n", error.c_str());
                return 1;
            }
            window.SnmpClient1().setPort(sim->port());
            listen = "127.0.0.1:" + std::to_string(sim->port());
        }
        const Phase& phase = phases[phaseIndex];
        try {
            // The 5 ms slot clock and the 800 ms blink run between the 3 s cycles.
            for (int tick = 0; tick < 3; ++tick) {
                clock.advance(1);
                window.measChart().frmMeasChart_tmr5s_Timer();
                vimbo::test::fireTimer(window, "tmrBlink");
            }
            const QListWidgetItem* newestBefore = newestLine(window);
            const auto cycleStart = std::chrono::steady_clock::now();
            vimbo::test::pollCycle(window);
            const double cycleSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - cycleStart).count();
            if (cycle < firstDayEnd)
                firstDaySeconds += cycleSeconds;
            else if (cycle >= lastDayStart)
                lastDaySeconds += cycleSeconds;
            const bool cycleFailed = window.pollFailed();
            failed += cycleFailed;
            const QListWidgetItem* newest = newestLine(window);
            const bool logged = newest != newestBefore && newest->text().endsWith(QStringLiteral("-Error in SNMP get request"));
            const auto broke = [&](const char* rule) {
                ++unexpected;
                std::printf("cycle %d (%s): %s, %s in %.0f ms\n", cycle, phase.name, rule,
                            cycleFailed ? "failed" : "complete", 1000 * cycleSeconds);
            };
            if (logged == cycleFailed)
                ++loggedRight;
            else
                broke("log line missing or extra");
            if (phase.failsEveryCycle != cycleFailed && cycle % kCyclesPerPhase != 0)
                broke(phase.failsEveryCycle ? "a faulty probe answered" : "a good probe failed");
            if (previousFailed && !phase.failsEveryCycle) {
                ++recoveries;
                missedRecoveries += cycleFailed && cycle % kCyclesPerPhase != 0;
            }
            previousFailed = cycleFailed;
        } catch (const std::exception& escaped) {
            std::fprintf(stderr, "cycle %d: an error escaped: %s\n", cycle, escaped.what());
            return 1;
        }
        if (rssRingFull < 0 && window.measChart().history().arrayFilled())
            rssRingFull = residentKiB();
        if (rssLogFull < 0 && logList(window).count() == vimbo::frmEventsLog::kMaxLines)
            rssLogFull = residentKiB();
        if (cycle == lastDayStart)
            rssLastDay = residentKiB();
        if ((cycle + 1) % 1000 == 0) {
            const auto now = std::chrono::steady_clock::now();
            std::printf("cycle %7d  day %5.2f  resident %6ld KiB  log %5d lines  %.2f s per 1000 cycles\n", cycle + 1,
                        (cycle + 1) / double(kCyclesPerDay), residentKiB(), logList(window).count(),
                        std::chrono::duration<double>(now - lastThousand).count());
            std::fflush(stdout);
            lastThousand = now;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long rssEnd = residentKiB();

    std::printf("cycles: %d (%.2f simulated days) in %.1f s\n", cycles, cycles / double(kCyclesPerDay), seconds);
    std::printf("failed cycles: %d, each logged: %s, events-log lines at the end: %d (bound %d)\n", failed,
                loggedRight == cycles ? "yes" : "no", logList(window).count(), vimbo::frmEventsLog::kMaxLines);
    std::printf("recoveries: %d, cycles after a fault that did not recover: %d\n", recoveries, missedRecoveries);
    std::printf("cycles that broke a rule: %d\n", unexpected);
    std::printf("resident memory: start %ld KiB, ring full %ld KiB, log full %ld KiB, last day's start %ld KiB, end %ld KiB\n",
                rssStart, rssRingFull, rssLogFull, rssLastDay, rssEnd);
    const double slowdown = firstDaySeconds > 0 ? lastDaySeconds / firstDaySeconds - 1 : 0;
    std::printf("polling time: first day %.1f s, last day %.1f s (%+.1f %%)\n", firstDaySeconds, lastDaySeconds,
                100 * slowdown);
    // Memory is judged once both bounds are reached; a short run judges what it reached.
    const long boundsReached = rssLogFull > 0 ? std::max(rssLogFull, rssLastDay) : std::max(rssRingFull, rssLastDay);
    const bool flat = boundsReached > 0 && rssEnd - boundsReached < 2048;
    const bool ok = loggedRight == cycles && unexpected == 0 && missedRecoveries == 0 && flat && slowdown <= 0.10;
    std::printf("%s\n", ok ? "soak passed" : "soak FAILED");
    return ok ? 0 : 1;
}
