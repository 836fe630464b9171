#pragma once
// A Firebird database file made on the spot, embedded (no server), for tests, the demo and the
// benchmarks: create it, run DDL, insert rows (BLOBs of any size as bound parameters), detach.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/Conjunto.h"
#include "db/SessaoFirebird.h"

namespace kiv::teste {

class BancoFirebird {
 public:
  using Valores = std::vector<std::optional<std::string>>;

  // Creates the database file `caminho` (which must not exist) with the default character set
  // `conjuntoPadrao` and stays attached to it with connection character set UTF8.
  explicit BancoFirebird(std::string caminho, const std::string& conjuntoPadrao = "NONE",
                         std::string usuario = "SYSDBA", std::string senha = "masterkey");

  const std::string& Caminho() const { return caminho_; }
  const std::string& Usuario() const { return usuario_; }
  const std::string& Senha() const { return senha_; }

  // Runs one statement (DDL or DML), each in its own committed transaction.
  void Executar(const std::string& sql);
  // Runs a statement with a value per "?": text as UTF-8 (for a column of character set NONE,
  // the bytes to store), std::nullopt for NULL, a BLOB parameter of any size.
  void Executar(const std::string& sql, const Valores& valores);
  // Inserts one row per entry of `linhas` into `tabela`'s `colunas`, in one transaction.
  void Inserir(const std::string& tabela, const std::vector<std::string>& colunas,
               const std::vector<Valores>& linhas);
  db::Conjunto Consultar(const std::string& sql);

  // Detaches, so that another process (the host program) can open the file; the next call
  // attaches again.
  void Desligar();

 private:
  db::SessaoFirebird& Sessao();
  db::ParametrosFirebird parametros_;
  std::string caminho_;
  std::string usuario_;
  std::string senha_;
  std::unique_ptr<db::SessaoFirebird> sessao_;
};

}  // namespace kiv::teste
