#include "package/Executa.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "platform/Biblioteca.h"
#include "support/Ambiente.h"

namespace {

using kiv::teste::AmbienteFixo;

std::vector<std::string> Linhas(const std::string& log) {
  std::vector<std::string> linhas;
  size_t inicio = 0;
  for (size_t fim; (fim = log.find("\r\n", inicio)) != std::string::npos; inicio = fim + 2)
    linhas.push_back(log.substr(inicio, fim - inicio));
  EXPECT_EQ(inicio, log.size()) << "every line, the last one too, ends with CR LF";
  return linhas;
}

TEST(Executa, FramesTheRunLogByteForByte) {
  AmbienteFixo ambiente(kiv::teste::Marco2012(), kiv::teste::RegionalBrasil());
  EXPECT_EQ(kiv::package::ExecutaPacote("/nonexistent/missing.xml"),
            "\r\n"
            "---------------------------------------------------\r\n"
            "Iniciando transferência de arquivos: 15-03-2012 14:30\r\n"
            "Erro: Ao ler configuração - No such file or directory: /nonexistent/missing.xml\r\nLine: 0\r\n\r\n"
            "Finalizando transferência de arquivos: 15-03-2012 14:30\r\n");
}

TEST(Executa, StampsEachFramingLineWhenItIsWritten) {
  // The time separator comes from the regional settings; the date part is fixed.
  kiv::plataforma::ConfiguracaoRegional regional = kiv::teste::RegionalBrasil();
  regional.separadorHora = ".";
  AmbienteFixo ambiente({2024, 1, 5, 9, 7, 0, 0}, regional);
  EXPECT_EQ(kiv::package::CarimboDeHora(), "05-01-2024 09.07");
}

TEST(Executa, SerialisesConcurrentCallers) {
  std::vector<std::future<std::string>> runs;
  for (int i = 0; i < 8; ++i)
    runs.push_back(std::async(std::launch::async, [] { return kiv::package::ExecutaPacote("missing.xml"); }));
  for (auto& r : runs) {
    const auto linhas = Linhas(r.get());
    ASSERT_EQ(linhas.size(), 7u);
    EXPECT_EQ(linhas[3].rfind("Erro: Ao ler configuração - ", 0), 0u);
    EXPECT_EQ(linhas[6].rfind("Finalizando transferência de arquivos: ", 0), 0u);
  }
}

// The exports as a host sees them, through dlopen.
class Exportacoes : public ::testing::Test {
 protected:
  kiv::plataforma::Biblioteca pacote{KIV_LIBRARY_PATH};
};

TEST_F(Exportacoes, KivAndConfigAnswerWithoutPreparation) {
  auto kiv = reinterpret_cast<bool (*)()>(pacote.Simbolo("Kiv"));
  auto config = reinterpret_cast<void (*)(char**)>(pacote.Simbolo("Config"));
  ASSERT_NE(kiv, nullptr);
  ASSERT_NE(config, nullptr);
  EXPECT_TRUE(kiv());
  char* texto = static_cast<char*>(std::malloc(8));  // a previous value is released, not appended to
  texto[0] = 'x';
  texto[1] = '\0';
  for (int i = 0; i < 2; ++i) {
    config(&texto);
    ASSERT_NE(texto, nullptr);
    EXPECT_STREQ(texto, "TITULO|WebService VW|SOAP|I@Url|Url|String|null|350|Url: Endereço do Webservice");
  }
  std::free(texto);
}

TEST_F(Exportacoes, ExecutaReplacesTheHostLog) {
  auto executa = reinterpret_cast<void (*)(char**, const char*)>(pacote.Simbolo("Executa"));
  ASSERT_NE(executa, nullptr);
  char* log = static_cast<char*>(std::malloc(4));
  log[0] = 'o';
  log[1] = 'l';
  log[2] = 'd';
  log[3] = '\0';
  executa(&log, "missing.xml");
  ASSERT_NE(log, nullptr);
  const std::string texto = log;
  std::free(log);
  EXPECT_EQ(texto.rfind("\r\n---------------------------------------------------\r\n", 0), 0u);
  EXPECT_NE(texto.find("Erro: Ao ler configuração - "), std::string::npos);
}

TEST_F(Exportacoes, OnlyTheThreeFunctionsAreExported) {
  int status = 0;
  const std::string simbolos =
      kiv::teste::Rodar("nm -D --defined-only '" + std::string(KIV_LIBRARY_PATH) + "' | awk '{print $3}' | sort", status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(simbolos, "Config\nExecuta\nKiv\n");
}

}  // namespace

namespace {

TEST(Executa, AFailureThatEscapesTheRunReplacesItsMessages) {
  // Reading Origem/Banco/Tipo fails inside the connection step; nothing there catches it.
  kiv::teste::PastaTemporaria pasta;
  kiv::teste::EscreverArquivo(pasta / "job.xml",
                              R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem><Banco><Tipo><x/></Tipo></Banco></Origem></Selecao>)");
  const std::string log = kiv::package::ExecutaPacote(pasta / "job.xml");
  EXPECT_NE(log.find("\r\nErro ao executar pacote: Element \"Tipo\" does not contain a single text node\r\nFinalizando"),
            std::string::npos)
      << log;
}

}  // namespace

#include <filesystem>

#include "db/TConexao.h"

namespace {

// A session whose query, as a side effect, puts a regular file where the Work folder was, so the
// register cannot be written when the module is freed.
class SessaoQueTiraAPasta : public kiv::db::Sessao {
 public:
  explicit SessaoQueTiraAPasta(std::string work) : work_(std::move(work)) {}
  void Executar(const std::string&) override {}
  kiv::db::Conjunto Consultar(const std::string&) override {
    std::filesystem::remove_all(work_);
    kiv::teste::EscreverArquivo(work_, "not a folder");
    return kiv::db::Conjunto({"XML"}, {});
  }

 private:
  std::string work_;
};

TEST(Executa, AFailedFreeingComesAfterTheRunsMessages) {
  kiv::teste::PastaTemporaria pasta;
  kiv::teste::EscreverArquivo(pasta / "job.xml", R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem>
      <Banco><Tipo>FIREBIRD</Tipo><DataBase>x.fdb</DataBase></Banco>
      <Execute>SELECT XML#X# FROM NFE</Execute></Origem></Selecao>)");
  const std::string work = pasta / "Work";
  kiv::db::DefinirFabricaSessao(
      [&](const kiv::db::TConexao&) { return std::make_unique<SessaoQueTiraAPasta>(work); });
  auto linhas = kiv::package::LinhasDoPacote(pasta / "job.xml");
  kiv::db::DefinirFabricaSessao(nullptr);
  ASSERT_EQ(linhas.size(), 7u);
  EXPECT_EQ(linhas[3], "Comando SELECT: [SELECT XMLX FROM NFE]");
  EXPECT_EQ(linhas[4], "Aviso: sem movimento para o periodo.");
  EXPECT_EQ(linhas[5].rfind("Erro ao executar pacote: ", 0), 0u) << linhas[5];
  EXPECT_NE(linhas[5].find(work), std::string::npos) << "the message names the register: " << linhas[5];
  EXPECT_EQ(linhas[6].rfind("Finalizando transferência de arquivos: ", 0), 0u);
}

}  // namespace
