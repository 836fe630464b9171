// The web service stopped and started again while a run delivers: each delivery made while it is
// away fails with its one line, the run goes on, later deliveries are accepted again, and the
// register holds exactly the accepted ones.
#include <set>

#include "Cenario.h"
#include "support/ServicoSimulado.h"

namespace {

using namespace kiv::falhas;

TEST(ServicoReiniciado, DeliveriesWhileItIsAwayFailAloneAndTheRegisterIsExact) {
  // Enough rows that the deliveries refused in 30 ms of processor time leave many for after the
  // restart, however fast each refused delivery is.
  constexpr int kNotas = 2000;
  constexpr int kPararApos = 60;
  kiv::teste::PastaTemporaria pasta;
  std::vector<std::string> chaves;
  for (int i = 0; i < kNotas; ++i) chaves.push_back(Chave(20, i));
  CriarBanco(pasta / "dms.fdb", chaves);

  auto servico = std::make_unique<kiv::teste::ServicoSimulado>();
  const int porta = servico->PortaHttp();
  kiv::teste::EscreverArquivo(pasta / "job.xml", Job(pasta / "dms.fdb", servico->Url()));

  Hospedeiro hospedeiro(pasta / "job.xml");
  ASSERT_TRUE(Aguardar([&] { return servico->Estado().requisicoes >= kPararApos; }, std::chrono::seconds(60)));
  // The service goes away; the run meets its absence for a while (30 ms of processor time, a
  // few dozen refused deliveries), then is held while the service starts again on its port, so
  // that how long that takes does not decide how many deliveries fail.
  hospedeiro.Pausar();
  servico.reset();
  const long antes = hospedeiro.TempoDeProcessador();
  hospedeiro.Continuar();
  EXPECT_TRUE(Aguardar([&] { return hospedeiro.TempoDeProcessador() >= antes + 3; }, std::chrono::seconds(20)));
  hospedeiro.Pausar();
  kiv::teste::ServicoSimulado::Opcoes opcoes;
  opcoes.porta = porta;
  servico = std::make_unique<kiv::teste::ServicoSimulado>(opcoes);
  hospedeiro.Continuar();
  const Resultado r = hospedeiro.Esperar();
  EXPECT_EQ(r.status, 1) << "the failed deliveries give Erro lines";

  // Each delivery: "Enviando Nfe: K", "Url: ...", then one outcome line, then the next row's
  // document or the end of the log.
  const auto linhas = Linhas(r.log);
  std::vector<std::string> aceitas, recusadas;
  bool falhou = false;
  size_t aceitasDepoisDaFalha = 0;
  for (size_t i = 0; i + 3 < linhas.size(); ++i) {
    if (linhas[i].rfind("Enviando Nfe: ", 0) != 0) continue;
    const std::string chave = linhas[i].substr(14);
    const std::string& resultado = linhas[i + 2];
    const std::string& seguinte = linhas[i + 3];
    EXPECT_TRUE(seguinte.rfind("Montou xml em memória: ", 0) == 0 || seguinte.rfind("Finalizando transferência", 0) == 0)
        << "a delivery's outcome takes more than one line: " << resultado << "\n" << seguinte;
    if (resultado == "Nfe ENVIO: " + chave + " - Transmissão SOAP: Cod.[100] - Desc.[Lote recebido com sucesso]") {
      aceitas.push_back(chave);
      if (falhou) ++aceitasDepoisDaFalha;
    } else {
      EXPECT_EQ(resultado.rfind("Erro ao executar transmissão SOAP: ", 0), 0u) << resultado;
      recusadas.push_back(chave);
      falhou = true;
    }
  }
  EXPECT_EQ(aceitas.size() + recusadas.size(), static_cast<size_t>(kNotas));
  EXPECT_EQ(ComecandoCom(linhas, "Erro"), recusadas.size()) << "an Erro line other than the failed deliveries";
  EXPECT_GE(aceitas.size(), static_cast<size_t>(kPararApos) - 1);
  EXPECT_GE(recusadas.size(), 1u) << "no delivery met the service away";
  EXPECT_GE(aceitasDepoisDaFalha, 1u) << "no delivery went through after the restart";

  const Registros registros(pasta / "Work");
  EXPECT_EQ(registros.Quantidade(), aceitas.size());
  for (const auto& c : aceitas) EXPECT_TRUE(registros.Contem(c)) << c;
  for (const auto& c : recusadas) EXPECT_FALSE(registros.Contem(c)) << c;
  // What the restarted service received, it accepted.
  for (const auto& q : servico->Requisicoes()) EXPECT_TRUE(registros.Contem(kiv::nfe::ObterChave(q.corpo)));
  RecordProperty("failed_while_away", static_cast<int>(recusadas.size()));
  RecordProperty("accepted_after_restart", static_cast<int>(aceitasDepoisDaFalha));
}

}  // namespace
