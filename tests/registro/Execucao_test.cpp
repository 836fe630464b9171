// The register inside a run: set up after the command is prepared, before the selection opens.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "db/TConexao.h"
#include "run/udmKIVVW.h"
#include "support/Ambiente.h"

namespace {

struct Contagem {
  int consultas = 0, execucoes = 0;
};

// Stands in for the database: an empty selection, and a count of what the run asked for.
class SessaoContada : public kiv::db::Sessao {
 public:
  explicit SessaoContada(std::shared_ptr<Contagem> c) : c_(std::move(c)) {}
  void Executar(const std::string&) override { ++c_->execucoes; }
  kiv::db::Conjunto Consultar(const std::string&) override {
    ++c_->consultas;
    return kiv::db::Conjunto({"XML"}, {});
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
  <Execute>SELECT XML FROM NFE</Execute><Result><Tipo>Memoria</Tipo><Dados>XML</Dados></Result>
</Origem><Destino><Soap><Url>http://127.0.0.1:9/</Url></Soap></Destino></Selecao>)");
    auto conexao = std::make_unique<kiv::db::TConexao>();
    conexao->DriverName = "DevartInterBase";
    dm.BD().SetConexao(std::move(conexao));
  }
  ~RegistroNaExecucao() override { kiv::db::DefinirFabricaSessao({}); }

  kiv::teste::AmbienteFixo ambiente{kiv::teste::Marco2012(), kiv::teste::RegionalBrasil()};
  kiv::teste::PastaTemporaria pasta;
  std::string configuracao = pasta / "vw.xml";
  std::shared_ptr<Contagem> contagem = std::make_shared<Contagem>();
  kiv::run::TdmKIVVW dm;
};

TEST_F(RegistroNaExecucao, AWorkFolderThatCannotBeWrittenStopsTheRunBeforeTheSelection) {
  kiv::teste::EscreverArquivo(pasta / "Work", "a file where the folder should be");
  try {
    dm.ExecutaIntegracao(configuracao);
    ADD_FAILURE() << "the run went on";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "Pasta de trabalho " + (pasta / "Work") + " não pode ser usada: " +
                                         (pasta / "Work") + ": Not a directory");
  }
  EXPECT_EQ(contagem->consultas, 0);
  for (const auto& linha : dm.Mensagens()) EXPECT_EQ(linha.find("Comando SELECT"), std::string::npos) << linha;
  EXPECT_NO_THROW(dm.Liberar());
  EXPECT_EQ(kiv::teste::LerArquivo(pasta / "Work"), "a file where the folder should be");
}

TEST_F(RegistroNaExecucao, AnEmptySelectionStillLeavesTheDaysRegister) {
  dm.ExecutaIntegracao(configuracao);
  EXPECT_EQ(contagem->consultas, 1);
  ASSERT_FALSE(dm.Mensagens().empty());
  EXPECT_EQ(dm.Mensagens().back(), "Aviso: sem movimento para o periodo.");
  dm.Liberar();
  const std::string arquivo = pasta / "Work/NfeEnvVW_20120315.xml";
  ASSERT_TRUE(kiv::teste::Existe(arquivo));
  EXPECT_NE(kiv::teste::LerArquivo(arquivo).find("<ROWDATA/>"), std::string::npos);
}

}  // namespace
