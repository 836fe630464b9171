// Document files: written in the ANSI code page, read back by their byte-order mark.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "platform/ArquivosTexto.h"
#include "support/Ambiente.h"

namespace {

using kiv::plataforma::GravarTextoAnsi;
using kiv::plataforma::LerTextoComLinhasCRLF;

TEST(ArquivosTexto, WritesTheAnsiCodePageWithoutMarkAndReadsItBack) {
  kiv::teste::PastaTemporaria pasta;
  const std::string caminho = pasta / "e_1.xml";
  kiv::teste::EscreverArquivo(caminho, "old content that is longer than the new one");
  GravarTextoAnsi(caminho, "<natOp>Operação €</natOp>\r\n");
  EXPECT_EQ(kiv::teste::LerArquivo(caminho), "<natOp>Opera\xE7\xE3o \x80</natOp>\r\n");
  EXPECT_EQ(LerTextoComLinhasCRLF(caminho), "<natOp>Operação €</natOp>\r\n");
}

TEST(ArquivosTexto, ReadsTheEncodingOfAByteOrderMarkAndStopsAtNul) {
  kiv::teste::PastaTemporaria pasta;
  const struct {
    const char* nome;
    std::string bytes;
    std::string texto;
  } casos[] = {
      {"ANSI, bare LF and CR", "a\xE7\nb\rc", "aç\r\nb\r\nc\r\n"},
      {"UTF-8 mark", "\xEF\xBB\xBF" "a\xC3\xA7\r\n", "aç\r\n"},
      {"UTF-8 mark, broken sequence", "\xEF\xBB\xBF" "a\xC3(b", "a?(b\r\n"},
      {"UTF-16 LE mark", std::string("\xFF\xFE" "a\0\xE7\0\n\0=\xD8\0\xDE", 12), "aç\r\n😀\r\n"},
      {"UTF-16 BE mark", std::string("\xFE\xFF\0a\0\xE7", 6), "aç\r\n"},
      {"UTF-16 lone surrogate and odd byte", std::string("\xFF\xFE\x00\xD8" "a\0x", 7), "?a?\r\n"},
      {"NUL ends the text", std::string("ab\r\n\0cd", 7), "ab\r\n"},
      {"empty", "", ""},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nome);
    const std::string caminho = pasta / "f.xml";
    kiv::teste::EscreverArquivo(caminho, c.bytes);
    EXPECT_EQ(LerTextoComLinhasCRLF(caminho), c.texto);
  }
}

TEST(ArquivosTexto, FailuresNameTheFileAndTheReason) {
  kiv::teste::PastaTemporaria pasta;
  const std::string falta = pasta / "nao-existe/e_1.xml";
  try {
    GravarTextoAnsi(falta, "x");
    ADD_FAILURE() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + falta + "\". No such file or directory");
  }
  try {
    LerTextoComLinhasCRLF(falta);
    ADD_FAILURE() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + falta + "\". No such file or directory");
  }
}

}  // namespace
