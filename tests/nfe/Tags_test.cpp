#include "nfe/Tags.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kiv::nfe {
namespace {

const std::string K = "35170358716523000119550010000000301000000300";
const std::string K2 = "42200310845180000166550010000016291182910233";

std::string Repetir(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

TEST(ObterChave, Casos) {
  struct Caso {
    const char* nome;
    std::string documento;
    std::string chave;
  };
  const std::vector<Caso> casos = {
      // Id attribute of the infNFe, wherever it stands among the attributes
      {"Id depois de versao", "<NFe><infNFe versao=\"4.00\" Id=\"NFe" + K + "\" x=\"1\"><ide/></infNFe></NFe>", K},
      {"Id primeiro", "<NFe><infNFe Id=\"NFe" + K + "\" versao=\"3.10\">", K},
      {"Reference URI antes", "<x URI=\"#NFe" + K2 + "\"/><infNFe Id=\"NFe" + K + "\">", K},
      {"aspas simples", "<infNFe Id='NFe" + K + "'>", ""},
      {"Id sem NFe", "<infNFe Id=\"ID" + K + "\">", ""},
      {"sem Id", "<NFe><infNFe versao=\"4.00\"/></NFe>", ""},
      {"cauda curta", "<infNFe Id=\"NFe1234", "1234"},
      {"conta caracteres", "<infNFe Id=\"NFe" + Repetir("é", 50), Repetir("é", 44)},
      // events: the first chNFe, even when an NFe with an Id is there too
      {"evento", "<procEventoNFe><evento><chNFe>" + K2 + "</chNFe></evento><retEvento><chNFe>" + K + "</chNFe>", K2},
      {"evento com NFe", "<infNFe Id=\"NFe" + K + "\"/><procEventoNFe><chNFe>" + K2 + "</chNFe>", K2},
      {"evento só no fim", "<infNFe Id=\"NFe" + K + "\"/><chNFe>" + K2 + "</chNFe></procEventoNFe>", K2},
      {"evento sem chNFe", "<procEventoNFe><infNFe Id=\"NFe" + K + "\"/></procEventoNFe>", ""},
      {"vazio", "", ""},
  };
  for (const auto& c : casos) EXPECT_EQ(ObterChave(c.documento), c.chave) << c.nome;
}

TEST(ValorTag, Casos) {
  struct Caso {
    const char* nome;
    std::string texto;
    const char* tag;
    bool comTags;
    std::string esperado;
  };
  const std::vector<Caso> casos = {
      // value and element
      {"valor", "<a><chNFe>123</chNFe></a>", "chNFe", false, "123"},
      {"elemento", "<a><chNFe>123</chNFe></a>", "chNFe", true, "<chNFe>123</chNFe>"},
      {"com atributo", "<infProt Id=\"ID1\"><nProt>9</nProt></infProt>", "infProt", true,
       "<infProt Id=\"ID1\"><nProt>9</nProt></infProt>"},
      {"primeira ocorrência", "<c>1</c><c>2</c>", "c", false, "1"},
      {"acentos contam como um caractere", "<xNome>Conceição</xNome>", "xNome", false, "Conceição"},
      {"caractere antes da barra", "<chNFe>12é/chNFe>", "chNFe", false, "12"},
      {"caractere antes do nome", "aéNFe>1</NFe>", "NFe", true, "éNFe>1</NFe>"},
      // the "ns2:" prefix
      {"ns2 valor", "<r><ns2:chNFe>123</ns2:chNFe></r>", "chNFe", false, "123"},
      {"ns2 elemento", "<r><ns2:NFe xmlns:ns2=\"u\"><ns2:infNFe/></ns2:NFe></r>", "NFe", true,
       "<ns2:NFe xmlns:ns2=\"u\"><ns2:infNFe/></ns2:NFe>"},
      {"ns2 sem fim", "<r><ns2:NFe><ns2:infNFe/></r>", "NFe", true, ""},
      // not found
      {"autofechado valor", "<a><chNFe/></a>", "chNFe", false, ""},
      {"autofechado elemento", "<a><chNFe/></a>", "chNFe", true, ""},
      {"ausente valor", "<a>1</a>", "chNFe", false, ""},
      {"ausente elemento", "<a>1</a>", "chNFe", true, ""},
      {"sem fim elemento", "<infNFe></infNFe>", "NFe", true, ""},
      {"texto vazio", "", "NFe", true, ""},
      // the name matches inside longer names
      {"NFe dentro de procEventoNFe", "<procEventoNFe><NFe>x</NFe></procEventoNFe>", "NFe", true,
       "oNFe><NFe>x</NFe>"},
      {"NFe dentro de chNFe", "<chNFe>1</chNFe><NFe>x</NFe>", "NFe", true, "hNFe>1</chNFe><NFe>x</NFe>"},
      {"nome no primeiro caractere", "NFe>x</NFe>yz", "NFe", true, "NFe>x</NFe>y"},
      // an end tag with a blank before ">"
      {"fim com branco elemento", "<chNFe>1</chNFe >", "chNFe", true, "<chNFe>1</chNFe "},
      {"fim com branco valor", "<chNFe>1</chNFe >", "chNFe", false, "1"},
  };
  for (const auto& c : casos) EXPECT_EQ(ValorTag(c.texto, c.tag, c.comTags), c.esperado) << c.nome;
}

TEST(BoolTexto, TextoDoLog) {
  EXPECT_EQ(BoolTexto(true), "True");
  EXPECT_EQ(BoolTexto(false), "False");
}

}  // namespace
}  // namespace kiv::nfe
