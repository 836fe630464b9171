#pragma once
// The Firebird driver of the connection object ("DevartInterBase"), over the client API: a file
// path opens the database embedded, with no server; "host:path" or "host/port:path" goes to one.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/Firebird.h"
#include "db/TConexao.h"

namespace kiv::db {

struct ParametrosFirebird {
  std::string banco;  // the whole address: a file path, or "host[/port]:path"
  std::string usuario;
  std::string senha;
  std::string papel;                      // role; empty for none
  std::string conjuntoCaracteres = "UTF8";  // connection character set
  int dialeto = 3;
  bool esperarBloqueios = true;           // wait on locks instead of failing at once
  bool leituraConfirmada = true;          // read committed; false: snapshot
};

// The settings of a connection object whose DriverName is "DevartInterBase", from its lines.
ParametrosFirebird ParametrosFirebirdDe(const TConexao& conexao);

// A Firebird attachment. Each statement runs in a transaction of its own, committed when the
// statement has been read to its end.
class SessaoFirebird final : public Sessao {
 public:
  // Attaches to the database; throws ErroBanco with the status vector's message.
  static std::unique_ptr<SessaoFirebird> Abrir(const ParametrosFirebird& parametros);
  // Creates a new database file with the given default character set ("NONE", "WIN1252", ...),
  // without forced writes (it is a scratch database for tests, the demo and benchmarks), and
  // attaches to it as Abrir does.
  static std::unique_ptr<SessaoFirebird> CriarBanco(const ParametrosFirebird& parametros,
                                                    const std::string& conjuntoPadrao);

  void Executar(const std::string& sql) override;
  // Runs a statement with one value per "?": the bytes as they are (text in the connection
  // character set, or a column's own bytes for a column of character set NONE), std::nullopt for
  // NULL. A BLOB parameter takes the whole value, however long.
  void Executar(const std::string& sql, const std::vector<std::optional<std::string>>& parametros);
  // Runs the statement once per entry of `linhas`, prepared once, all in one transaction.
  void ExecutarLote(const std::string& sql, const std::vector<std::vector<std::optional<std::string>>>& linhas);
  Conjunto Consultar(const std::string& sql) override;

 private:
  explicit SessaoFirebird(const ParametrosFirebird& parametros);
  firebird::Transacao Iniciar();
  void Confirmar(firebird::Transacao& transacao);
  firebird::Comando Preparar(firebird::Transacao& transacao, const std::string& sql, XSQLDA* saida);

  ParametrosFirebird parametros_;
  std::vector<std::string> segredos_;
  firebird::Banco banco_;
};

}  // namespace kiv::db
