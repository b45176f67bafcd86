// Fault soak: the main window polls the simulator through a simulated three
// hours (a stepped clock, 3 s a cycle) while the simulator cycles through its
// faults. The program must never stop, log one line per failed cycle, recover
// at the first complete cycle after a fault, and keep its memory flat once
// the history ring is full.
//
//   QT_QPA_PLATFORM=offscreen build/bin/vimbo_soak [cycles]
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "MeasureHistory.h"
#include "ProbeSimProcess.h"
#include "SnmpClient.h"
#include "frmEventsLog.h"
#include "frmMain.h"
#include "frmMeasChart.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>

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

int logLines(vimbo::frmMain& window)
{
    return window.eventsLog().findChild<QListWidget*>(QStringLiteral("lstMsgs"))->count();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 3600;  // 3 h of 3 s cycles
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
        {"normal after restart", {}, false},
    };
    constexpr int kCyclesPerPhase = 60;

    std::string error;
    auto sim = vimbo::test::ProbeSimProcess::start({}, "127.0.0.1:0", &error);
    if (!sim) {
        std::fprintf(stderr, "cannot start the simulator: %s\n", error.c_str());
        return 1;
    }
    const std::string listen = "127.0.0.1:" + std::to_string(sim->port());

    vimbo::test::FakeDialogs dialogs;
    vimbo::test::FakeClock clock(QDateTime(QDate(2026, 12, 6), QTime(8, 0, 1)));
    vimbo::frmMain window(dialogs, clock);
    window.frmMain_Form_Load();
    window.SnmpClient1().setAgent(sim->host());
    window.SnmpClient1().setPort(sim->port());
    window.SnmpClient1().setTimeout(2);  // 20 ms: a fault costs little time
    window.SnmpClient1().setRetries(0);

    const auto started = std::chrono::steady_clock::now();
    const long rssStart = residentKiB();
    long rssRingFull = -1;
    int failed = 0, unexpected = 0, recoveries = 0, missedRecoveries = 0;
    std::size_t phaseIndex = 0;
    bool previousFailed = false;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        if (cycle % kCyclesPerPhase == 0) {
            phaseIndex = static_cast<std::size_t>(cycle / kCyclesPerPhase) % phases.size();
            sim.reset();  // every phase restarts the probe, a fault of its own
            sim = vimbo::test::ProbeSimProcess::start(phases[phaseIndex].args, listen, &error);
            if (!sim) {
                std::fprintf(stderr, "cannot restart the simulator: %s\n", error.c_str());
                return 1;
            }
        }
        const Phase& phase = phases[phaseIndex];
        try {
            // The 5 ms slot clock and the 800 ms blink run between the 3 s cycles.
            for (int tick = 0; tick < 3; ++tick) {
                clock.advance(1);
                window.measChart().frmMeasChart_tmr5s_Timer();
                window.frmMain_tmrBlink_Timer();
            }
            const int linesBefore = logLines(window);
            window.frmMain_tmrVimboPollingAlarms_Timer();
            const bool cycleFailed = window.pollFailed();
            failed += cycleFailed;
            if (logLines(window) - linesBefore != (cycleFailed ? 1 : 0))
                ++unexpected;
            if (phase.failsEveryCycle != cycleFailed && cycle % kCyclesPerPhase != 0)
                ++unexpected;
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
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long rssEnd = residentKiB();

    std::printf("cycles: %d (%.1f simulated hours) in %.1f s\n", cycles, cycles * 3 / 3600.0, seconds);
    std::printf("failed cycles: %d, events-log lines: %d\n", failed, logLines(window));
    std::printf("recoveries: %d, cycles after a fault that did not recover: %d\n", recoveries, missedRecoveries);
    std::printf("cycles that broke a rule: %d\n", unexpected);
    std::printf("history ring full: %s, resident memory: start %ld KiB, ring full %ld KiB, end %ld KiB\n",
                window.measChart().history().arrayFilled() ? "yes" : "no", rssStart, rssRingFull, rssEnd);
    const bool flat = rssRingFull > 0 && rssEnd - rssRingFull < 4096;
    const bool ok = failed == logLines(window) && unexpected == 0 && missedRecoveries == 0 && flat;
    std::printf("%s\n", ok ? "soak passed" : "soak FAILED");
    return ok ? 0 : 1;
}
