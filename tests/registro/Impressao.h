#pragma once
// Readable register entries in test failures.
#include <ostream>

#include "run/RegistroEnviados.h"

namespace kiv::run {

inline void PrintTo(const TEntradaEnviada& e, std::ostream* os) {
  *os << "{" << e.chave << ", " << e.tipo << ", " << e.status << ", \"" << e.descricao << "\"}";
}

}  // namespace kiv::run
