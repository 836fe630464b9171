#include "db/ErroBanco.h"
#include "db/TConexao.h"

namespace kiv::db {

// Placeholder until the engine drivers land.
std::unique_ptr<Sessao> CriarSessaoReal(const TConexao& conexao) {
  throw ErroBanco("Driver not available: " + conexao.DriverName);
}

}  // namespace kiv::db
