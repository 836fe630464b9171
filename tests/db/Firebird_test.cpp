// The Firebird driver against an embedded database file the test makes: whole documents of any
// size, accents in every character set, NULLs, and numbers and dates as a dataset shows them.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/ErroBanco.h"
#include "db/KIVConexao.h"
#include "platform/PaginaCodigo.h"
#include "support/Ambiente.h"
#include "support/BancoFirebird.h"

namespace {

using kiv::teste::BancoFirebird;
using kiv::teste::PastaTemporaria;

const char* const kFixtures[] = {
    "nfeProc-2.00-compact.xml",
    "nfeProc-3.10-indented.xml",
    "nfeProc-4.00-indented-inherited-ns.xml",
    "nfeProc-4.00-indented.xml",
    "procEventoNFe-110111-cancel.xml",
};

const std::string kAcentos = "Ação Ótima — São Paulo, çãõéü";

// A fixture grown past 2 MB by an accented observation before its last closing tag.
std::string DocumentoGrande() {
  std::string doc = kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-4.00-indented.xml"));
  std::string obs = "<!-- ";
  while (obs.size() < 2 * 1024 * 1024) obs += kAcentos + " ";
  obs += "-->";
  doc.insert(doc.rfind("</"), obs);
  return doc;
}

kiv::db::Conjunto Selecionar(kiv::db::TBD& bd, const std::string& sql) {
  return bd.Conexao().SessaoAberta().Consultar(sql);
}

class BancoFirebirdTeste : public ::testing::Test {
 protected:
  void SetUp() override {
    banco_ = std::make_unique<BancoFirebird>(pasta_ / "nfe.fdb");
    banco_->Executar(
        "CREATE TABLE NFE (ID INTEGER NOT NULL PRIMARY KEY, "
        "XML BLOB SUB_TYPE TEXT CHARACTER SET UTF8, "
        "XML_WIN BLOB SUB_TYPE TEXT CHARACTER SET WIN1252, "
        "XML_NONE BLOB SUB_TYPE TEXT CHARACTER SET NONE, "
        "TEXTO_WIN VARCHAR(60) CHARACTER SET WIN1252, "
        "TEXTO_UTF VARCHAR(60) CHARACTER SET UTF8, "
        "TEXTO_NONE VARCHAR(60) CHARACTER SET NONE)");
  }

  // A TBD opened on the test's database, as a FIREBIRD job opens it.
  std::unique_ptr<kiv::db::TBD> Abrir() {
    banco_->Desligar();
    auto bd = std::make_unique<kiv::db::TBD>();
    bd->SetTipo("Firebird");
    bd->SetHost("ignored-host");
    bd->SetDataBase(banco_->Caminho());
    bd->SetUserName("SYSDBA");
    bd->SetPasswd("masterkey");
    EXPECT_TRUE(bd->Abrir()) << bd->MensagemErro();
    return bd;
  }

