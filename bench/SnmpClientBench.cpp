// SnmpClient::get against the simulator, beside a raw net-snmp GET that keeps
// one session open: what the per-call session costs.
#include "CHandle.h"
#include "mib/ProbeOids.h"
#include "ProbeSimProcess.h"
#include "SnmpClient.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <benchmark/benchmark.h>

#include <iostream>
#include <memory>

namespace {

vimbo::test::ProbeSimProcess* g_sim = nullptr;
const std::string kName = ".1.3.6.1.4.1.32473.2.2.1.1.0";

zemtra::SnmpClient benchClient() { return vimbo::test::clientFor(*g_sim); }

void BM_SnmpClientGet(benchmark::State& state)
{
    zemtra::SnmpClient client = benchClient();
    for (auto _ : state) {
        zemtra::Variant value;
        if (client.get(kName, value) != zemtra::kOk)
            state.SkipWithError("get failed");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_SnmpClientGet)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RawNetSnmpGetReusedSession(benchmark::State& state)
{
    netsnmp_session settings;
    snmp_sess_init(&settings);
    std::string peer = "udp:" + g_sim->host() + ":" + std::to_string(g_sim->port());
    std::string community = "tavelo";
    settings.peername = peer.data();
    settings.version = SNMP_VERSION_1;
    settings.community = reinterpret_cast<u_char*>(community.data());
    settings.community_len = community.size();
    settings.timeout = 1000000;
    settings.retries = 0;
    zemtra::CHandle<void, snmp_sess_close> session(snmp_sess_open(&settings));
    if (!session) {
        state.SkipWithError("no session");
        return;
    }
    oid name[MAX_OID_LEN];
    size_t length = MAX_OID_LEN;
    read_objid(kName.c_str(), name, &length);
    for (auto _ : state) {
        netsnmp_pdu* request = snmp_pdu_create(SNMP_MSG_GET);
        snmp_add_null_var(request, name, length);
        netsnmp_pdu* response = nullptr;
        if (snmp_sess_synch_response(session.get(), request, &response) != STAT_SUCCESS)
            state.SkipWithError("get failed");
        if (response)
            snmp_free_pdu(response);
    }
}
BENCHMARK(BM_RawNetSnmpGetReusedSession)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The 50 requests of one polling cycle, in their order.
void BM_FiftySequentialGets(benchmark::State& state)
{
    using namespace vimbo::mib;
    std::vector<std::string> oids;
    for (auto item : {EquipmentItem::Name, EquipmentItem::Ipn, EquipmentItem::Version, EquipmentItem::AlarmFlags})
        oids.push_back(equipmentOid(item));
    for (auto item : {ThresholdItem::MerAlarm, ThresholdItem::MerWarning, ThresholdItem::VberAlarm,
                      ThresholdItem::VberWarning})
        oids.push_back(thresholdOid(item, Access::Read));
    for (int slot = 0; slot < kSlotCount; ++slot)
        for (int item = 1; item <= 7; ++item)
            oids.push_back(slotOid(slot, static_cast<SlotItem>(item), Access::Read));

    zemtra::SnmpClient client = benchClient();
    for (auto _ : state) {
        for (const std::string& oid : oids) {
            zemtra::Variant value;
            if (client.get(oid, value) != zemtra::kOk)
                state.SkipWithError("get failed");
        }
    }
    state.counters["requests"] = static_cast<double>(oids.size());
}
BENCHMARK(BM_FiftySequentialGets)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
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
