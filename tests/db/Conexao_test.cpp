// TBD: what each builder hands to the client, how Abrir chooses and reopens connections, and the
// one-line failures of the real clients, which never show the password.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "db/ErroBanco.h"
#include "db/KIVConexao.h"
#include "db/MensagemBanco.h"
#include "support/Ambiente.h"

namespace {

using kiv::db::TBD;
using kiv::db::TConexao;

struct Montagem {
  const char* tipo;
  std::unique_ptr<TConexao> conexao;
  const char* driver;
  const char* nome;
  const char* funcao;
  const char* biblioteca;
  const char* fornecedor;
  std::vector<std::string> linhas;
};

TEST(TBDConstrutores, LeaveExactlyTheirSettingsAndLinesInOrder) {
  Montagem casos[] = {
      {"ORACLE", TBD::CriarConexaoOracle("orcl", "usr", "pw"), "DevartOracle", "Devart Oracle", "getSQLDriverORA",
       "dbexpoda40.dll", "oci.dll",
       {"EnableBCD=False", "BlobSize=-1", "Oracle TransIsolation=ReadCommited", "DataBase=orcl", "User_Name=usr",
        "Password=pw"}},
      {"SQL SERVER", TBD::CriarConexaoSqlServer("", "base", "usr", ""), "DevartSQLServer", "Devart SQL Server",
       "getSQLDriverSQLServer", "dbexpsda40.dll", "sqloledb.dll",
       {"EnableBCD=False", "BlobSize=-1", "HostName=", "DataBase=base", "User_Name=usr", "Password=",
        "ErrorResourceFile=", "LocaleCode=0000", "MSSQL TransIsolation=ReadCommited", "OS Authentication=False"}},
      {"FIREBIRD", TBD::CriarConexaoFirebird("srv:/db/x.fdb", "SYSDBA", " pw "), "DevartInterBase",
       "Devart InterBase", "getSQLDriverInterBase", "dbexpida40.dll", "fbclient.dll",
       {"EnableBCD=False", "BlobSize=-1", "CommitRetain=False", "LocaleCode=0000", "RoleName=RoleName",
        "UseUnicode=False", "DevartInterBase TransIsolation=ReadCommited", "WaitOnLocks=True", "SQLDialect=3",
        "DataBase=srv:/db/x.fdb", "User_Name=SYSDBA", "Password= pw "}},
      {"INFORMIX", TBD::CriarConexaoInformix("ol_srv", "loja", "informix", "pw"), "Informix", "InformixConnection",
       "getSQLDriverINFORMIX", "dbxinf30.dll", "isqlt09a.dll",
       {"DriverName=Informix", "HostName=ol_srv", "DataBase=loja", "User_Name=informix", "Password=pw",
        "BlobSize=-1", "ErrorResourceFile=", "LocaleCode=0000", "Informix TransIsolation=DirtyRead",
        "Trim Char=False"}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.tipo);
    EXPECT_EQ(c.conexao->DriverName, c.driver);
    EXPECT_EQ(c.conexao->ConnectionName, c.nome);
    EXPECT_EQ(c.conexao->GetDriverFunc, c.funcao);
    EXPECT_EQ(c.conexao->LibraryName, c.biblioteca);
    EXPECT_EQ(c.conexao->VendorLib, c.fornecedor);
    EXPECT_FALSE(c.conexao->LoginPrompt);
    EXPECT_FALSE(c.conexao->LoadParamsOnConnect);
    EXPECT_EQ(c.conexao->Params, c.linhas);
    EXPECT_FALSE(c.conexao->Connected());
  }
}

// A session that stands in for an engine and counts what happens to it.
struct Registro {
  std::vector<std::string> drivers;
  int fechadas = 0;
};

class SessaoFalsa : public kiv::db::Sessao {
 public:
  explicit SessaoFalsa(Registro& r) : r_(r) {}
  ~SessaoFalsa() override { ++r_.fechadas; }
  void Executar(const std::string&) override {}
  kiv::db::Conjunto Consultar(const std::string&) override { return {}; }

