#include "db/KIVConexao.h"

#include "comum/Texto.h"
#include "db/MensagemBanco.h"

namespace kiv::db {
namespace {

// A connection object set up entirely in code: no login dialog, nothing read from the client's
// connection or driver files, parameter lines cleared before the builder fills them.
std::unique_ptr<TConexao> NovaConexao(const char* driverName, const char* connectionName, const char* getDriverFunc,
                                      const char* libraryName, const char* vendorLib) {
  auto c = std::make_unique<TConexao>();
  c->DriverName = driverName;
  c->ConnectionName = connectionName;
  c->GetDriverFunc = getDriverFunc;
  c->LibraryName = libraryName;
  c->VendorLib = vendorLib;
  c->LoginPrompt = false;
  c->LoadParamsOnConnect = false;
  c->Params.clear();
  return c;
}

}  // namespace

TBD::TBD() : FConexao(std::make_unique<TConexao>()) {}

TBD::~TBD() {
  FConexao.reset();
  FConectado = false;
}

void TBD::SetConexao(std::unique_ptr<TConexao> conexao) { FConexao = std::move(conexao); }

std::unique_ptr<TConexao> TBD::CriarConexaoOracle(const std::string& dataBase, const std::string& userName,
                                                  const std::string& passwd) {
  auto c = NovaConexao("DevartOracle", "Devart Oracle", "getSQLDriverORA", "dbexpoda40.dll", "oci.dll");
  c->Params = {
      "EnableBCD=False",
      "BlobSize=-1",
      "Oracle TransIsolation=ReadCommited",
      "DataBase=" + dataBase,
      "User_Name=" + userName,
      "Password=" + passwd,
  };
  return c;
}

std::unique_ptr<TConexao> TBD::CriarConexaoSqlServer(const std::string& host, const std::string& dataBase,
                                                     const std::string& userName, const std::string& passwd) {
  auto c = NovaConexao("DevartSQLServer", "Devart SQL Server", "getSQLDriverSQLServer", "dbexpsda40.dll",
                       "sqloledb.dll");
  c->Params = {
      "EnableBCD=False",
      "BlobSize=-1",
      "HostName=" + host,
      "DataBase=" + dataBase,
      "User_Name=" + userName,
      "Password=" + passwd,
      "ErrorResourceFile=",
      "LocaleCode=0000",
      "MSSQL TransIsolation=ReadCommited",
      "OS Authentication=False",
  };
  return c;
}

std::unique_ptr<TConexao> TBD::CriarConexaoFirebird(const std::string& dataBase, const std::string& userName,
                                                    const std::string& passwd) {
  auto c = NovaConexao("DevartInterBase", "Devart InterBase", "getSQLDriverInterBase", "dbexpida40.dll",
                       "fbclient.dll");
  c->Params = {
      "EnableBCD=False",
      "BlobSize=-1",
      "CommitRetain=False",
      "LocaleCode=0000",
      "RoleName=RoleName",
      "UseUnicode=False",
      "DevartInterBase TransIsolation=ReadCommited",
      "WaitOnLocks=True",
      "SQLDialect=3",
      "DataBase=" + dataBase,
      "User_Name=" + userName,
      "Password=" + passwd,
  };
  return c;
}

std::unique_ptr<TConexao> TBD::CriarConexaoInformix(const std::string& host, const std::string& dataBase,
                                                    const std::string& userName, const std::string& passwd) {
  auto c = NovaConexao("Informix", "InformixConnection", "getSQLDriverINFORMIX", "dbxinf30.dll", "isqlt09a.dll");
  c->Params = {
      "DriverName=Informix",
      "HostName=" + host,
      "DataBase=" + dataBase,
      "User_Name=" + userName,
      "Password=" + passwd,
      "BlobSize=-1",
      "ErrorResourceFile=",
      "LocaleCode=0000",
      "Informix TransIsolation=DirtyRead",
      "Trim Char=False",
  };
  return c;
}

bool TBD::Abrir() {
  bool aberto = false;
  try {
    if (FConectado) Fechar();
    const std::string k = MaiusculasAscii(FTipo);
    if (k == "ORACLE") FConexao = CriarConexaoOracle(FDataBase, FUserName, FPasswd);
    if (k == "SQL SERVER") FConexao = CriarConexaoSqlServer(FHost, FDataBase, FUserName, FPasswd);
    if (k == "FIREBIRD") FConexao = CriarConexaoFirebird(FDataBase, FUserName, FPasswd);
    if (k == "INFORMIX") FConexao = CriarConexaoInformix(FHost, FDataBase, FUserName, FPasswd);
    FConexao->Open();
    aberto = true;
  } catch (const std::exception& e) {
    // The drivers already hide the password; this also covers a failure raised anywhere else.
    FMensagemErro = MensagemSegura(e.what(), {FPasswd});
  }
  FConectado = aberto;
  return FConectado;
}

bool TBD::Fechar() {
  try {
    FConexao->Close();
    FConectado = false;
  } catch (...) {
    FConectado = FConexao->Connected();
    throw;
  }
  FConectado = FConexao->Connected();
  return FConectado;
}

}  // namespace kiv::db
