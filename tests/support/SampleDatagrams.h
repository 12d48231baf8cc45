#pragma once
// Every trap datagram the tests know: the captured snmptrap datagrams of
// tests/data/datagrams/*.bin and built ones that reach the decoder's limits (long values,
// long identifiers, more bindings than the record holds). Seeds for mutation tests.

#include <string>
#include <vector>

#include "support/BerBuilder.h"

struct SampleDatagram {
    std::string name;
    ber::Bytes octets;
};

std::vector<SampleDatagram> SampleDatagrams();
