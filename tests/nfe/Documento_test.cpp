#include "nfe/Documento.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "db/Conjunto.h"
#include "run/udmKIVVW.h"

namespace kiv::nfe {
namespace {

const std::string NS = "http://www.portalfiscal.inf.br/nfe";
const std::string B11(11, ' ');

TEST(NormalizarDocumento, Linhas) {
  struct Caso {
    const char* nome;
    std::string campo;
    std::string esperado;
  };
  const std::vector<Caso> casos = {
      {"CR LF, CR e LF misturados", "a\r\nb\rc\nd", "a\r\nb\r\nc\r\nd\r\n"},
      {"LF seguido de CR são duas quebras", "a\n\rb", "a\r\n\r\nb\r\n"},
      {"linhas vazias ficam", "a\n\n\nb\r\n", "a\r\n\r\n\r\nb\r\n"},
      {"uma quebra só", "\n", "\r\n"},
      {"já normalizado", "<a/>\r\n", "<a/>\r\n"},
      {"vazio", "", ""},
      {"NUL termina o texto", std::string("ab\0cd\ne", 7), "ab\r\n"},
      {"NUL no início", std::string("\0abc", 4), ""},
      {"fora da página de código", "Ação € ✓ 日本\n", "Ação € ? ??\r\n"},
  };
  for (const auto& c : casos) EXPECT_EQ(NormalizarDocumento(c.campo), c.esperado) << c.nome;
}

TEST(Marcadores, ContamDaSegundaPosicao) {
  struct Caso {
    std::string documento;
    size_t posicao;
    bool presente;
  };
  const std::vector<Caso> casos = {
      {"<infProt Id=\"1\">", 1, false},
      {" <infProt>", 2, true},
      {"<xNome>Conceição</xNome><infProt>", 25, true},
      {"<infprot>", 0, false},
      {"", 0, false},
  };
  for (const auto& c : casos) {
    EXPECT_EQ(PosicaoMarcador(c.documento, kMarcadorProtocolo), c.posicao) << c.documento;
    EXPECT_EQ(MarcadorPresente(c.documento, kMarcadorProtocolo), c.presente) << c.documento;
  }
}

TEST(DecidirEnvio, TabelaDeDecisao) {
  const std::string comEvento = "<nfeProc><protNFe><infProt/></protNFe></nfeProc><procEventoNFe/>";
  const std::string semEvento = "<nfeProc><protNFe><infProt/></protNFe></nfeProc>";
  using Tipos = std::vector<std::string>;
  struct Caso {
    const char* nome;
    std::string documento;
    bool rE, rC;
    Tipos tipos;
  };
  const std::vector<Caso> casos = {
      {"evento, nada enviado", comEvento, false, false, {"E", "C"}},
      {"evento, E enviado", comEvento, true, false, {"C"}},
      {"evento, C enviado", comEvento, false, true, {"E"}},
      {"evento, ambos enviados", comEvento, true, true, {}},
      {"sem evento, nada enviado", semEvento, false, false, {"E"}},
      {"sem evento, C enviado", semEvento, false, true, {"E"}},
      {"sem evento, E enviado", semEvento, true, false, {}},
      {"sem evento, ambos enviados", semEvento, true, true, {}},
      // what counts as carrying an event
      {"evento sem protocolo", "<a/><procEventoNFe/>", false, false, {"E"}},
      {"evento só na tag de fim", "<a><infProt/></procEventoNFe>", false, false, {"E", "C"}},
      {"protocolo na posição 1", "<infProt/><procEventoNFe/>", false, false, {"E"}},
      {"documento vazio", "", false, false, {"E"}},
  };
  const std::string chave = "K1";
  for (const auto& c : casos) {
    std::set<std::pair<std::string, std::string>> registro;
    if (c.rE) registro.insert({chave, "E"});
    if (c.rC) registro.insert({chave, "C"});
    registro.insert({"outra", "E"});
    const auto contem = [&](const std::string& k, const std::string& t) { return registro.count({k, t}) > 0; };
    EXPECT_EQ(DecidirEnvio(c.documento, chave, contem), c.tipos) << c.nome;
  }
}

// An nfeProc whose NFe holds `conteudo` (the infNFe and whatever surrounds it).
std::string Processado(const std::string& conteudo) {
  return "<nfeProc versao=\"9.99\" xmlns=\"" + NS + "\"><NFe xmlns=\"" + NS + "\">" + conteudo +
         "</NFe><protNFe versao=\"9.99\"><infProt>1</infProt></protNFe></nfeProc>\r\n";
}

TEST(MontarDocumento, LeiauteVemDoInfNFe) {
  struct Caso {
    const char* conteudo;
    const char* leiaute;
  };
  const std::vector<Caso> casos = {
      {"<infNFe versao=\"3.10\" Id=\"NFe1\"/>", "3.10"},
      {"<infNFe Id=\"NFe1\" versao=\"3.10\"/>", "3.10"},
      {"<infNFe Id=\"NFe1\"\r\n  versao = '4.00' />", "4.00"},
      {"<infNFe Id=\"NFe1\" versao=\"4.00\"><ide/></infNFe>", "4.00"},
      {"<ns2:infNFe Id=\"NFe1\" versao=\"4.00\"/>", "4.00"},
      {"<infNFe versao=\"2.00\" Id=\"NFe1\"/>", "2.00"},
      {"<infNFe Id=\"NFe1\"/>", "2.00"},
      {"<infNFe Id=\"NFe1\" versao=\"5.00\"/>", "2.00"},
      {"<infNFe Id=\"versao\" xversao=\"4.00\"/>", "2.00"},
      {"<infNFeSupl versao=\"4.00\"/><infNFe Id=\"NFe1\" versao=\"3.10\"/>", "3.10"},
      {"<infNFe Id=\"NFe1\" versao=\"4.00\"/><infNFe Id=\"NFe2\" versao=\"2.00\"/>", "4.00"},
      // the old marker anywhere still labels the document 3.10, as it always did
      {"<infNFe Id=\"NFe1\" versao=\"4.00\"/><infNFe versao=\"3.10\"/>", "3.10"},
  };
  for (const auto& c : casos) {
    const std::string nfe = "<NFe xmlns=\"" + NS + "\">" + c.conteudo + "</NFe>";
    const std::string inicio = "<nfeProc versao=\"" + std::string(c.leiaute) + "\" xmlns=\"" + NS + "\">";
    const std::string protNFe = "<protNFe versao=\"9.99\"><infProt>1</infProt></protNFe>";
    EXPECT_EQ(MontarDocumento(Processado(c.conteudo), "E", false), inicio + nfe + protNFe + "</nfeProc>")
        << c.conteudo;
    EXPECT_EQ(MontarDocumento(nfe + "\r\n" + protNFe + "\r\n", "E", true),
              inicio + nfe + B11 + "<protNFe versao=\"" + c.leiaute + "\"><infProt>1</infProt>" + B11 +
                  "</protNFe></nfeProc>")
        << c.conteudo;
  }
}

TEST(MontarDocumento, InformixEnvolveOInfProt) {
  const std::string documento =
      "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe1\" versao=\"4.00\"/></NFe>\r\n"
      "<protNFe versao=\"4.00\"><infProt Id=\"P\">x</infProt></protNFe>\r\n";
  EXPECT_EQ(MontarDocumento(documento, "E", true),
            "<nfeProc versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
            "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe1\" versao=\"4.00\"/></NFe>"
            "           <protNFe versao=\"4.00\"><infProt Id=\"P\">x</infProt>           </protNFe></nfeProc>");
  // Without an NFe the fragments still stand around whatever was found.
  EXPECT_EQ(MontarDocumento("<infProt>x</infProt>\r\n", "E", true),
            "<nfeProc versao=\"2.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\">"
            "           <protNFe versao=\"2.00\"><infProt>x</infProt>           </protNFe></nfeProc>");
}

TEST(MontarDocumento, SchemaLocationRemovidoEmQualquerCaixa) {
  const std::string documento =
      "<nfeProc versao=\"2.00\" xmlns=\"" + NS + "\"><NFe xmlns=\"" + NS +
      "\" XSI:SchemaLocation=\"HTTP://www.portalfiscal.inf.br/NFe procNFe_V2.00.XSD\""
      " xsi:schemaLocation=\"" + NS + " nfe_v2.00.xsd\"><infNFe versao=\"2.00\" Id=\"NFe1\"/></NFe>"
      "<protNFe versao=\"2.00\"><infProt>x</infProt></protNFe></nfeProc>\r\n";
  EXPECT_EQ(MontarDocumento(documento, "E", false),
            "<nfeProc versao=\"2.00\" xmlns=\"" + NS + "\"><NFe xmlns=\"" + NS + "\" xsi:schemaLocation=\"" + NS +
                " nfe_v2.00.xsd\"><infNFe versao=\"2.00\" Id=\"NFe1\"/></NFe>"
                "<protNFe versao=\"2.00\"><infProt>x</infProt></protNFe></nfeProc>");
}

TEST(MontarDocumento, CorpoVazio) {
  const std::string evento = "<procEventoNFe versao=\"1.00\"><evento><chNFe>1</chNFe></evento></procEventoNFe>\r\n";
  const std::string nota = Processado("<infNFe Id=\"NFe1\" versao=\"4.00\"/>");
  EXPECT_EQ(MontarDocumento(evento, "E", false), "");  // no NFe element: no nfeProc
  EXPECT_EQ(MontarDocumento(nota, "C", false), "");
  EXPECT_EQ(MontarDocumento(nota, "C", true), "");
  EXPECT_EQ(MontarDocumento(evento, "C", true), evento.substr(0, evento.size() - 2));
}

// The run module reads the row's document column, and the protocol column under Informix.
TEST(MontarXml, LeAsColunasDaLinha) {
  struct Caso {
    const char* tipo;
    std::string esperado;
  };
  const std::vector<Caso> casos = {
      {"Informix", "<NFe>ç</NFe>\r\n<protNFe/>\r\n"},
      {"ORACLE", "<NFe>ç</NFe>\r\n"},
  };
  for (const auto& c : casos) {
    run::TdmKIVVW dm;
    dm.Schema()->Origem()->Result()->Set_Dados("XML_NFE");
    dm.BD().SetTipo(c.tipo);
    dm.cdsNFeDados() = db::Conjunto({"xml_nfe", "NFE_PROT"}, {{std::string("<NFe>ç</NFe>\n"), std::string("<protNFe/>")}});
    dm.cdsNFeDados().Primeiro();
    EXPECT_EQ(dm.MontarXml(), c.esperado) << c.tipo;

    dm.cdsNFeDados() = db::Conjunto({"XML_NFE"}, {{std::nullopt}});
    dm.cdsNFeDados().Primeiro();
    if (std::string(c.tipo) == "ORACLE")
      EXPECT_EQ(dm.MontarXml(), "");
    else
      EXPECT_ANY_THROW(dm.MontarXml());  // the protocol column is missing
  }
}

}  // namespace
}  // namespace kiv::nfe
