// The run's database steps as the log shows them: connecting, the selection command, an empty
// selection, a failing selection, and the Informix isolation statement.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "db/ErroBanco.h"
#include "db/TConexao.h"
#include "package/Executa.h"
#include "support/Ambiente.h"
#include "support/BancoFirebird.h"

namespace {

using kiv::teste::PastaTemporaria;

struct Banco {
  std::string tipo, host, dataBase, user, passwd;
};

// Writes a job file into `pasta` and runs it; returns the run's own lines, between the frame.
std::vector<std::string> Rodar(const PastaTemporaria& pasta, const Banco& b, const std::string& execute) {
  const std::string caminho = pasta / "job.xml";
  kiv::teste::EscreverArquivo(caminho, R"(<?xml version="1.0" encoding="UTF-8"?>
<Selecao xmlns="urn:kivxmlvw:selecao">
  <Origem>
    <Banco><Tipo>)" + b.tipo + "</Tipo><Host>" + b.host + "</Host><DataBase>" + b.dataBase +
                                              "</DataBase><User>" + b.user + "</User><Passwd>" + b.passwd +
                                              R"(</Passwd></Banco>
    <Execute><![CDATA[)" + execute + R"(]]></Execute>
    <Result><Tipo>Memoria</Tipo><Dados>XML</Dados></Result>
  </Origem>
  <Destino><Soap><Url>http://127.0.0.1:9/ws</Url></Soap></Destino>
</Selecao>)");
  auto linhas = kiv::package::LinhasDoPacote(caminho);
  EXPECT_GE(linhas.size(), 4u);
  if (linhas.size() < 4) return linhas;
  EXPECT_EQ(linhas.back().rfind("Finalizando transferência de arquivos: ", 0), 0u);
  return std::vector<std::string>(linhas.begin() + 3, linhas.end() - 1);
}

std::string Juntas(const std::vector<std::string>& linhas) {
  std::string s;
  for (const auto& l : linhas) s += l + "\n";
  return s;
}


class ExecucaoFirebird : public ::testing::Test {
 protected:
  void SetUp() override {
    kiv::teste::BancoFirebird banco(pasta_ / "dms.fdb");
    banco.Executar("CREATE TABLE NOTAS (NUM INTEGER, XML BLOB SUB_TYPE TEXT CHARACTER SET UTF8)");
    banco.Inserir("NOTAS", {"NUM", "XML"},
                  {{"1", kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-4.00-indented.xml"))},
                   {"2", kiv::teste::LerArquivo(kiv::teste::Fixture("procEventoNFe-110111-cancel.xml"))}});
  }
  Banco Firebird() const { return {"Firebird", "", pasta_ / "dms.fdb", "SYSDBA", "masterkey"}; }
  PastaTemporaria pasta_;
};

TEST_F(ExecucaoFirebird, LogsTheCommandAndOpensTheSelection) {
  // The "#" alias mark is required, and the run logs and runs the command without it.
  const std::string sql = "SELECT NUM, XML FROM NOTAS WHERE NUM > 0 ORDER BY NUM";
  const auto linhas = Rodar(pasta_, Firebird(), "SELECT NUM, XML# FROM NOTAS WHERE NUM > 0 ORDER BY NUM");
  ASSERT_GE(linhas.size(), 3u) << Juntas(linhas);
  EXPECT_EQ(linhas[0], "Comando SELECT: [" + sql + "]");
  EXPECT_EQ(linhas[1], "preparando para gerar dados em memória");
  EXPECT_EQ(linhas[2], "Localizou 2 notas");
  // The deliveries go to a closed port and fail; every other step must be free of errors.
  std::string semEnvios;
  for (const auto& l : linhas)
    if (l.rfind("Erro ao executar transmissão SOAP: ", 0) != 0) semEnvios += l + "\n";
  EXPECT_EQ(semEnvios.find("Erro"), std::string::npos) << Juntas(linhas);
}

TEST_F(ExecucaoFirebird, AnEmptySelectionEndsTheRunWithItsWarning) {
  const std::string sql = "SELECT NUM, XML FROM NOTAS WHERE NUM < 0";
  const auto linhas = Rodar(pasta_, Firebird(), "SELECT NUM, XML# FROM NOTAS WHERE NUM < 0");
  EXPECT_EQ(linhas, (std::vector<std::string>{"Comando SELECT: [" + sql + "]", "Aviso: sem movimento para o periodo."}));
}

TEST_F(ExecucaoFirebird, AFailingSelectionIsReportedInOneLine) {
  const auto linhas = Rodar(pasta_, Firebird(), "SELECT NUM, XML# FROM NAO_EXISTE");
  ASSERT_EQ(linhas.size(), 2u) << Juntas(linhas);
  EXPECT_EQ(linhas[0], "Comando SELECT: [SELECT NUM, XML FROM NAO_EXISTE]");
  EXPECT_EQ(linhas[1].rfind("Erro: Ao executar comando de leitura das NFe - ", 0), 0u) << linhas[1];
  EXPECT_NE(linhas[1].find("NAO_EXISTE"), std::string::npos) << linhas[1];
}

TEST(ExecucaoConexao, EachConnectionFailureGivesItsOneLineAndStopsTheRun) {
  PastaTemporaria pasta;
  const std::string senha = "Senha-Do-Concessionario";
  const Banco casos[] = {
      {"INTERBASE", "", pasta / "dms.fdb", "SYSDBA", senha},
      {"FIREBIRD", "", pasta / "nao-existe.fdb", "SYSDBA", senha},
      {"SQL SERVER", "127.0.0.1," + std::to_string(kiv::teste::PortaFechada()), "dms", "sa", senha},
      {"ORACLE", "", "//127.0.0.1/DMS", "dms", senha},
      {"INFORMIX", "ol_dms", "dms", "informix", senha},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.tipo);
    const auto linhas = Rodar(pasta, c, "SELECT 1 FROM RDB$DATABASE");
    ASSERT_EQ(linhas.size(), 1u) << Juntas(linhas);
    const std::string prefixo = "Erro: Ao abrir conexão com o banco - ";
    EXPECT_EQ(linhas[0].rfind(prefixo, 0), 0u) << linhas[0];
    EXPECT_GT(linhas[0].size(), prefixo.size());
    if (c.tipo == "INTERBASE") {
      EXPECT_EQ(linhas[0], prefixo + "Missing DriverName property");
    }
    EXPECT_EQ(linhas[0].find(senha), std::string::npos) << linhas[0];
    EXPECT_EQ(linhas[0].find('\n'), std::string::npos) << linhas[0];
  }
  EXPECT_FALSE(std::filesystem::exists(pasta / "Work")) << "no register is set up after a failed connection";
}

