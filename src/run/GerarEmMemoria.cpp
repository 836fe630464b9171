#include "run/udmKIVVW.h"

namespace kiv::run {

// Placeholder until the in-memory delivery run lands.
void TdmKIVVW::GerarEmMemoria() {}

}  // namespace kiv::run
