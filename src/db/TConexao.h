#pragma once
// The connection object of a database connection: what the builders configure (driver name,
// parameter lines, ...) and, once opened, the live session over the engine's own client API.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/Conjunto.h"

namespace kiv::db {

// Seconds a login may take before it fails: a server that never answers must not hang the run.
inline constexpr unsigned kTempoLoginSegundos = 30;

// A live session with one engine.
class Sessao {
 public:
  virtual ~Sessao() = default;
  // Runs a statement that returns no rows.
  virtual void Executar(const std::string& sql) = 0;
  // Runs a query and returns all its rows, in order, every long text read whole.
  virtual Conjunto Consultar(const std::string& sql) = 0;
};

class TConexao {
 public:
  std::string DriverName;
  std::string ConnectionName;
  std::string GetDriverFunc;
  std::string LibraryName;
  std::string VendorLib;
  bool LoginPrompt = true;
  bool LoadParamsOnConnect = true;
  std::vector<std::string> Params;  // "Key=Value" lines, in order

  TConexao() = default;
  ~TConexao();
  TConexao(const TConexao&) = delete;
  TConexao& operator=(const TConexao&) = delete;

  // Opens a session for DriverName and Params; throws ErroBanco. An empty DriverName fails with
  // "Missing DriverName property".
  void Open();
  void Close();
  bool Connected() const { return sessao_ != nullptr; }

  // The open session; throws ErroBanco when the connection is closed.
  Sessao& SessaoAberta();

  // Value of the parameter line `chave` ("" when absent).
  std::string Parametro(const std::string& chave) const;

 private:
  std::unique_ptr<Sessao> sessao_;
};

// Builds the session for a connection object. Tests replace it to stand in for engines that are
// not installed (an empty function restores the real drivers).
using FabricaSessao = std::function<std::unique_ptr<Sessao>(const TConexao&)>;
void DefinirFabricaSessao(FabricaSessao fabrica);

// The real drivers: "DevartInterBase" (Firebird client API), "DevartSQLServer", "Informix" and
// "DevartOracle" (ODBC). Throws ErroBanco for an unknown driver name.
std::unique_ptr<Sessao> CriarSessaoReal(const TConexao& conexao);

}  // namespace kiv::db
