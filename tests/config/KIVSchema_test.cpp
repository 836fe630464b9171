#include "config/KIVSchema.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "support/Ambiente.h"

namespace {

using kiv::config::CarregarSelecao;
using kiv::config::ErroConfiguracao;
using kiv::config::IXMLTSelecao;
using kiv::teste::EscreverArquivo;
using kiv::teste::PastaTemporaria;

class Configuracao : public ::testing::Test {
 protected:
  std::shared_ptr<IXMLTSelecao> Carregar(const std::string& xml) {
    const std::string caminho = pasta / "job.xml";
    EscreverArquivo(caminho, xml);
    return CarregarSelecao(caminho);
  }
  std::string FalhaAoCarregar(const std::string& xml) {
    try {
      Carregar(xml);
    } catch (const ErroConfiguracao& e) {
      return e.what();
    }
    return "(loaded)";
  }
  PastaTemporaria pasta;
};

const char* kCompleta = R"(<?xml version="1.0" encoding="UTF-8"?>
<Selecao xmlns="urn:kivxmlvw:selecao">
  <Nome>Notas VW</Nome>
  <Origem>
    <Banco>
      <Tipo>FIREBIRD</Tipo>
      <Host>db1</Host>
      <DataBase>/var/lib/dms.fdb</DataBase>
      <User>SYSDBA</User>
      <Passwd>s3cr&amp;t</Passwd>
    </Banco>
    <Execute><![CDATA[SELECT x#X# FROM t WHERE a < 3]]></Execute>
    <Result><Tipo>FileSystem</Tipo><Destino>/tmp/out</Destino><Dados>XML</Dados><Mascara>@NUM@.xml</Mascara></Result>
  </Origem>
  <Destino><Soap><Url>  http://127.0.0.1:8080/ws  </Url></Soap></Destino>
</Selecao>)";

TEST_F(Configuracao, ReadsEveryValueTheRunUses) {
  auto s = Carregar(kCompleta);
  auto banco = s->Origem()->Banco();
  EXPECT_EQ(banco->Tipo(), "FIREBIRD");
  EXPECT_EQ(banco->Host(), "db1");
  EXPECT_EQ(banco->DataBase(), "/var/lib/dms.fdb");
  EXPECT_EQ(banco->User(), "SYSDBA");
  EXPECT_EQ(banco->Passwd(), "s3cr&t");
  EXPECT_EQ(s->Origem()->Execute(), "SELECT x#X# FROM t WHERE a < 3");
  auto result = s->Origem()->Result();
  EXPECT_EQ(result->Tipo(), "FileSystem");
  EXPECT_EQ(result->Destino(), "/tmp/out");
  EXPECT_EQ(result->Dados(), "XML");
  EXPECT_EQ(result->Mascara(), "@NUM@.xml");
  EXPECT_EQ(s->Destino()->Soap()->Url(), "  http://127.0.0.1:8080/ws  ") << "nothing is trimmed";
  EXPECT_EQ(s->Nome(), "Notas VW");
}

// How the matching rule and the single-text rule read `Origem/Banco/Tipo`.
TEST_F(Configuracao, MatchingRuleTable) {
  struct Caso {
    const char* nome;
    const char* xml;
    const char* tipo;  // nullptr: the read fails with the single-text message
  } casos[] = {
      {"namespace URI in other letter case",
       R"(<Selecao xmlns="URN:KIVXMLVW:Selecao"><Origem><Banco><Tipo>ORACLE</Tipo></Banco></Origem></Selecao>)", "ORACLE"},
      {"prefixed namespace",
       R"(<k:Selecao xmlns:k="urn:kivxmlvw:selecao"><k:Origem><k:Banco><k:Tipo>ORACLE</k:Tipo></k:Banco></k:Origem></k:Selecao>)",
       "ORACLE"},
      {"empty default namespace on Origem",
       R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem xmlns=""><Banco><Tipo>ORACLE</Tipo></Banco></Origem></Selecao>)", ""},
      {"lower-case origem is another element",
       R"(<Selecao xmlns="urn:kivxmlvw:selecao"><origem><Banco><Tipo>ORACLE</Tipo></Banco></origem></Selecao>)", ""},
      {"two Banco elements: the first wins",
       R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem><Banco><Tipo>A</Tipo></Banco><Banco><Tipo>B</Tipo></Banco></Origem></Selecao>)",
       "A"},
      {"missing element reads empty", R"(<Selecao xmlns="urn:kivxmlvw:selecao"/>)", ""},
      {"blank-only value reads empty",
       R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem><Banco><Tipo>   </Tipo></Banco></Origem></Selecao>)", ""},
      {"CDATA with layout around it",
       "<Selecao xmlns=\"urn:kivxmlvw:selecao\"><Origem><Banco><Tipo>\n  <![CDATA[SQL SERVER]]>\n</Tipo></Banco></Origem></Selecao>",
       "SQL SERVER"},
      {"a comment inside the value",
       R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem><Banco><Tipo>OR<!-- x -->ACLE</Tipo></Banco></Origem></Selecao>)", nullptr},
      {"an element where text belongs",
       R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem><Banco><Tipo><b>ORACLE</b></Tipo></Banco></Origem></Selecao>)", nullptr},
  };
  for (const auto& c : casos) {
    auto s = Carregar(c.xml);
    if (c.tipo) {
      EXPECT_EQ(s->Origem()->Banco()->Tipo(), c.tipo) << c.nome;
    } else {
      try {
        s->Origem()->Banco()->Tipo();
        ADD_FAILURE() << c.nome << ": read did not fail";
      } catch (const ErroConfiguracao& e) {
        EXPECT_STREQ(e.what(), "Element \"Tipo\" does not contain a single text node") << c.nome;
      }
    }
  }
}

TEST_F(Configuracao, ExecuteWithACommentFailsWithItsQualifiedName) {
  auto s = Carregar(R"(<k:Selecao xmlns:k="urn:kivxmlvw:selecao"><k:Origem><k:Execute>SELECT <!-- c --> 1</k:Execute></k:Origem></k:Selecao>)");
  EXPECT_THROW(
      {
        try {
          s->Origem()->Execute();
        } catch (const ErroConfiguracao& e) {
          EXPECT_STREQ(e.what(), "Element \"k:Execute\" does not contain a single text node");
          throw;
        }
      },
      ErroConfiguracao);
}

TEST_F(Configuracao, RefusesDocumentsThatAreNotAJob) {
  struct Caso {
    const char* nome;
    const char* xml;
    const char* inicio;  // the message begins with this
  } casos[] = {
      {"no namespace", "<Selecao><Origem/></Selecao>", "Interface not supported"},
      {"other namespace", R"(<Selecao xmlns="urn:outro"/>)", "Interface not supported"},
      {"other root", R"(<Job xmlns="urn:kivxmlvw:selecao"/>)", "Interface not supported"},
      {"not well-formed", "<Selecao xmlns=\"urn:kivxmlvw:selecao\">\n  <Origem>\n</Selecao>", ""},
      {"undeclared prefix", "<k:Selecao/>", ""},
      {"not XML", "hello", ""},
      {"empty file", "", ""},
  };
  for (const auto& c : casos) {
    const std::string msg = FalhaAoCarregar(c.xml);
    EXPECT_NE(msg, "(loaded)") << c.nome;
    EXPECT_EQ(msg.rfind(c.inicio, 0), 0u) << c.nome << ": " << msg;
  }
}

TEST_F(Configuracao, ParserFailureNamesReasonLineAndSource) {
  const std::string msg = FalhaAoCarregar(
      "<Selecao xmlns=\"urn:kivxmlvw:selecao\">\n<Origem><Execute>SELECT a FROM tabela_com_nome_bem_comprido WHERE x</Origem>\n</Selecao>");
  const auto linha = msg.find("\r\nLine: 2\r\n");
  ASSERT_NE(linha, std::string::npos) << msg;
  EXPECT_GT(linha, 0u) << "the reason comes first";
  EXPECT_EQ(msg.substr(linha + 11), "<Origem><Execute>SELECT a FROM tabela_co") << "its first 40 characters";
}

TEST_F(Configuracao, HostileFilesFailWithoutReadingOutside) {
  const std::string entidadeExterna =
      "<?xml version=\"1.0\"?><!DOCTYPE Selecao [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
      "<Selecao xmlns=\"urn:kivxmlvw:selecao\"><Origem><Execute>&x;</Execute></Origem></Selecao>";
  auto s = Carregar(entidadeExterna);
  EXPECT_THROW(s->Origem()->Execute(), ErroConfiguracao) << "an entity reference is not a text value";

  std::string risos = "<?xml version=\"1.0\"?><!DOCTYPE Selecao [<!ENTITY a \"ha\">";
  for (char c = 'b'; c <= 'k'; ++c) {
    risos += std::string("<!ENTITY ") + c + " \"";
    for (int i = 0; i < 10; ++i) risos += std::string("&") + static_cast<char>(c - 1) + ";";
    risos += "\">";
  }
  risos += "]><Selecao xmlns=\"urn:kivxmlvw:selecao\"><Origem><Execute>&k;</Execute></Origem></Selecao>";
  const std::string msg = FalhaAoCarregar(risos);
  if (msg == "(loaded)") {
    EXPECT_THROW(Carregar(risos)->Origem()->Execute(), ErroConfiguracao);
  }
}

TEST_F(Configuracao, MissingFileOrFolderFails) {
  EXPECT_THROW(CarregarSelecao(pasta / "nao-existe.xml"), ErroConfiguracao);
  EXPECT_THROW(CarregarSelecao(pasta.Caminho()), ErroConfiguracao);
}

TEST_F(Configuracao, WritesStayInMemory) {
  const std::string caminho = pasta / "job.xml";
  EscreverArquivo(caminho, kCompleta);
  auto s = CarregarSelecao(caminho);
  EXPECT_EQ(s->Origem()->Banco()->DMS(), "");
  s->Origem()->Banco()->Set_Tipo("ORACLE <&>");
  EXPECT_EQ(s->Origem()->Banco()->Tipo(), "ORACLE <&>");
  s->Agendamento()->Set_Horario("10:00");
  EXPECT_EQ(s->Agendamento()->Horario(), "10:00");
  EXPECT_EQ(kiv::teste::LerArquivo(caminho), kCompleta) << "the file on disk is never written";
}

TEST_F(Configuracao, CamposItemsSkipOtherChildren) {
  auto s = Carregar(R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Campos>
      <Campo Sequencia="1"><Nome>A</Nome></Campo><!-- comentario --><Campo><Nome>B</Nome></Campo></Campos></Selecao>)");
  auto campos = s->Campos();
  ASSERT_EQ(campos->Count(), 2);
  EXPECT_EQ(campos->Campo(0)->Sequencia(), "1");
  EXPECT_EQ(campos->Campo(1)->Nome(), "B");
  EXPECT_EQ(campos->Campo(1)->Sequencia(), "");
  EXPECT_THROW(campos->Campo(2), ErroConfiguracao);
  auto novo = campos->Add();
  novo->Set_Nome("C");
  EXPECT_EQ(campos->Count(), 3);
  EXPECT_EQ(campos->Campo(2)->Nome(), "C");
  auto meio = campos->Insert(2);  // the index counts items only, not the comment before B
  meio->Set_Nome("X");
  EXPECT_EQ(campos->Campo(1)->Nome(), "B");
  EXPECT_EQ(campos->Campo(2)->Nome(), "X");
  EXPECT_EQ(campos->Remove(meio), 2);
  auto primeiro = campos->Insert(0);
  primeiro->Set_Sequencia("0");
  EXPECT_EQ(campos->Campo(0)->Sequencia(), "0");
  EXPECT_EQ(campos->Remove(primeiro), 0);
  campos->Delete(0);
  EXPECT_EQ(campos->Campo(0)->Nome(), "B");
  campos->Clear();
  EXPECT_EQ(campos->Count(), 0);
}

TEST(NovaSelecao, IsAnEmptyJobInTheConfigurationNamespace) {
  auto s = kiv::config::NovaSelecao();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Origem()->Banco()->Tipo(), "");
  s->Destino()->Soap()->Set_Url("http://x");
  EXPECT_EQ(s->Destino()->Soap()->Url(), "http://x");
}

}  // namespace
