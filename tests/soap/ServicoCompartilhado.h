#pragma once
// One stand-in web service (http and https) per test program, started on first use; each test
// calls Servico() to get it back to its start-up state with no records.
#include "support/ServicoSimulado.h"

namespace kiv::teste {

inline ServicoSimulado& Servico() {
  static ServicoSimulado servico([] {
    ServicoSimulado::Opcoes o;
    o.https = true;
    return o;
  }());
  servico.Limpar();
  return servico;
}

}  // namespace kiv::teste
