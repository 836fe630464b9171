#include "db/KIVFuncoes.h"

namespace kiv::db {

// Placeholder until the command language lands: the command passes unchanged.
std::string PreparaComando(const std::string& comando, const std::string&, const std::string&, const std::string&) {
  return comando;
}

}  // namespace kiv::db

namespace kiv::db {

// Placeholder until the command language lands.
std::string ExtraiToken(int n, const std::string& texto, const std::string& separador) {
  if (n <= 0) return {};
  std::string resto = texto, peca;
  for (int i = 1; i <= n; ++i) {
    const auto p = resto.find(separador);
    if (p == std::string::npos) return resto;
    peca = resto.substr(0, p);
    resto = resto.substr(p + separador.size());
  }
  return peca;
}

}  // namespace kiv::db
