#include "db/ErroBanco.h"
#include "db/SessaoFirebird.h"
#include "db/SessaoOdbc.h"
#include "db/TConexao.h"

namespace kiv::db {

std::unique_ptr<Sessao> CriarSessaoReal(const TConexao& conexao) {
  if (conexao.DriverName == "DevartInterBase") return SessaoFirebird::Abrir(ParametrosFirebirdDe(conexao));
  if (conexao.DriverName == "DevartSQLServer" || conexao.DriverName == "Informix" ||
      conexao.DriverName == "DevartOracle")
    return AbrirSessaoOdbc(CadeiaConexaoOdbc(conexao), OpcoesOdbcDe(conexao));
  throw ErroBanco("Unknown DriverName: " + conexao.DriverName);
}

}  // namespace kiv::db
