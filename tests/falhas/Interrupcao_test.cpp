// The host program killed with SIGKILL in the middle of a run: the day's register it leaves is a
// valid file, and it holds every acceptance older than about a second.
#include <set>

#include "Cenario.h"
#include "support/ServicoSimulado.h"

namespace {

using namespace kiv::falhas;
using Relogio = std::chrono::steady_clock;

TEST(Interrupcao, KilledMidRunTheRegisterHoldsEveryAcceptanceOlderThanASecond) {
  constexpr int kNotas = 1000;
  constexpr int kMatarApos = 200;
  // The register is written at most once a second during a run; what was accepted this long
  // before the kill must be in the file.
  constexpr auto kFolga = std::chrono::milliseconds(1500);

  kiv::teste::PastaTemporaria pasta;
  std::vector<std::string> chaves;
  for (int i = 0; i < kNotas; ++i) chaves.push_back(Chave(1, i));
  CriarBanco(pasta / "dms.fdb", chaves);

  // A service that takes 10 ms per answer, so the run lasts a few seconds before the kill.
  kiv::teste::ServicoSimulado::Opcoes opcoes;
  opcoes.inicial.atraso = 0.01;
  kiv::teste::ServicoSimulado servico(opcoes);
  kiv::teste::EscreverArquivo(pasta / "job.xml", Job(pasta / "dms.fdb", servico.Url()));

  // How many requests the service had received at each moment.
  std::vector<std::pair<Relogio::time_point, int>> amostras;
  Hospedeiro hospedeiro(pasta / "job.xml");
  const bool chegou = Aguardar(
      [&] {
        amostras.emplace_back(Relogio::now(), servico.Estado().requisicoes);
        return amostras.back().second >= kMatarApos;
      },
      std::chrono::seconds(60));
  const auto morte = Relogio::now();
  hospedeiro.Matar();
  const Resultado r = hospedeiro.Esperar();
  ASSERT_TRUE(chegou) << "the run never reached " << kMatarApos << " deliveries: " << r.log.substr(0, 2000);
  EXPECT_EQ(r.status, 128 + SIGKILL);

  // Deliveries recorded by the service before the kill, less the last interval.
  int antigas = 0;
  for (const auto& [quando, quantas] : amostras)
    if (quando <= morte - kFolga) antigas = quantas;
  EXPECT_GT(antigas, 0) << "the kill came too early to check anything";

  std::unique_ptr<Registros> registros;
  ASSERT_NO_THROW(registros = std::make_unique<Registros>(pasta / "Work")) << "the register left behind does not load";
  ASSERT_GE(registros->Arquivos(), 1u);

  const auto requisicoes = servico.Requisicoes();
  ASSERT_GE(requisicoes.size(), static_cast<size_t>(kMatarApos));
  std::set<std::string> recebidas;
  for (const auto& q : requisicoes) recebidas.insert(kiv::nfe::ObterChave(q.corpo));
  for (const auto& q : requisicoes) {
    if (q.sequencia <= antigas) {
      EXPECT_TRUE(registros->Contem(kiv::nfe::ObterChave(q.corpo))) << "delivery " << q.sequencia << " is missing";
    }
  }
  // Nothing the service never saw, and no more than it saw.
  size_t registradas = 0;
  for (const auto& c : chaves)
    if (registros->Contem(c)) {
      ++registradas;
      EXPECT_TRUE(recebidas.count(c)) << c;
    }
  EXPECT_EQ(registros->Quantidade(), registradas);
  EXPECT_GE(registradas, static_cast<size_t>(antigas));
  RecordProperty("acceptances_older_than_the_margin", antigas);
  RecordProperty("entries_in_the_register", static_cast<int>(registradas));
}

}  // namespace
