#include "db/KIVConexao.h"

#include "comum/Texto.h"

namespace kiv::db {

// Placeholder: the engine builders and their parameter lines land with the database drivers.
TBD::TBD() : FConexao(std::make_unique<TConexao>()) {}
TBD::~TBD() = default;

void TBD::SetConexao(std::unique_ptr<TConexao> conexao) { FConexao = std::move(conexao); }

bool TBD::Abrir() {
  try {
    if (FConectado) Fechar();
    FConexao->Open();
    FConectado = true;
  } catch (const std::exception& e) {
    FMensagemErro = e.what();
    FConectado = false;
  }
  return FConectado;
}

bool TBD::Fechar() {
  FConexao->Close();
  FConectado = FConexao->Connected();
  return FConectado;
}

}  // namespace kiv::db