// Stands in for an engine: records the statements it is given and returns no rows.
struct Gravador {
  std::vector<std::string> comandos;
  bool falharIsolamento = false;
};

class SessaoGravada : public kiv::db::Sessao {
 public:
  explicit SessaoGravada(Gravador& g) : g_(g) {}
  void Executar(const std::string& sql) override {
    g_.comandos.push_back("exec " + sql);
    if (g_.falharIsolamento) throw kiv::db::ErroBanco("isolation refused");
  }
  kiv::db::Conjunto Consultar(const std::string& sql) override {
    g_.comandos.push_back("query " + sql);
    return {};
  }

 private:
  Gravador& g_;
};

class ExecucaoIsolamento : public ::testing::Test {
 protected:
  void SetUp() override {
    kiv::db::DefinirFabricaSessao([this](const kiv::db::TConexao&) -> std::unique_ptr<kiv::db::Sessao> {
      return std::make_unique<SessaoGravada>(gravador_);
    });
  }
  void TearDown() override { kiv::db::DefinirFabricaSessao(nullptr); }
  Gravador gravador_;
  PastaTemporaria pasta_;
};

TEST_F(ExecucaoIsolamento, DirtyReadIsSentOnlyUnderInformixInAnyLetterCase) {
  const struct {
    const char* tipo;
    bool isolamento;
  } casos[] = {{"INFORMIX", true}, {"informix", true}, {"InFoRmIx", true},
               {"ORACLE", false},  {"SQL SERVER", false}, {"FIREBIRD", false}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.tipo);
    gravador_.comandos.clear();
    const auto linhas = Rodar(pasta_, {c.tipo, "h", "d", "u", "p"}, "SELECT XML# FROM NOTAS");
    std::vector<std::string> esperado;
    if (c.isolamento) esperado.push_back("exec Set ISOLATION TO DIRTY READ");
    esperado.push_back("query SELECT XML FROM NOTAS");
    EXPECT_EQ(gravador_.comandos, esperado);
    EXPECT_EQ(linhas.back(), "Aviso: sem movimento para o periodo.");
  }
}

TEST_F(ExecucaoIsolamento, ARefusedIsolationStatementEndsTheRunAsAnUncaughtFailure) {
  gravador_.falharIsolamento = true;
  const auto linhas = Rodar(pasta_, {"INFORMIX", "h", "d", "u", "p"}, "SELECT XML# FROM NOTAS");
  EXPECT_EQ(linhas, (std::vector<std::string>{"Erro ao executar pacote: isolation refused"}));
  EXPECT_EQ(gravador_.comandos, (std::vector<std::string>{"exec Set ISOLATION TO DIRTY READ"}));
}

}  // namespace
