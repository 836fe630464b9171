#include "db/KIVFuncoes.h"

namespace kiv::db {

// Placeholder until the command language lands: the command passes unchanged.
std::string PreparaComando(const std::string& comando, const std::string&, const std::string&, const std::string&) {
  return comando;
}

}  // namespace kiv::db