  PastaTemporaria pasta_;
  std::unique_ptr<BancoFirebird> banco_;
};

TEST_F(BancoFirebirdTeste, ReadsEveryDocumentWholeAndByteForByte) {
  std::vector<std::string> documentos;
  for (const char* nome : kFixtures) documentos.push_back(kiv::teste::LerArquivo(kiv::teste::Fixture(nome)));
  documentos.push_back(DocumentoGrande());
  std::vector<BancoFirebird::Valores> linhas;
  for (size_t i = 0; i < documentos.size(); ++i) {
    const std::string& d = documentos[i];
    linhas.push_back({std::to_string(i + 1), d, d, kiv::plataforma::ParaAnsi(d), std::nullopt, std::nullopt,
                      std::nullopt});
  }
  banco_->Inserir("NFE", {"ID", "XML", "XML_WIN", "XML_NONE", "TEXTO_WIN", "TEXTO_UTF", "TEXTO_NONE"}, linhas);

  auto bd = Abrir();
  auto conjunto = Selecionar(*bd, "SELECT ID, XML, XML_WIN, XML_NONE FROM NFE ORDER BY ID");
  ASSERT_EQ(conjunto.ContaRegistros(), documentos.size());
  size_t i = 0;
  for (conjunto.Primeiro(); !conjunto.Eof(); conjunto.Proximo(), ++i) {
    EXPECT_EQ(conjunto.Campo("id"), std::to_string(i + 1));
    // Whole and intact: sizes first, so a mismatch does not print megabytes.
    for (const char* campo : {"XML", "xml_win", "Xml_None"}) {
      const std::string lido = conjunto.Campo(campo);
      ASSERT_EQ(lido.size(), documentos[i].size()) << campo << " of row " << i + 1;
      EXPECT_TRUE(lido == documentos[i]) << campo << " of row " << i + 1;
    }
  }
  EXPECT_GT(documentos.back().size(), 2u * 1024 * 1024);
}

TEST_F(BancoFirebirdTeste, ReadsAccentsOfEveryCharacterSetAsUtf8AndNullAsEmpty) {
  // The NONE column holds what a legacy Windows program stored: Windows-1252 bytes. A second row
  // holds UTF-8 bytes there, which stay as they are.
  banco_->Inserir("NFE", {"ID", "TEXTO_WIN", "TEXTO_UTF", "TEXTO_NONE", "XML_NONE"},
                  {{"1", kAcentos, kAcentos, kiv::plataforma::ParaAnsi(kAcentos), kiv::plataforma::ParaAnsi(kAcentos)},
                   {"2", std::nullopt, std::nullopt, kAcentos, kAcentos},
                   {"3", std::nullopt, std::nullopt, std::nullopt, std::nullopt}});
  auto bd = Abrir();
  auto c = Selecionar(*bd, "SELECT TEXTO_WIN, TEXTO_UTF, TEXTO_NONE, XML_NONE, XML FROM NFE ORDER BY ID");
  ASSERT_EQ(c.ContaRegistros(), 3u);
  c.Primeiro();
  EXPECT_EQ(c.Campo("TEXTO_WIN"), kAcentos);
  EXPECT_EQ(c.Campo("TEXTO_UTF"), kAcentos);
  EXPECT_EQ(c.Campo("TEXTO_NONE"), kAcentos);
  EXPECT_EQ(c.Campo("XML_NONE"), kAcentos);
  EXPECT_EQ(c.Campo("XML"), "");
  c.Proximo();
  EXPECT_EQ(c.Campo("TEXTO_NONE"), kAcentos);
  EXPECT_EQ(c.Campo("XML_NONE"), kAcentos);
  c.Proximo();
  for (const char* campo : {"TEXTO_WIN", "TEXTO_UTF", "TEXTO_NONE", "XML_NONE", "XML"}) EXPECT_EQ(c.Campo(campo), "");
}

TEST_F(BancoFirebirdTeste, ShowsNumbersAndDatesAsADatasetDoes) {
  kiv::teste::AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  banco_->Executar(
      "CREATE TABLE VALORES (ID INTEGER, PEQUENO SMALLINT, GRANDE BIGINT, VALOR NUMERIC(15,2), "
      "CENTAVOS NUMERIC(4,2), REAL_D DOUBLE PRECISION, REAL_F FLOAT, DIA DATE, MOMENTO TIMESTAMP, "
      "MEIA_NOITE TIMESTAMP, HORA TIME, CODIGO CHAR(5) CHARACTER SET UTF8, SIGLA CHAR(4) CHARACTER SET NONE, "
      "ATIVO BOOLEAN)");
  banco_->Executar(
      "INSERT INTO VALORES VALUES (42, -7, 9007199254740993, 1234.50, -0.05, 1.5, 0.1, '2012-03-05', "
      "'2012-03-15 14:30:05', '2012-03-15 00:00:00', '08:09:10', 'ção', 'AB', TRUE)");
  auto bd = Abrir();
  auto c = Selecionar(*bd, "SELECT * FROM VALORES");
  ASSERT_EQ(c.ContaRegistros(), 1u);
  c.Primeiro();
  const std::pair<const char*, const char*> esperado[] = {
      {"ID", "42"},
      {"PEQUENO", "-7"},
      {"GRANDE", "9007199254740993"},
      {"VALOR", "1234,5"},
      {"CENTAVOS", "-0,05"},
      {"REAL_D", "1,5"},
      {"REAL_F", "0,1"},
      {"DIA", "05/03/2012"},
      {"MOMENTO", "15/03/2012 14:30:05"},
      {"MEIA_NOITE", "15/03/2012"},
      {"HORA", "08:09:10"},
      {"CODIGO", "ção  "},
      {"SIGLA", "AB  "},
      {"ATIVO", "True"},
  };
  for (const auto& [campo, valor] : esperado) EXPECT_EQ(c.Campo(campo), valor) << campo;
}

TEST_F(BancoFirebirdTeste, TellsAnEmptyResultApartAndNamesAMissingField) {
  auto bd = Abrir();
  auto c = Selecionar(*bd, "SELECT ID, XML FROM NFE");
  EXPECT_TRUE(c.Vazio());
  EXPECT_EQ(c.Campos(), (std::vector<std::string>{"ID", "XML"}));
  try {
    c.Campo("NFE_PROT");
    FAIL() << "a missing field must fail";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("NFE_PROT"), std::string::npos) << e.what();
  }
}

TEST_F(BancoFirebirdTeste, ReportsAFailingCommandInTheClientsWords) {
  auto bd = Abrir();
  try {
    Selecionar(*bd, "SELECT NO_SUCH_COLUMN FROM NFE");
    FAIL() << "the command must fail";
  } catch (const kiv::db::ErroBanco& e) {
    EXPECT_NE(std::string(e.what()).find("NO_SUCH_COLUMN"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("SQLSTATE"), std::string::npos) << e.what();
  }
}

}  // namespace
