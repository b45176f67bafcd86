// Loading channel plans at the format's limits, and the frequency lookup.
#include "channels/ChannelPlanFile.h"
#include "FakeDialogs.h"
#include "channels/clsChannelset.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kMostChannels = 32767;

std::vector<vimbo::ChannelRecord> manyChannels(int count)
{
    std::vector<vimbo::ChannelRecord> channels;
    for (int i = 0; i < count; ++i)
        channels.push_back({QString::number(i), 100000 + 8 * i, 100004 + 8 * i});
    return channels;
}

// Channels whose two tables hold the most entries a table may hold.
QByteArray fullTables(int channels)
{
    const QByteArray entry("\x01\x02\x03\x04\x05", 5);
    const QByteArray terminator("\xFF\xFF\x00\x00\x00", 5);
    const QByteArray table = entry.repeated(vimbo::kMaxTableEntries) + terminator;
    QByteArray out;
    out.append(static_cast<char>(channels & 0xFF)).append(static_cast<char>(channels >> 8)).append('\0');
    out.append(table);
    for (int i = 0; i < channels; ++i)
        out.append(QByteArray("CH      ", 8)).append(QByteArray(8, '\x01')).append(table).append(table);
    return out;
}

void loadFile(benchmark::State& state, const QByteArray& contents, int expectedCount)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("plan.can"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(contents);
    file.close();
    vimbo::test::FakeDialogs dialogs;
    for (auto _ : state) {
        vimbo::clsChannelset plan(dialogs);
        plan.setChanFile(path);
        if (!plan.loadChanFile() || plan.channelsCollection()->Count() != expectedCount)
            state.SkipWithError("the plan did not load");
    }
    state.SetBytesProcessed(state.iterations() * contents.size());
}

void BM_LoadLargestPlanEmptyTables(benchmark::State& state)
{
    loadFile(state, vimbo::writeChannelPlan(manyChannels(kMostChannels)), kMostChannels);
}
BENCHMARK(BM_LoadLargestPlanEmptyTables)->Unit(benchmark::kMillisecond);

// 32767 channels with full tables would be 21 GB; 64 of them show the cost per table.
void BM_LoadPlanTablesAtTheirLimit(benchmark::State& state)
{
    loadFile(state, fullTables(64), 64);
    state.counters["tables"] = benchmark::Counter(129.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadPlanTablesAtTheirLimit)->Unit(benchmark::kMillisecond);

void BM_FindByFreqWorstCase(benchmark::State& state)
{
    vimbo::channelsCollection channels;
    for (const vimbo::ChannelRecord& record : manyChannels(kMostChannels))
        channels.Add(record.name, record.videoKHz, record.centreKHz);
    for (auto _ : state)
        benchmark::DoNotOptimize(channels.findByFreq(1));  // no match: every channel is visited
}
BENCHMARK(BM_FindByFreqWorstCase)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
