// The register inside a run: set up after the command is prepared, before the selection opens.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/TConexao.h"
#include "package/Executa.h"
#include "support/Ambiente.h"

namespace {

struct Contagem {
  int consultas = 0;
  bool vazia = false;
};

// Stands in for the database: one invoice to deliver (or none), and a count of the queries.
class SessaoContada : public kiv::db::Sessao {
 public:
  explicit SessaoContada(std::shared_ptr<Contagem> c) : c_(std::move(c)) {}
  void Executar(const std::string&) override {}
  kiv::db::Conjunto Consultar(const std::string&) override {
    ++c_->consultas;
    if (c_->vazia) return kiv::db::Conjunto({"XML"}, {});
    return kiv::db::Conjunto({"XML"}, {{kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-4.00-indented.xml"))}});
  }

 private:
  std::shared_ptr<Contagem> c_;
};

class RegistroNaExecucao : public ::testing::Test {
 protected:
  RegistroNaExecucao() {
    kiv::db::DefinirFabricaSessao([c = contagem](const kiv::db::TConexao&) { return std::make_unique<SessaoContada>(c); });
    kiv::teste::EscreverArquivo(configuracao, R"(<Selecao xmlns="urn:kivxmlvw:selecao"><Origem>
  <Banco><Tipo>FIREBIRD</Tipo><DataBase>dealer.fdb</DataBase><User>SYSDBA</User></Banco>
  <Execute>SELECT XML#X# FROM NFE</Execute><Result><Tipo>Memoria</Tipo><Dados>XML</Dados></Result>
</Origem><Destino><Soap><Url>http://127.0.0.1:9/ws</Url></Soap></Destino></Selecao>)");
  }
  ~RegistroNaExecucao() override { kiv::db::DefinirFabricaSessao(nullptr); }

  // The run's own lines, between the frame.
  std::vector<std::string> Rodar() {
    const auto linhas = kiv::package::LinhasDoPacote(configuracao);
    if (linhas.size() < 4) return linhas;
    return std::vector<std::string>(linhas.begin() + 3, linhas.end() - 1);
  }

  kiv::teste::AmbienteFixo ambiente{kiv::teste::Marco2012(), kiv::teste::RegionalBrasil()};
  kiv::teste::PastaTemporaria pasta;
  std::string configuracao = pasta / "vw.xml";
  std::shared_ptr<Contagem> contagem = std::make_shared<Contagem>();
};

TEST_F(RegistroNaExecucao, AWorkFolderThatCannotBeWrittenStopsTheRunBeforeTheSelection) {
  kiv::teste::EscreverArquivo(pasta / "Work", "a file where the folder should be");
  EXPECT_EQ(Rodar(), std::vector<std::string>{"Erro ao executar pacote: Pasta de trabalho " + (pasta / "Work") +
                                              " não pode ser usada: " + (pasta / "Work") + ": Not a directory"});
  EXPECT_EQ(contagem->consultas, 0) << "the selection was opened";
  EXPECT_EQ(kiv::teste::LerArquivo(pasta / "Work"), "a file where the folder should be");
}

TEST_F(RegistroNaExecucao, AnEmptySelectionStillLeavesTheDaysRegister) {
  contagem->vazia = true;
  EXPECT_EQ(Rodar(), (std::vector<std::string>{"Comando SELECT: [SELECT XMLX FROM NFE]",
                                               "Aviso: sem movimento para o periodo."}));
  const std::string arquivo = pasta / "Work/NfeEnvVW_20120315.xml";
  ASSERT_TRUE(kiv::teste::Existe(arquivo));
  EXPECT_NE(kiv::teste::LerArquivo(arquivo).find("<ROWDATA/>"), std::string::npos);
}

}  // namespace
