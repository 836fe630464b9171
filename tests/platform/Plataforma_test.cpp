#include <gtest/gtest.h>

#include <clocale>

#include "comum/Texto.h"
#include "platform/ArquivosTexto.h"
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

// The searches and counts that read 8 or 16 bytes at a time against their plain forms, at every
// offset around the block edges, with the needle's first and last bytes repeated as decoys.
TEST(Texto, BlockwiseScansAgreeWithPlainOnes) {
  const auto plainSemCaso = [](std::string_view t, std::string_view x, size_t de) {
    for (size_t i = de; i + x.size() <= t.size(); ++i)
      if (kiv::IgualSemCaso(t.substr(i, x.size()), x)) return i;
    return std::string_view::npos;
  };
  const auto plainConta = [](std::string_view t) {
    size_t n = 0;
    for (char c : t) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
  };
  const std::string base = "<a/<ç/Ab<infProt/<infprot xsi:SchemaLocation=\"x\"<b>ã\r\n";
  for (size_t recuo = 0; recuo < 40; ++recuo) {
    std::string t = std::string(recuo, '<') + base + std::string(recuo % 7, 't') + base;
    for (const std::string x : {"<infProt", "<INFPROT", "/", "t<", "ç/", " xsi:schemalocation=\"x\"", "ausente", "\r\n"}) {
      for (size_t de : {size_t{0}, size_t{1}, recuo, recuo + 9, t.size() - 3, t.size(), t.size() + 1}) {
        EXPECT_EQ(kiv::Achar(t, x, de), std::string_view(t).find(x, de)) << recuo << " " << x << " " << de;
        EXPECT_EQ(kiv::AcharSemCaso(t, x, de), plainSemCaso(t, x, de)) << recuo << " " << x << " " << de;
      }
    }
    for (size_t fim = 0; fim <= t.size(); ++fim) {
      const std::string_view prefixo = std::string_view(t).substr(0, fim);
      ASSERT_EQ(kiv::ContaCaracteres(prefixo), plainConta(prefixo)) << recuo << " " << fim;
      // Only a cut inside "ç" or "ã" (after their lead byte 0xC3) leaves broken UTF-8.
      ASSERT_EQ(Utf8Valido(prefixo), prefixo.empty() || static_cast<unsigned char>(prefixo.back()) != 0xC3) << fim;
    }
  }
  // Line breaks found across block edges: every break becomes CR LF, a last line gets one too.
  for (size_t recuo = 1; recuo < 40; ++recuo) {
    const std::string linha(recuo, 'x');
    EXPECT_EQ(JuntarLinhasCRLF(linha + "\n" + linha + "\r" + linha + "\r\n" + linha),
              linha + "\r\n" + linha + "\r\n" + linha + "\r\n" + linha + "\r\n");
  }
  EXPECT_EQ(JuntarLinhasCRLF(""), "");
  EXPECT_EQ(JuntarLinhasCRLF("\n\n"), "\r\n\r\n");
}

}  // namespace
