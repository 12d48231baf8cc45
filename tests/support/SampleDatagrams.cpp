#include "support/SampleDatagrams.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace ber;

namespace {

std::vector<SampleDatagram> CapturedDatagrams() {
    std::vector<SampleDatagram> samples;
    const std::filesystem::path folder = std::filesystem::path(OLIXTRAP_TESTDATA_DIR) / "datagrams";
    std::error_code error;
    for (const auto& file : std::filesystem::directory_iterator(folder, error)) {
        if (file.path().extension() != ".bin") continue;
        std::ifstream in(file.path(), std::ios::binary);
        samples.push_back(
            {file.path().filename().string(),
             Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
    }
    std::sort(samples.begin(), samples.end(),
              [](const SampleDatagram& a, const SampleDatagram& b) { return a.name < b.name; });
    return samples;
}

std::vector<Bytes> EveryValueType() {
    return {VarBind("1.3.6.1.4.1.1.1", Integer(-1)),
            VarBind("1.3.6.1.4.1.1.2", Tlv(0x01, {0xFF})),
            VarBind("1.3.6.1.4.1.1.3", Tlv(0x03, {0x03, 0xA5, 0xF0})),
            VarBind("1.3.6.1.4.1.1.4", OctetString(Bytes(140, 0x41))),
            VarBind("1.3.6.1.4.1.1.5", Null()),
            VarBind("1.3.6.1.4.1.1.6", Oid("1.3.6.1.4.1.99.4294967295.0")),
            VarBind("1.3.6.1.4.1.1.7", Tlv(0x07, Bytes(280, 'D'))),
            VarBind("1.3.6.1.4.1.1.8", IpAddress({192, 168, 0, 1})),
            VarBind("1.3.6.1.4.1.1.9", Counter32(4000000000u)),
            VarBind("1.3.6.1.4.1.1.10", Gauge32(42)),
            VarBind("1.3.6.1.4.1.1.11", TimeTicks(360000)),
            VarBind("1.3.6.1.4.1.1.12", Tlv(0x44, {1, 2})),
            VarBind("1.3.6.1.4.1.1.13", Counter64(0xFEDCBA9876543210u)),
            VarBind("1.3.6.1.4.1.1.14", Tlv(0x80, {}))};
}

}  // namespace

std::vector<SampleDatagram> SampleDatagrams() {
    std::vector<SampleDatagram> samples = CapturedDatagrams();

    std::string longOid = "1.3.6.1.4.1";
    for (int i = 0; i < 60; ++i) longOid += ".300";
    std::vector<Bytes> many;
    for (int i = 0; i < 120; ++i)
        many.push_back(VarBind("1.3.6.1.4.1.7." + std::to_string(i), Integer(i)));

    samples.push_back({"v1 every type", BuildV1Trap({.varBinds = EveryValueType()})});
    samples.push_back(
        {"v2c every type", BuildV2cTrap({.varBinds = [] {
             std::vector<Bytes> b = {SysUpTimeBinding(1), TrapOidBinding("1.3.6.1.6.3.1.1.5.3.0")};
             for (Bytes& v : EveryValueType()) b.push_back(v);
             return b;
         }()})});
    samples.push_back(
        {"v1 long identifiers", BuildV1Trap({.community = std::string(200, 'c'),
                                             .enterprise = longOid,
                                             .varBinds = {VarBind(longOid, Oid(longOid))}})});
    samples.push_back({"v2c 120 bindings", BuildV2cTrap({.varBinds = many})});
    return samples;
}
