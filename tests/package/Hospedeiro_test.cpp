// The host program as a scheduler runs it.
#include <gtest/gtest.h>

#include <string>

#include "support/Ambiente.h"

namespace {

struct CasoSaida {
  const char* argumentos;
  int status;
  const char* trecho;  // expected in standard output
};

TEST(Hospedeiro, ExitStatusFollowsTheLog) {
  const CasoSaida casos[] = {
      // a run whose log has an "Erro" line
      {"missing.xml", 1, "Erro: Ao ler configuração - "},
      // usage
      {"", 2, ""},
      {"--nope", 2, ""},
      {"a.xml b.xml", 2, ""},
      {"--biblioteca /nonexistent/lib.so missing.xml", 2, ""},
      {"--biblioteca", 2, ""},
      // informational
      {"--help", 0, "Usage: kivxmlvw"},
      {"--version", 0, "kivxmlvw "},
      {"--config", 0, "TITULO|WebService VW|SOAP|I@Url|Url|String|null|350|Url: Endereço do Webservice\n"},
  };
  for (const auto& caso : casos) {
    int status = -1;
    const std::string saida =
        kiv::teste::Rodar(std::string(KIV_HOST_PATH) + " " + caso.argumentos + " 2>/dev/null", status);
    EXPECT_EQ(status, caso.status) << caso.argumentos;
    EXPECT_NE(saida.find(caso.trecho), std::string::npos) << caso.argumentos << "\n" << saida;
  }
}

TEST(Hospedeiro, WritesTheLogWithItsCarriageReturns) {
  int status = -1;
  const std::string saida = kiv::teste::Rodar(std::string(KIV_HOST_PATH) + " missing.xml", status);
  EXPECT_EQ(saida.rfind("\r\n", 0), 0u);
  EXPECT_EQ(saida.substr(saida.size() - 2), "\r\n");
}

TEST(Hospedeiro, UsageFailureWritesOneLineToStandardError) {
  int status = -1;
  const std::string erro = kiv::teste::Rodar(std::string(KIV_HOST_PATH) + " --biblioteca /nope.so x.xml 2>&1 >/dev/null", status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(erro.rfind("kivxmlvw: ", 0), 0u);
  EXPECT_EQ(erro.find('\n'), erro.size() - 1);
}

}  // namespace
