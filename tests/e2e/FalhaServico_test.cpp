// The web service goes away in the middle of a run: the run completes, every delivery after that
// logs its error line, and the register holds what was accepted before.
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "Ponta.h"

namespace kiv::e2e {
namespace {

using teste::Comportamento;

class FalhaServico : public PontaFirebird {};

TEST_F(FalhaServico, AServiceStoppedAfterTwoOfFiveDeliveriesLeavesTheRestLoggedAndUnregistered) {
  // A stand-in of its own, since this one is stopped: it accepts two deliveries, then holds the
  // third unanswered until it is stopped.
  teste::ServicoSimulado::Opcoes opcoes;
  opcoes.inicial = Comportamento::Modo("parar");
  auto servico = std::make_unique<teste::ServicoSimulado>(opcoes);
  servico->Enfileirar({Comportamento::Modo("aceitar"), Comportamento::Modo("aceitar")});
  const std::string url = servico->Url();

  // Five deliveries: three invoices, then an invoice with its cancellation event.
  Banco({{"488", N200()}, {"30", N310()}, {"26", N400i()}, {"46320", N400ComEvento()}});
  const std::string job = EscreverJob(NovoJob(url));
  auto execucao = std::async(std::launch::async, [&] { return Rodar(job); });

  const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (servico->Estado().requisicoes < 3 && std::chrono::steady_clock::now() < limite)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(servico->Estado().requisicoes, 3) << "the third delivery never reached the stand-in";
  servico.reset();
  ASSERT_EQ(execucao.wait_for(std::chrono::seconds(60)), std::future_status::ready);
  const auto r = execucao.get();

  EXPECT_EQ(r.status, 1);
  Linhas envios;  // the delivery lines, each error line cut to its fixed words
  for (const auto& l : r.linhas) {
    if (l.rfind("Erro ao executar transmissão SOAP: ", 0) == 0)
      envios.push_back("Erro ao executar transmissão SOAP: ");
    else if (l.rfind("Enviando Nfe: ", 0) == 0 || l.rfind("Url: ", 0) == 0 || l.rfind("Nfe ENVIO: ", 0) == 0)
      envios.push_back(l);
  }
  Linhas esperado = Envio(K200, url);
  Mais(esperado, Envio(K310, url));
  for (const auto& chave : {K400i, K400, K400})
    Mais(esperado, {"Enviando Nfe: " + chave, "Url: " + url, "Erro ao executar transmissão SOAP: "});
  EXPECT_EQ(envios, esperado);
  EXPECT_EQ(Quantas(r.linhas, "---- fim dados xml----"), 4u) << "every row was visited";
  EXPECT_EQ(Registro(), (Pares{{K200, "E"}, {K310, "E"}}));
}

}  // namespace
}  // namespace kiv::e2e
