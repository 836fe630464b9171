#include "db/TConexao.h"

#include <mutex>

#include "db/ErroBanco.h"

namespace kiv::db {
namespace {

std::mutex g_mutex;
FabricaSessao g_fabrica;

}  // namespace

void DefinirFabricaSessao(FabricaSessao fabrica) {
  std::lock_guard lock(g_mutex);
  g_fabrica = std::move(fabrica);
}

TConexao::~TConexao() = default;

void TConexao::Open() {
  if (sessao_) return;
  if (DriverName.empty()) throw ErroBanco("Missing DriverName property");
  FabricaSessao fabrica;
  {
    std::lock_guard lock(g_mutex);
    fabrica = g_fabrica;
  }
  sessao_ = fabrica ? fabrica(*this) : CriarSessaoReal(*this);
}

void TConexao::Close() { sessao_.reset(); }

Sessao& TConexao::SessaoAberta() {
  if (!sessao_) throw ErroBanco("Connection is closed");
  return *sessao_;
}

std::string TConexao::Parametro(const std::string& chave) const {
  const std::string prefixo = chave + "=";
  for (const auto& linha : Params)
    if (linha.compare(0, prefixo.size(), prefixo) == 0) return linha.substr(prefixo.size());
  return {};
}

}  // namespace kiv::db
