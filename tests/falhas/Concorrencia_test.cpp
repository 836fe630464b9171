// Two jobs whose files sit in one folder share its Work folder and its register: run at the
// same moment, again and again, neither loses the other's entries.
#include "Cenario.h"
#include "support/ServicoSimulado.h"

namespace {

using namespace kiv::falhas;

TEST(Concorrencia, TwoJobsSharingOneWorkFolderLoseNoEntry) {
  constexpr int kRodadas = 20;
  constexpr int kPorRodada = 5;
  kiv::teste::PastaTemporaria pasta;
  const std::string jobs[2] = {pasta / "concessionaria-a.xml", pasta / "concessionaria-b.xml"};
  const std::string bancos[2] = {pasta / "a.fdb", pasta / "b.fdb"};
  // Each job its own dealer database (an embedded database belongs to one process at a time).
  for (int j = 0; j < 2; ++j) {
    std::vector<std::string> chaves;
    for (int i = 0; i < kRodadas * kPorRodada; ++i) chaves.push_back(Chave(10 + j, i));
    CriarBanco(bancos[j], chaves);
  }
  kiv::teste::ServicoSimulado servico;

  for (int rodada = 0; rodada < kRodadas; ++rodada) {
    SCOPED_TRACE("round " + std::to_string(rodada));
    const std::string condicao = "NUM BETWEEN " + std::to_string(rodada * kPorRodada) + " AND " +
                                 std::to_string(rodada * kPorRodada + kPorRodada - 1);
    for (int j = 0; j < 2; ++j) kiv::teste::EscreverArquivo(jobs[j], Job(bancos[j], servico.Url(), condicao));
    Hospedeiro a(jobs[0]), b(jobs[1]);
    const Resultado ra = a.Esperar(), rb = b.Esperar();
    for (const Resultado* r : {&ra, &rb}) {
      EXPECT_EQ(r->status, 0) << r->log.substr(0, 3000);
      EXPECT_EQ(ComecandoCom(Linhas(r->log), "Nfe ENVIO: "), static_cast<size_t>(kPorRodada));
    }
  }

  const Registros registros(pasta / "Work");
  EXPECT_EQ(registros.Quantidade(), 2u * kRodadas * kPorRodada);
  for (int j = 0; j < 2; ++j)
    for (int i = 0; i < kRodadas * kPorRodada; ++i) EXPECT_TRUE(registros.Contem(Chave(10 + j, i))) << j << " " << i;
  EXPECT_EQ(servico.Estado().requisicoes, 2 * kRodadas * kPorRodada) << "an invoice went twice";
}

}  // namespace
