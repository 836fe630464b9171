#include "nfe/Tags.h"

namespace kiv::nfe {

// Placeholders until the text searches land.
std::string ObterChave(std::string_view) { return {}; }
std::string ValorTag(std::string_view, std::string_view, bool) { return {}; }
std::string BoolTexto(bool valor) { return valor ? "True" : "False"; }

}  // namespace kiv::nfe
