#include <gtest/gtest.h>

#include <clocale>

#include "comum/Texto.h"
#include "platform/PaginaCodigo.h"
#include "platform/Regional.h"
#include "platform/Relogio.h"

namespace {

using namespace kiv::plataforma;

TEST(Relogio, DateTimeValueRoundTrips) {
  struct Caso {
    DataHora data;
    double valor;
  } casos[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{2012, 3, 15, 0, 0, 0, 0}, 40983.0},
      {{2012, 3, 15, 12, 0, 0, 0}, 40983.5},
      {{2024, 2, 29, 6, 0, 0, 0}, 45351.25},
  };
  for (const auto& c : casos) {
    EXPECT_DOUBLE_EQ(ParaDataHoraNumero(c.data), c.valor);
    EXPECT_EQ(DeDataHoraNumero(c.valor), c.data);
  }
}

TEST(Regional, ReadsTheProcessLocaleAtTheMomentOfUse) {
  std::setlocale(LC_ALL, "C");
  const auto c = Regional();
  EXPECT_EQ(c.separadorDecimal, ".");
  EXPECT_EQ(c.separadorData, "/");
  EXPECT_EQ(c.formatoDataCurta, "MM/dd/yy");
  EXPECT_EQ(c.separadorHora, ":");
  EXPECT_EQ(FormatarDataCurta({2012, 3, 5}, c), "03/05/12");
  const ConfiguracaoRegional br{",", "/", "dd/MM/yyyy", ":"};
  EXPECT_EQ(FormatarDataCurta({2012, 3, 5}, br), "05/03/2012");
  const ConfiguracaoRegional de{",", ".", "d/M/yyyy", ":"};
  EXPECT_EQ(FormatarDataCurta({2012, 3, 5}, de), "5.3.2012");
}

TEST(PaginaCodigo, RoundTripsThroughWindows1252) {
  EXPECT_EQ(ParaAnsi("não €"), "n\xE3o \x80");
  EXPECT_EQ(DeAnsi("n\xE3o \x80"), "não €");
  // Characters the code page cannot hold, and broken UTF-8, become "?".
  EXPECT_EQ(ParaAnsi("a\xE2\x86\x92" "b"), "a?b");          // an arrow
  EXPECT_EQ(ParaAnsi("x\xF0\x9F\x98\x80y"), "x?y");        // an emoji
  EXPECT_EQ(ParaAnsi("q\xC3"), "q?");                      // a cut sequence
  EXPECT_EQ(DeAnsi("\x81"), "?");                          // undefined in Windows-1252
  // The table agrees with iconv on every byte and on a mixed text.
  std::string todos;
  for (int b = 1; b < 256; ++b) todos += static_cast<char>(b);
  const std::string texto = "ação € “aspas” — Œ ž → 😀 \xC3 fim";
  const std::string padrao = NomePaginaCodigo();
  const std::string decodificado = DeAnsi(todos), codificado = ParaAnsi(texto);
  FixarPaginaCodigo("WINDOWS-1252//");  // the same code page, through iconv
  EXPECT_EQ(DeAnsi(todos), decodificado);
  EXPECT_EQ(ParaAnsi(texto), codificado);
  FixarPaginaCodigo(padrao);
  EXPECT_TRUE(Utf8Valido("não"));
  EXPECT_FALSE(Utf8Valido("n\xE3o"));
}

TEST(Texto, CountsCharactersNotBytes) {
  EXPECT_EQ(kiv::Posicao("<b", "ção<b"), 4u);
  EXPECT_EQ(kiv::Posicao("z", "abc"), 0u);
  EXPECT_EQ(kiv::Copia("ação!", 2, 3), "ção");
  EXPECT_EQ(kiv::Copia("abc", 0, 2), "ab");
  EXPECT_EQ(kiv::Copia("abc", 2, -1), "");
  EXPECT_EQ(kiv::Copia("abc", 3, 10), "c");
  EXPECT_EQ(kiv::Trim("\r\n  a b \t"), "a b");
  EXPECT_EQ(kiv::SubstituirTodos("x@Num@y@NUM@", "@num@", "7", true), "x7y7");
}

}  // namespace
