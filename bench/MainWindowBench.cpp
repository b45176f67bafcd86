// One complete polling cycle of the main window against the simulator.
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include "core/Clock.h"
#include "FakeDialogs.h"
#include "ProbeSimProcess.h"
#include "SnmpClient.h"
#include "main/frmMain.h"
#include "PollCycle.h"

#include <QApplication>
#include <QDir>

#include <benchmark/benchmark.h>

#include <iostream>

namespace {

vimbo::test::ProbeSimProcess* g_sim = nullptr;

void BM_CompletePollingCycle(benchmark::State& state)
{
    vimbo::test::FakeDialogs dialogs;
    vimbo::SystemClock clock;
    vimbo::frmMain window(dialogs, clock);
    window.frmMain_Form_Load();
    window.SnmpClient1().setAgent(g_sim->host());
    window.SnmpClient1().setPort(g_sim->port());
    for (auto _ : state) {
        if (!vimbo::test::pollCycle(window) || window.pollFailed())
            state.SkipWithError("a cycle failed");
    }
}
BENCHMARK(BM_CompletePollingCycle)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QDir::setCurrent(QStringLiteral(VIMBO_BIN_DIR));
    std::string error;
    auto sim = vimbo::test::ProbeSimProcess::start({"--static", "/dev/null"}, "127.0.0.1:0", &error);
    if (!sim) {
        std::cerr << "cannot start the probe simulator: " << error << "\n";
        return 1;
    }
    g_sim = sim.get();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
