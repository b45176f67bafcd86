// The chart: a full rebuild, an append, and the slot clock when no slot closes.
// Run with QT_QPA_PLATFORM=offscreen where there is no display.
#include "chart/ChartControl.h"
#include "FakeClock.h"
#include "FakeDialogs.h"
#include "MainStandIn.h"
#include "chart/frmMeasChart.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace {

// A chart window whose ring is full of history.
struct FullChart {
    vimbo::test::FakeClock clock;
    vimbo::test::MainStandIn main;
    vimbo::test::FakeDialogs dialogs;
    vimbo::frmMeasChart chart{main, clock, dialogs};

    explicit FullChart(bool shown)
    {
        main.surveyed.fill(true);
        chart.frmMeasChart_Form_Load();
        for (int i = 0; i < vimbo::MeasureHistory::kBuckets + 10; ++i)
            nextSlot();
        if (shown)
            chart.show();
    }
    void nextSlot()
    {
        clock.advance(5);
        vimbo::Measures m{};
        for (std::size_t c = 0; c < 6; ++c)
            m[0][c] = 50.0f + static_cast<float>(c) + static_cast<float>(clock.now().time().second()) / 60.0f;
        chart.addMeasure(m);
    }
};

// Qt Charts lays out and paints on the event loop: run it and paint now.
void paint(vimbo::frmMeasChart& chart)
{
    QCoreApplication::processEvents();
    chart.chart().repaint();
}

void BM_RedrawChart(benchmark::State& state)
{
    FullChart full(state.range(0) != 0);
    for (auto _ : state) {
        full.chart.redrawChart();
        if (state.range(0) != 0)
            paint(full.chart);
    }
}
BENCHMARK(BM_RedrawChart)->Arg(0)->Arg(1)->ArgNames({"painted"})->Unit(benchmark::kMillisecond);

void BM_AppendSlot(benchmark::State& state)
{
    FullChart full(state.range(0) != 0);
    for (auto _ : state) {
        full.clock.advance(5);
        full.chart.check5sSlot();
        if (state.range(0) != 0)
            paint(full.chart);
    }
}
BENCHMARK(BM_AppendSlot)->Arg(0)->Arg(1)->ArgNames({"painted"})->Unit(benchmark::kMillisecond);

// The slot clock at a tick where the clock number has not changed.
void BM_SlotClockWithoutClose(benchmark::State& state)
{
    vimbo::SystemClock clock;
    vimbo::test::MainStandIn main;
    vimbo::test::FakeDialogs dialogs;
    vimbo::frmMeasChart chart(main, clock, dialogs);
    chart.frmMeasChart_Form_Load();
    chart.check5sSlot();
    for (auto _ : state)
        chart.check5sSlot();  // a close every 5 s of the run
}
BENCHMARK(BM_SlotClockWithoutClose)->Unit(benchmark::kNanosecond);

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
