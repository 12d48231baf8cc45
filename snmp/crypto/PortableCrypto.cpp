#include "snmp/crypto/PortableCrypto.h"

namespace {

bool portableOnly = false;

}  // namespace

void UsePortableCryptoOnly() { portableOnly = true; }

bool PortableCryptoOnly() { return portableOnly; }
