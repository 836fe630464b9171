#include "run/udmKIVVW.h"

namespace kiv::run {

// Placeholder until the SOAP transmission lands.
void TdmKIVVW::TransmitirNFe(const std::string&, const std::string&) {}

}  // namespace kiv::run
