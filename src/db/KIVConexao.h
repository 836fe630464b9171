#pragma once
// TBD: the job's connection to the dealer-management database, built for its engine kind.
#include <memory>
#include <string>

#include "db/TConexao.h"

namespace kiv::db {

class TBD {
 public:
  TBD();
  virtual ~TBD();
  TBD(const TBD&) = delete;
  TBD& operator=(const TBD&) = delete;

  const std::string& Tipo() const { return FTipo; }
  const std::string& Host() const { return FHost; }
  const std::string& DataBase() const { return FDataBase; }
  const std::string& UserName() const { return FUserName; }
  const std::string& Passwd() const { return FPasswd; }
  void SetTipo(const std::string& v) { FTipo = v; }
  void SetHost(const std::string& v) { FHost = v; }
  void SetDataBase(const std::string& v) { FDataBase = v; }
  void SetUserName(const std::string& v) { FUserName = v; }
  void SetPasswd(const std::string& v) { FPasswd = v; }

  TConexao& Conexao() { return *FConexao; }
  void SetConexao(std::unique_ptr<TConexao> conexao);
  bool Conectado() const { return FConectado; }
  const std::string& MensagemErro() const { return FMensagemErro; }

  // Builds the connection for Tipo and opens it. Never throws: false with MensagemErro set.
  bool Abrir();
  // Closes the held connection; returns Conectado afterwards. A failure is raised.
  bool Fechar();

  static std::unique_ptr<TConexao> CriarConexaoOracle(const std::string& dataBase, const std::string& userName,
                                                      const std::string& passwd);
  static std::unique_ptr<TConexao> CriarConexaoSqlServer(const std::string& host, const std::string& dataBase,
                                                         const std::string& userName, const std::string& passwd);
  static std::unique_ptr<TConexao> CriarConexaoFirebird(const std::string& dataBase, const std::string& userName,
                                                        const std::string& passwd);
  static std::unique_ptr<TConexao> CriarConexaoInformix(const std::string& host, const std::string& dataBase,
                                                        const std::string& userName, const std::string& passwd);

 private:
  std::unique_ptr<TConexao> FConexao;
  bool FConectado = false;
  std::string FMensagemErro;
  std::string FDataBase;
  std::string FHost;
  std::string FPasswd;
  std::string FUserName;
  std::string FTipo;
};

}  // namespace kiv::db