 private:
  Registro& r_;
};

class TBDComFabrica : public ::testing::Test {
 protected:
  void SetUp() override {
    kiv::db::DefinirFabricaSessao([this](const TConexao& c) -> std::unique_ptr<kiv::db::Sessao> {
      registro_.drivers.push_back(c.DriverName);
      return std::make_unique<SessaoFalsa>(registro_);
    });
  }
  void TearDown() override { kiv::db::DefinirFabricaSessao(nullptr); }
  Registro registro_;
};

TEST_F(TBDComFabrica, RecognisesTheKindInAnyLetterCaseButNothingElse) {
  const std::pair<const char*, const char*> reconhecidos[] = {
      {"oracle", "DevartOracle"},   {"Sql Server", "DevartSQLServer"}, {"FIREBIRD", "DevartInterBase"},
      {"informix", "Informix"},     {"Firebird", "DevartInterBase"},
  };
  for (const auto& [tipo, driver] : reconhecidos) {
    TBD bd;
    bd.SetTipo(tipo);
    EXPECT_TRUE(bd.Abrir()) << tipo;
    EXPECT_TRUE(bd.Conectado());
    EXPECT_EQ(bd.Conexao().DriverName, driver);
  }
  const char* estranhos[] = {"INTERBASE", "SQLSERVER", "SQL  SERVER", " ORACLE", "ORACLE ", "", "FIREBIRD\n"};
  for (const char* tipo : estranhos) {
    TBD bd;
    bd.SetTipo(tipo);
    EXPECT_FALSE(bd.Abrir()) << tipo;
    EXPECT_FALSE(bd.Conectado());
    EXPECT_EQ(bd.MensagemErro(), "Missing DriverName property");
  }
  EXPECT_EQ(registro_.drivers.size(), std::size(reconhecidos));
}

TEST_F(TBDComFabrica, ReopensAsTheConnectionLifecycleSays) {
  TBD bd;
  bd.SetTipo("CHAVE ERRADA");
  ASSERT_FALSE(bd.Abrir());
  bd.SetTipo("ORACLE");
  ASSERT_TRUE(bd.Abrir());
  EXPECT_EQ(bd.MensagemErro(), "Missing DriverName property") << "a success leaves the older message";
  const TConexao* primeira = &bd.Conexao();

  // A recognised kind closes the open connection and builds a new one from the current settings.
  bd.SetTipo("FIREBIRD");
  bd.SetDataBase("/dados/loja.fdb");
  ASSERT_TRUE(bd.Abrir());
  EXPECT_EQ(registro_.fechadas, 1);
  EXPECT_EQ(bd.Conexao().Parametro("DataBase"), "/dados/loja.fdb");
  EXPECT_NE(&bd.Conexao(), primeira);

  // An unrecognised kind closes it and opens that same connection again.
  const TConexao* segunda = &bd.Conexao();
  bd.SetTipo("MYSQL");
  ASSERT_TRUE(bd.Abrir());
  EXPECT_EQ(&bd.Conexao(), segunda);
  EXPECT_EQ(registro_.fechadas, 2);
  EXPECT_EQ(registro_.drivers, (std::vector<std::string>{"DevartOracle", "DevartInterBase", "DevartInterBase"}));

  EXPECT_FALSE(bd.Fechar());
  EXPECT_FALSE(bd.Conectado());
  EXPECT_EQ(registro_.fechadas, 3);
}


TEST(TBDFalhas, EachRealClientSaysWhyInOneLineWithoutThePassword) {
  kiv::teste::PastaTemporaria pasta;
  const std::string senha = "Segr3do-Muito;Secreto}";
  struct Caso {
    std::string tipo, host, banco, indicio;
  } casos[] = {
      {"FIREBIRD", "", pasta / "nao-existe.fdb", "nao-existe.fdb"},
      {"FIREBIRD", "", "127.0.0.1/" + std::to_string(kiv::teste::PortaFechada()) + ":" + pasta / "x.fdb", "127.0.0.1"},
      {"SQL SERVER", "127.0.0.1," + std::to_string(kiv::teste::PortaFechada()), "loja", "SQLSTATE"},
      {"ORACLE", "", "//127.0.0.1/ORCL", "SQLSTATE"},
      {"INFORMIX", "ol_loja", "loja", "SQLSTATE"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.tipo + " " + c.banco);
    TBD bd;
    bd.SetTipo(c.tipo);
    bd.SetHost(c.host);
    bd.SetDataBase(c.banco);
    bd.SetUserName("dealer");
    bd.SetPasswd(senha);
    EXPECT_FALSE(bd.Abrir());
    EXPECT_FALSE(bd.Conectado());
    const std::string& m = bd.MensagemErro();
    EXPECT_NE(m.find(c.indicio), std::string::npos) << m;
    EXPECT_EQ(m.find("Segr3do"), std::string::npos) << m;
    EXPECT_EQ(m.find('\n'), std::string::npos) << m;
  }
}

TEST(MensagemBanco, HidesPasswordsAndCutsEchoedValues) {
  const std::vector<std::string> segredos = {"s3nh4!", "ab"};
  struct Caso {
    std::string entrada, esperado;
  } casos[] = {
      {"login failed for s3nh4!", "login failed for ****"},
      {"bad string DRIVER={X};UID=u;PWD=qualquer;DATABASE=d", "bad string DRIVER={X};UID=u;PWD=****;DATABASE=d"},
      {"attr Password={a;b}}c};x=1", "attr Password=****;x=1"},
      {"pwd=", "pwd="},
      {"short secrets stay: table ab", "short secrets stay: table ab"},
      {"value '" + std::string(300, 'x') + "' too long", "value '" + std::string(200, 'x') + "...' too long"},
      {"acentos 'ção' ficam", "acentos 'ção' ficam"},
  };
  for (const auto& c : casos) EXPECT_EQ(kiv::db::MensagemSegura(c.entrada, segredos), c.esperado);
  std::string muitos;
  for (int i = 0; i < 5000; ++i) muitos += "ç";
  const std::string longa = kiv::db::MensagemSegura(muitos, {});
  EXPECT_TRUE(longa == muitos.substr(0, 2 * 2000) + "...") << "cut at 2000 characters, never inside one";
}

}  // namespace
