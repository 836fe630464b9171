#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "db/KIVFuncoes.h"
#include "support/Ambiente.h"

namespace {

using kiv::db::ContaOcorrencias;
using kiv::db::ExtraiToken;
using kiv::db::PreparaComando;
using kiv::teste::AmbienteFixo;

const std::string kNaoSelect = "ERRO: Comando deve ser apenas SELECT!";
const std::string kSemAlias = "ERRO: Verifica se todos os campos de retorno do SELECT estão com ALIAS com caracter #.";
const std::string kOperacaoInvalida = "ERRO: Comando com operação inválida!";
const std::string kFuncaoInvalida = "ERRO: Comando com função inválida!";
const std::string kTagInvalida = "ERRO: Comando com operação inválida: Tag!";

class Preparacao : public ::testing::Test {
 protected:
  AmbienteFixo ambiente{kiv::teste::Marco2012(), kiv::teste::RegionalBrasil()};

  // The condition of a validated command, prepared for the engine.
  static std::string Condicao(const std::string& trecho, const std::string& tipo, const std::string& documento = "") {
    const std::string prefixo = "SELECT a#A# FROM t WHERE c = ";
    const std::string r = PreparaComando(prefixo + trecho, tipo, "X", documento);
    if (r.rfind("ERRO", 0) == 0) return r;
    return r.substr(std::string("SELECT aA FROM t WHERE c = ").size());
  }
};

TEST_F(Preparacao, ExpandsTheMacrosForTheEngine) {
  struct Caso {
    std::string tipo, trecho, esperado;
  };
  const Caso casos[] = {
      {"ORACLE", "@$HOJE$-1@", "TO_DATE('14/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@$HOJE$ - 7@", "TO_DATE('08/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@$HOJE$+0.4@", "TO_DATE('16/03/2012','dd/mm/yyyy')"},  // 14:30 plus 9.6 hours
      {"ORACLE", "@$HOJE$+0.3@", "TO_DATE('15/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "$HOJE$", "TO_DATE('15/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@$PDIA$@", "TO_DATE('01/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@10*(2+3)@", "50"},
      {"ORACLE", "@7/2@", "4"},
      {"SQL SERVER", "@$HOJE$-1@", "CAST('14-03-2012' AS DATETIME)"},
      {"SQL SERVER", "@$PDIA$@", "CAST('01-03-2012 00:00:00' AS DATETIME)"},
      {"sql server", "$HOJE$", "CAST('15-03-2012' AS DATETIME)"},
      {"FIREBIRD", "@$HOJE$-7@", "CAST('2012-03-08' AS DATE)"},
      {"INFORMIX", "@$PDIA$@", "to_date('2012.03.01', '%Y.%m.%d')"},
      {"DB2", "@$HOJE$@", "CAST('2012-03-15-00.00.00.000000' AS TIMESTAMP)"},
      {"DB2", "@$PDIA$@", "CAST('2012-03-01' AS DATE)"},
      // letter case of the macros, and what else a group holds
      {"ORACLE", "$hoje$", "TO_DATE('15/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@$Hoje$-1@", "TO_DATE('14/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@$PDIA$-1@", "TO_DATE('01/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@$pdia$@", "TO_DATE('01/03/2012','dd/mm/yyyy')"},
      {"ORACLE", "@@", "0"},
      {"ORACLE", "@$TAG$chNFe@", "0"},  // no document: arithmetic
      {"ORACLE", "@ -2.5 @", "-3"},
      // every written form of a group goes at once, in any letter case
      {"ORACLE", "@2+3@ OR d = @2+3@", "5 OR d = 5"},
      {"ORACLE", "@x+1@ OR d = @X+1@", "0 OR d = 0"},
      {"ORACLE", "@1@@2@", "12"},
  };
  for (const auto& c : casos) EXPECT_EQ(Condicao(c.trecho, c.tipo), c.esperado) << c.tipo << " " << c.trecho;

  EXPECT_EQ(PreparaComando("SELECT d#D# FROM t WHERE dt >= @$HOJE$-7@ AND n = @10*(2+3)@;", "FIREBIRD", "X", ""),
            "SELECT dD FROM t WHERE dt >= CAST('2012-03-08' AS DATE) AND n = 50 ");
}

TEST_F(Preparacao, TodayGivesTheSameLiteralInsideAndOutsideAGroup) {
  for (const std::string tipo : {"ORACLE", "OR", "IB", "DB2", "SQL SERVER", "INFORMIX", "FIREBIRD", ""})
    EXPECT_EQ(Condicao("@$HOJE$@", tipo), Condicao("$HOJE$", tipo)) << tipo;
}

TEST_F(Preparacao, DateArithmeticUnderAPointDecimalSeparator) {
  auto regional = kiv::teste::RegionalBrasil();
  regional.separadorDecimal = ".";
  AmbienteFixo ponto(kiv::teste::Marco2012(), regional);
  EXPECT_EQ(Condicao("@$HOJE$+0.4@", "ORACLE"), "TO_DATE('16/03/2012','dd/mm/yyyy')");
  EXPECT_EQ(Condicao("@$HOJE$-7@", "ORACLE"), "TO_DATE('08/03/2012','dd/mm/yyyy')");
}

TEST_F(Preparacao, FirstDayOfTheMonthWhateverTheShortDateFormat) {
  struct Caso {
    kiv::plataforma::DataHora agora;
    std::string formato, separador;
  };
  const Caso casos[] = {
      {{2012, 3, 15, 14, 30, 0, 0}, "MM/dd/yyyy", "/"},  // month first: day 15 read as a month
      {{2012, 3, 5, 0, 0, 0, 0}, "M/d/yy", "/"},         // month first: would read 5 January
      {{2012, 3, 5, 0, 0, 0, 0}, "yyyy-MM-dd", "-"},
      {{2012, 3, 5, 0, 0, 0, 0}, "dd.MM.yy", "."},
  };
  for (const auto& c : casos) {
    AmbienteFixo ambiente(c.agora, {".", c.separador, c.formato, ":"});
    EXPECT_EQ(Condicao("@$PDIA$@", "ORACLE"), "TO_DATE('01/03/2012','dd/mm/yyyy')") << c.formato;
  }
}

TEST_F(Preparacao, CleansAliasMarksAndSemicolons) {
  struct Caso {
    std::string comando, validacao, esperado;
  };
  const Caso casos[] = {
      {"SELECT a#X# FROM t;", "X", "SELECT aX FROM t "},
      {"select a# from t", "X", "select a from t"},
      {"SELECT a# FROM t;\r\n", "X", "SELECT a FROM t "},  // trimmed before ";" becomes a blank
      {"SELECT a# FROM t; SELECT b# FROM u;", "X", "SELECT a FROM t  SELECT b FROM u "},
      // without validation nothing is refused up front, and the clean-up is the same
      {"UPDATE t SET a#b = 1;", "", "UPDATE t SET ab = 1 "},
      {"  SELECT a FROM t  ", "x", "SELECT a FROM t"},
      {"DELETE FROM t WHERE n = @1+1@", "N", "DELETE FROM t WHERE n = 2"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(PreparaComando(c.comando, "ORACLE", c.validacao, ""), c.esperado) << c.comando;
}

TEST_F(Preparacao, RefusesWithTheReason) {
  struct Caso {
    std::string comando, validacao, documento, esperado;
  };
  const std::string doc = "<nfe><chNFe>123</chNFe><obs>a#b</obs></nfe>";
  const Caso casos[] = {
      {"UPDATE t SET a# = 1", "X", "", kNaoSelect},
      {" SELECT a# FROM t", "X", "", kNaoSelect},
      {"\nSELECT a# FROM t", "X", "", kNaoSelect},
      {"SELEC", "X", "", kNaoSelect},
      {"", "X", "", kNaoSelect},
      {"UPDATE t", "X", "", kNaoSelect},  // the SELECT test comes first
      {"SELECT a FROM t", "X", "", kSemAlias},
      {"SELECT a# FROM t WHERE n = @5@ AND m = @", "X", "", kOperacaoInvalida},
      {"SELECT a# FROM t WHERE n = @5", "", "", kOperacaoInvalida},
      {"SELECT a# FROM t WHERE d = $PDIA$", "X", "", kFuncaoInvalida},
      {"SELECT a# FROM sys$tables", "X", "", kFuncaoInvalida},
      {"SELECT a# FROM t WHERE s = 'US$'", "X", "", kFuncaoInvalida},
      {"SELECT a# FROM t WHERE k = $TAG$chNFe", "X", doc, kFuncaoInvalida},
      {"SELECT a# FROM t WHERE k = '@$Tag$cStat@'", "X", doc, kTagInvalida},
      {"SELECT a# FROM t WHERE k = '@$Tag$obs@'", "X", doc, kTagInvalida},
      {"SELECT a# FROM t WHERE k = '@$Tag$chNFe@'", "X", "not xml", kTagInvalida},
      {"SELECT a# FROM t WHERE k = @ AND s = '$'", "X", "", kOperacaoInvalida},  // "@" is checked before "$"
  };
  for (const auto& c : casos)
    EXPECT_EQ(PreparaComando(c.comando, "ORACLE", c.validacao, c.documento), c.esperado) << c.comando;
}

TEST_F(Preparacao, OtherFailuresAreRaised) {
  struct Caso {
    std::string trecho, mensagem;
  };
  const Caso casos[] = {
      {"@1/0@", "Divisão por zero na expressão: 1/0"},
      {"@$HOJE$/0@", "Divisão por zero na expressão: 40983.6041666667/0"},
      {"@" + std::string(100000, '(') + "@", "Expressão aninhada demais"},
      {"@" + std::string(100000, '-') + "1@", "Expressão aninhada demais"},
      {"@$HOJE$*1000@", "Data fora do intervalo válido: 40983604,1666667014"},
      {"@9" + std::string(400, '9') + "@", "'INF' não é um número válido"},
  };
  for (const auto& c : casos) {
    try {
      const std::string r = Condicao(c.trecho, "ORACLE");
      ADD_FAILURE() << c.trecho.substr(0, 30) << " gave " << r;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), c.mensagem);
    }
  }
}

TEST_F(Preparacao, TagReadsTheDocument) {
  const std::string nfe = kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-3.10-indented.xml"));
  // Elements in the NF-e default namespace are found by their local name, at any depth.
  EXPECT_EQ(Condicao("'@$Tag$chNFe@'", "ORACLE", nfe), "'35170358716523000119550010000000301000000300'");
  EXPECT_EQ(Condicao("'@$Tag$xNome@'", "ORACLE", nfe), "'FIMATEC TEXTIL LTDA'");  // the first in document order
  EXPECT_EQ(Condicao("'@$Tag$nfe:chNFe@'", "ORACLE", nfe), "'35170358716523000119550010000000301000000300'");
  const std::string cancelamento = kiv::teste::LerArquivo(kiv::teste::Fixture("procEventoNFe-110111-cancel.xml"));
  EXPECT_EQ(Condicao("'@$Tag$chNFe@'", "ORACLE", cancelamento), "'42200310845180000166550010000016291182910233'");

  // All the text below the element, joined; CDATA included.
  const std::string inline_ = "<a xmlns='urn:x'><b>um<c>dois</c><![CDATA[tres]]></b><b>x</b></a>";
  EXPECT_EQ(Condicao("'@$Tag$b@'", "ORACLE", inline_), "'umdoistres'");
  // Only the first "$Tag$", in that exact case, is the marker.
  EXPECT_EQ(Condicao("'@c$Tag$@'", "ORACLE", inline_), "'dois'");

  // Names the XPath reader rejects fail with its message; "$TAG$" in capitals stays in the name.
  for (const std::string trecho : {"@$TAG$chNFe@", "@$Tag$@", "@$Tag$a b@", "@$Tag$a[@"}) {
    try {
      Condicao(trecho, "ORACLE", nfe);
      ADD_FAILURE() << trecho;
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Invalid expression") << trecho;
    }
  }
}

TEST_F(Preparacao, TagDocumentIsReadWithoutEntitiesOrNetwork) {
  kiv::teste::PastaTemporaria pasta;
  kiv::teste::EscreverArquivo(pasta / "segredo.txt", "segredo");
  const std::string externo = "<!DOCTYPE a [<!ENTITY e SYSTEM 'file://" + (pasta / "segredo.txt") +
                              "'>]><a><b>x&e;y</b></a>";
  EXPECT_EQ(Condicao("'@$Tag$b@'", "ORACLE", externo), "'xy'");

  std::string risos = "<!DOCTYPE a [<!ENTITY l0 'ha'>";
  for (int i = 1; i <= 12; ++i) {
    risos += "<!ENTITY l" + std::to_string(i) + " '";
    for (int k = 0; k < 10; ++k) risos += "&l" + std::to_string(i - 1) + ";";
    risos += "'>";
  }
  risos += "]><a><b>&l12;</b></a>";
  // The parser refuses the entity explosion: the document has no elements.
  EXPECT_EQ(Condicao("'@$Tag$b@'", "ORACLE", risos), kTagInvalida);
}

TEST(ExtraiToken, CutsAtTheSeparator) {
  struct Caso {
    int n;
    std::string texto, separador, esperado;
  };
  const Caso casos[] = {
      {1, "a@b@c", "@", "a"},   {2, "a@b@c", "@", "b"},     {3, "a@b@c", "@", "c"},
      {4, "a@b@c", "@", "c"},   {0, "a@b@c", "@", ""},      {-1, "a@b@c", "@", ""},
      {2, "a@@c", "@", ""},     {2, "a@", "@", ""},         {1, "abc", "@", "abc"},
      {3, "abc", "@", "abc"},   {2, "x<>y<>z", "<>", "y"},  {2, "", "@", ""},
      {2, "á@é@í", "@", "é"},   {2, "a@b", "", "a@b"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(ExtraiToken(c.n, c.texto, c.separador), c.esperado) << c.n << " " << c.texto << " " << c.separador;
}

TEST(ContaOcorrencias, CountsOverlappingMatches) {
  struct Caso {
    std::string texto, procurado;
    int esperado;
  };
  const Caso casos[] = {
      {"aaa", "aa", 2}, {"a@b@c@", "@", 3}, {"", "@", 0},           {"abc", "", 0},
      {"abc", "abcd", 0}, {"$HOJE$-$HOJE$", "$HOJE$", 2}, {"ééé", "éé", 2},
  };
  for (const auto& c : casos) EXPECT_EQ(ContaOcorrencias(c.texto, c.procurado), c.esperado) << c.texto;
}

}  // namespace
