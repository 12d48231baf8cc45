// The peer of Decode_bench.cpp: net-snmp's snmp_parse over the same datagrams, in the same
// run, so the ratios hold on a busy machine. Each parse gets a fresh PDU and a fresh copy of
// the datagram, as net-snmp's own receive loop does, and frees the PDU afterwards.

#include <benchmark/benchmark.h>

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/DecodeSamples.h"

namespace {

// net-snmp set up once per process: no MIB files, no configuration or state files read or
// written, and the senders of the SNMPv3 samples in its user table, keys localized to the
// samples' engine ID as snmptrapd's createUser line does.
class NetSnmpPeer {
public:
    NetSnmpPeer() {
        std::string folder =
            (std::filesystem::temp_directory_path() / "olixtrap-netsnmp-XXXXXX").string();
        if (mkdtemp(folder.data()) != nullptr) folder_ = folder;
        setenv("MIBS", "", 1);
        setenv("SNMP_PERSISTENT_DIR", folder_.c_str(), 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
        init_snmp("olixtrap_bench");
        CreateUser("benchuser", "SHA", "DES");
        CreateUser("benchauth", "SHA", nullptr);
        CreateUser("benchmd5des", "MD5", "DES");
        CreateUser("benchsha256aes", "SHA-256", "AES");
        snmp_sess_init(&session_);
    }
    ~NetSnmpPeer() {
        snmp_shutdown("olixtrap_bench");
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // Whether the datagram gave a trap with its bindings (authenticated and decrypted for
    // SNMPv3).
    bool Parse(std::vector<uint8_t>& datagram) {
        netsnmp_pdu* pdu = static_cast<netsnmp_pdu*>(calloc(1, sizeof(netsnmp_pdu)));
        const bool parsed =
            snmp_parse(nullptr, &session_, pdu, datagram.data(), datagram.size()) == 0 &&
            pdu->command == SNMP_MSG_TRAP2 && pdu->variables != nullptr;
        snmp_free_pdu(pdu);
        return parsed;
    }

private:
    // The line snmptrapd.conf would hold: createUser -e ENGINE NAME AUTH PASS [PRIV PASS].
    static void CreateUser(const char* name, const char* auth, const char* priv) {
        std::string line = std::string("-e ") + kBenchEngineId + " " + name + " " + auth + " " +
                           kBenchAuthPassword;
        if (priv != nullptr) line += std::string(" ") + priv + " " + kBenchPrivPassword;
        usm_parse_create_usmUser("createUser", line.data());
    }

    std::string folder_;
    netsnmp_session session_{};
};

NetSnmpPeer& Peer() {
    static NetSnmpPeer peer;
    return peer;
}

void ParseSample(benchmark::State& state, const std::vector<uint8_t>& sample) {
    NetSnmpPeer& peer = Peer();
    // The samples share one engine ID but were sent at different engine times: net-snmp
    // would refuse the older ones against the time the newest left in its cache.
    free_etimelist();
    std::vector<uint8_t> datagram(sample.size());
    for (auto _ : state) {
        datagram = sample;
        if (!peer.Parse(datagram)) {
            state.SkipWithError("net-snmp did not parse the sample");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_NetSnmpParseV2c(benchmark::State& state) { ParseSample(state, kV2cTrap); }
void BM_NetSnmpParseV3AuthNoPriv(benchmark::State& state) { ParseSample(state, kV3AuthNoPrivTrap); }
void BM_NetSnmpParseV3AuthPriv(benchmark::State& state) { ParseSample(state, kV3AuthPrivTrap); }
void BM_NetSnmpParseV3Md5Des(benchmark::State& state) { ParseSample(state, kV3Md5DesTrap); }
void BM_NetSnmpParseV3Sha256Aes(benchmark::State& state) { ParseSample(state, kV3Sha256AesTrap); }

BENCHMARK(BM_NetSnmpParseV2c);
BENCHMARK(BM_NetSnmpParseV3AuthNoPriv);
BENCHMARK(BM_NetSnmpParseV3AuthPriv);
BENCHMARK(BM_NetSnmpParseV3Md5Des);
BENCHMARK(BM_NetSnmpParseV3Sha256Aes);

}  // namespace
