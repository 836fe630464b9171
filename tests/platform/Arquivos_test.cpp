// Whole-file reads: the size the file system reports is only a starting point.
#include <gtest/gtest.h>

#include <string>

#include "platform/Arquivos.h"
#include "support/Ambiente.h"

namespace {

using kiv::plataforma::LerSeExistir;

TEST(Arquivos, ReadsAWholeFileWhateverSizeItReports) {
  kiv::teste::PastaTemporaria pasta;
  EXPECT_EQ(LerSeExistir(pasta / "nao-existe.xml"), std::nullopt);

  // Empty, and larger than one read, byte for byte (NULs included).
  for (const std::string& conteudo : {std::string(), std::string(200'000, 'x') + std::string("\0y", 2)}) {
    kiv::teste::EscreverArquivo(pasta / "f.xml", conteudo);
    EXPECT_EQ(LerSeExistir(pasta / "f.xml"), conteudo);
  }

  // A file whose reported size is 0 although it has content is read to its end.
  const auto status = LerSeExistir("/proc/self/status");
  ASSERT_TRUE(status.has_value());
  EXPECT_NE(status->find("Name:"), std::string::npos);
  EXPECT_EQ(status->back(), '\n');
}

}  // namespace
