#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "db/KIVFuncoes.h"
#include "support/Ambiente.h"

namespace {

using kiv::db::AvaliaExpressao;
using kiv::db::FormataNumero;
using kiv::db::TextoParaNumero;
using kiv::teste::AmbienteFixo;

class Avaliador : public ::testing::Test {
 protected:
  AmbienteFixo ambiente{kiv::teste::Marco2012(), kiv::teste::RegionalBrasil()};
};

std::string Repetir(const std::string& s, int vezes) {
  std::string r;
  for (int i = 0; i < vezes; ++i) r += s;
  return r;
}

TEST_F(Avaliador, EvaluatesTheLanguage) {
  struct Caso {
    std::string texto;
    int decimais;
    std::string esperado;
  };
  const Caso casos[] = {
      // precedence and left-to-right order
      {"10*(2+3)", 0, "50"},
      {"2+3*4", 0, "14"},
      {"(2+3)*4", 0, "20"},
      {"8-2-2", 0, "4"},
      {"8/2/2", 0, "2"},
      {"7/2", 0, "4"},
      {"7/2", 10, "3,5000000000"},
      {"1/3", 10, "0,3333333333"},
      // numbers: blanks inside, a second point ends them, a final point is allowed
      {"1 2 + 1", 0, "13"},
      {"4 0 + 2", 0, "42"},
      {"1.2.3*10", 0, "12"},
      {"1.5.9*2", 0, "3"},
      {"12.", 0, "12"},
      {"0.5", 1, "0,5"},
      // signs bind to the factor and repeat
      {"-2.5", 0, "-3"},
      {"--5", 0, "5"},
      {"2*-3", 0, "-6"},
      {"2--3", 0, "5"},
      {"-(-2)", 0, "2"},
      {"+-+3", 0, "-3"},
      {"-0.3", 0, "0"},
      // the reading stops where the text cannot continue; any character closes a "("
      {"5 abc", 0, "5"},
      {"2(3)", 0, "2"},
      {"3+4)x", 0, "7"},
      {"(1+2", 0, "3"},
      {"(1+2]*2", 0, "6"},
      {"(2+3é*2", 0, "10"},  // é is one character, so "*" follows the closing one
      {"1+2\t+3", 0, "3"},   // a tab reads as the end of the text
      {"1+2\n+3", 0, "3"},
      // a factor that begins with anything else reads as 0 and the reading goes on from there
      {"", 0, "0"},
      {"abc", 0, "0"},
      {"$TAG$chNFe", 0, "0"},
      {"2+a*3", 0, "2"},
      {"*3", 0, "0"},
      {"+", 0, "0"},
      {".5", 0, "0"},
      {")5", 0, "0"},
      // long flat expressions are not nesting
      {Repetir("1+", 100000) + "1", 0, "100001"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(AvaliaExpressao(c.texto, c.decimais), c.esperado) << "[" << c.texto.substr(0, 40) << "] at " << c.decimais;
}

TEST_F(Avaliador, DivisionByZeroFailsWithTheExpression) {
  for (const std::string texto : {"1/0", "0/0", "5/(2-2)", "1/-0.0", "7/ x"}) {
    try {
      AvaliaExpressao(texto, 0);
      ADD_FAILURE() << texto << " did not fail";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "Divisão por zero na expressão: " + texto);
    }
  }
}

TEST_F(Avaliador, NestingIsBoundedInsteadOfOverflowingTheStack) {
  // Parentheses and signs each count as a level; 1,000 are read, one more fails.
  EXPECT_EQ(AvaliaExpressao(Repetir("(", 1000) + "7" + Repetir(")", 1000), 0), "7");
  EXPECT_EQ(AvaliaExpressao(Repetir("-", 1000) + "7", 0), "7");
  EXPECT_EQ(AvaliaExpressao(Repetir("-(", 500) + "7", 0), "7");
  for (const std::string& texto : {Repetir("(", 1001) + "7", Repetir("-", 1001) + "7", Repetir("+", 1001) + "7",
                                   Repetir("-(", 500) + "-7", Repetir("(", 100000), Repetir("-", 100000),
                                   Repetir("(-", 100000)}) {
    try {
      AvaliaExpressao(texto, 0);
      ADD_FAILURE() << "a text of " << texto.size() << " characters did not fail";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Expressão aninhada demais");
    }
  }
}

TEST_F(Avaliador, FormatsHalvesAwayFromZeroOnTheTrueValue) {
  struct Caso {
    int decimais;
    double valor;
    std::string esperado;
  };
  const Caso casos[] = {
      {0, 2.5, "3"},
      {0, -2.5, "-3"},
      {0, 0.5, "1"},
      {0, 9.5, "10"},
      {0, 0.49999999999999994, "0"},
      {1, 0.25, "0,3"},   // exactly half
      {1, -0.25, "-0,3"},
      {2, 0.125, "0,13"},
      {2, 1.005, "1,00"},   // the double is 1.00499999999999989...
      {2, 2.675, "2,67"},    // 2.67499999999999982...
      {2, 99.995, "100,00"},  // 99.99500000000000454...
      {2, 1.375, "1,38"},
      {3, -0.0001, "0,000"},
      {0, -0.0, "0"},
      {2, 0.0, "0,00"},
      {0, 1e20, "100000000000000000000"},
      {2, 5e-324, "0,00"},
      {10, 40982.604166666664, "40982,6041666667"},
      {0, 999999.5, "1000000"},
      {-3, 1.5, "2"},  // decimals are kept within 0..255
      {0, HUGE_VAL, "INF"},
      {0, -HUGE_VAL, "-INF"},
  };
  for (const auto& c : casos)
    EXPECT_EQ(FormataNumero(c.decimais, c.valor), c.esperado) << c.valor << " at " << c.decimais;
  EXPECT_EQ(FormataNumero(255, 1.0), "1," + std::string(255, '0'));
  EXPECT_EQ(FormataNumero(300, 1.0).size(), 257u);
}

TEST_F(Avaliador, WritesTheRegionalDecimalSeparator) {
  auto regional = kiv::teste::RegionalBrasil();
  regional.separadorDecimal = ".";
  AmbienteFixo ponto(kiv::teste::Marco2012(), regional);
  EXPECT_EQ(AvaliaExpressao("7/2", 2), "3.50");
  EXPECT_EQ(AvaliaExpressao("7/2", 0), "4");
}

TEST(TextoParaNumero, ReadsDigitsWithAPointWhateverTheLocale) {
  AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  EXPECT_DOUBLE_EQ(TextoParaNumero("12"), 12);
  EXPECT_DOUBLE_EQ(TextoParaNumero("12."), 12);
  EXPECT_DOUBLE_EQ(TextoParaNumero("007.250"), 7.25);
  EXPECT_DOUBLE_EQ(TextoParaNumero("1.2.3"), 1.2);
  EXPECT_EQ(TextoParaNumero("1" + std::string(400, '0')), HUGE_VAL);
  EXPECT_EQ(TextoParaNumero("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_THROW(TextoParaNumero(".5"), std::runtime_error);
  EXPECT_THROW(TextoParaNumero(""), std::runtime_error);
}

}  // namespace
