#include "run/udmKIVVW.h"

namespace kiv::run {

// Placeholders until the document files land.
void TdmKIVVW::GravarArquivos() {}
void TdmKIVVW::EnviarArquivos() {}

}  // namespace kiv::run
