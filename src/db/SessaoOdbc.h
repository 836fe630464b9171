#pragma once
// The ODBC driver of the connection object: SQL SERVER (FreeTDS), INFORMIX and ORACLE, reached
// DSN-less through unixODBC.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/TConexao.h"

namespace kiv::db {

struct OpcoesOdbc {
  unsigned tempoLoginSegundos = kTempoLoginSegundos;
  // SQL_TXN_* value for SQL_ATTR_TXN_ISOLATION; 0 leaves the driver's default.
  unsigned long isolamento = 0;
  // Texts that must never reach a message (the password).
  std::vector<std::string> segredos;
};

// Opens a session from a complete ODBC connection string; throws ErroBanco with the driver's
// diagnostics. The connection object's drivers come here; tests reach other drivers this way too.
std::unique_ptr<Sessao> AbrirSessaoOdbc(const std::string& cadeia, const OpcoesOdbc& opcoes);

// The DSN-less connection string and the options for a connection object whose DriverName is
// "DevartSQLServer", "Informix" or "DevartOracle", from its parameter lines.
std::string CadeiaConexaoOdbc(const TConexao& conexao);
OpcoesOdbc OpcoesOdbcDe(const TConexao& conexao);

// A value for a connection string, in braces ("}" doubled) when it holds ';', braces, or blanks
// at its ends.
std::string ValorOdbc(std::string_view valor);

}  // namespace kiv::db
