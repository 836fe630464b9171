// The ODBC driver against SQLite's ODBC driver (registered as "SQLite3"), reached through the same
// session code that serves SQL SERVER, INFORMIX and ORACLE.
#include <gtest/gtest.h>

#include "comum/Texto.h"
#include "db/ErroBanco.h"
#include "db/KIVConexao.h"
#include "db/SessaoOdbc.h"
#include "support/Ambiente.h"

namespace {

using kiv::db::AbrirSessaoOdbc;
using kiv::teste::PastaTemporaria;

std::string Literal(const std::string& s) { return "'" + kiv::SubstituirTodos(s, "'", "''", false) + "'"; }

class SqliteOdbc : public ::testing::Test {
 protected:
  void SetUp() override {
    sessao_ = AbrirSessaoOdbc(Cadeia(), {});
    sessao_->Executar(
        "CREATE TABLE NFE (ID INTEGER, XML TEXT, OBS VARCHAR(20), VALOR REAL, PRECO NUMERIC(10,2), DIA DATE, "
        "MOMENTO TIMESTAMP)");
  }
  void TearDown() override { kiv::db::DefinirFabricaSessao(nullptr); }

  std::string Cadeia() const { return "DRIVER=SQLite3;Database=" + pasta_ / "nfe.db"; }

  PastaTemporaria pasta_;
  std::unique_ptr<kiv::db::Sessao> sessao_;
};

TEST_F(SqliteOdbc, ReadsLongTextWholeInChunksWithItsAccents) {
  // Larger than any single read, with multi-byte characters astride every chunk boundary.
  std::string doc = kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-3.10-indented.xml"));
  std::string obs;
  while (obs.size() < 2 * 1024 * 1024) obs += "ç€𝄞ação ";
  doc.insert(doc.rfind("</"), "<!-- " + obs + "-->");
  const std::string pequeno = kiv::teste::LerArquivo(kiv::teste::Fixture("procEventoNFe-110111-cancel.xml"));
  sessao_->Executar("INSERT INTO NFE (ID, XML, OBS) VALUES (1, " + Literal(doc) + ", 'São Paulo')");
  sessao_->Executar("INSERT INTO NFE (ID, XML) VALUES (2, " + Literal(pequeno) + ")");
  sessao_->Executar("INSERT INTO NFE (ID, XML) VALUES (3, '')");

  auto c = sessao_->Consultar("SELECT ID, XML, OBS FROM NFE ORDER BY ID");
  ASSERT_EQ(c.ContaRegistros(), 3u);
  c.Primeiro();
  const std::string lido = c.Campo("xml");
  ASSERT_EQ(lido.size(), doc.size());
  EXPECT_TRUE(lido == doc);
  EXPECT_EQ(c.Campo("OBS"), "São Paulo");
  c.Proximo();
  EXPECT_EQ(c.Campo("Xml"), pequeno);
  EXPECT_EQ(c.Campo("OBS"), "") << "NULL reads as empty text";
  c.Proximo();
  EXPECT_EQ(c.Campo("XML"), "");
}

TEST_F(SqliteOdbc, ShowsNumbersAndDatesAsADatasetDoesAndNamesAMissingField) {
  kiv::teste::AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  sessao_->Executar(
      "INSERT INTO NFE (ID, VALOR, PRECO, DIA, MOMENTO) VALUES (7, 1.5, 12.50, '2012-03-05', '2012-03-15 14:30:05')");
  sessao_->Executar("INSERT INTO NFE (ID) VALUES (8)");
  auto c = sessao_->Consultar("SELECT ID, VALOR, PRECO, DIA, MOMENTO FROM NFE ORDER BY ID");
  ASSERT_EQ(c.ContaRegistros(), 2u);
  c.Primeiro();
  EXPECT_EQ(c.Campo("ID"), "7");
  EXPECT_EQ(c.Campo("VALOR"), "1,5");
  EXPECT_EQ(c.Campo("PRECO"), "12,5");
  EXPECT_EQ(c.Campo("DIA"), "05/03/2012");
  EXPECT_EQ(c.Campo("MOMENTO"), "15/03/2012 14:30:05");
  c.Proximo();
  for (const char* campo : {"VALOR", "PRECO", "DIA", "MOMENTO"}) EXPECT_EQ(c.Campo(campo), "") << campo;
  try {
    c.Campo("DOCUMENTO");
    FAIL() << "a missing field must fail";
  } catch (const kiv::db::ErroBanco& e) {
    EXPECT_NE(std::string(e.what()).find("DOCUMENTO"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(sessao_->Consultar("SELECT ID FROM NFE WHERE ID < 0").Vazio());
}

TEST_F(SqliteOdbc, ServesATBDThroughTheSessionFactory) {
  sessao_->Executar("INSERT INTO NFE (ID, XML) VALUES (1, '<NFe/>')");
  const std::string cadeia = Cadeia();
  kiv::db::DefinirFabricaSessao([cadeia](const kiv::db::TConexao& conexao) {
    EXPECT_EQ(conexao.DriverName, "DevartSQLServer");
    return AbrirSessaoOdbc(cadeia, kiv::db::OpcoesOdbcDe(conexao));
  });
  kiv::db::TBD bd;
  bd.SetTipo("Sql Server");
  ASSERT_TRUE(bd.Abrir()) << bd.MensagemErro();
  auto c = bd.Conexao().SessaoAberta().Consultar("SELECT XML FROM NFE");
  ASSERT_EQ(c.ContaRegistros(), 1u);
  EXPECT_EQ(c.Campo("XML"), "<NFe/>");
  try {
    bd.Conexao().SessaoAberta().Consultar("SELECT NADA FROM NFE");
    FAIL() << "the command must fail";
  } catch (const kiv::db::ErroBanco& e) {
    EXPECT_NE(std::string(e.what()).find("SQLSTATE"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("NADA"), std::string::npos) << e.what();
  }
}

}  // namespace
