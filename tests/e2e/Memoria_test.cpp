// Whole jobs on the in-memory path: an embedded Firebird database, the host program and the
// stand-in web service.
#include "Ponta.h"

namespace kiv::e2e {
namespace {

using teste::Comportamento;

const std::string kComando = "Comando SELECT: [SELECT ID, NUMERO, XML FROM NFE ORDER BY ID]";

Linhas Inicio(size_t notas) {
  return {kComando, "preparando para gerar dados em memória", "Localizou " + std::to_string(notas) + " notas"};
}

class Memoria : public PontaFirebird {};

TEST_F(Memoria, ThreeRowsAreCountedOnceDeliveredInOrderAndNotSentAgainByTheNextRun) {
  auto& servico = Servico();
  const Documento docs[] = {Doc("n200", N200(), K200), Doc("n310", N310(), K310), Doc("n400i", N400i(), K400i)};
  Banco({{"488", N200()}, {"30", N310()}, {"26", N400i()}});
  const std::string job = EscreverJob(NovoJob(servico.Url()));

  Linhas esperado = Inicio(3);
  for (const auto& d : docs) {
    Mais(esperado, BlocoMemoria(d, false));
    Mais(esperado, Envio(d.chave, servico.Url()));
  }
  auto r = Rodar(job);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{K200, "E"}, {K310, "E"}, {K400i, "E"}}));
  const Pares todos{{K200, "E"}, {K310, "E"}, {K400i, "E"}};
  EXPECT_EQ(Registro(), todos);

  // The same day again: every row is diagnosed, none is sent.
  servico.Limpar();
  esperado = Inicio(3);
  for (const auto& d : docs) Mais(esperado, BlocoMemoria(d, true));
  r = Rodar(job);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_TRUE(Entregas(servico).empty());
  EXPECT_EQ(Registro(), todos);
}

TEST_F(Memoria, ProtocolAndEventGoAsInvoiceThenCancellationAndARejectedKindGoesAgainNextRun) {
  auto& servico = Servico();
  const Documento d = Doc("n400+evento", N400ComEvento(), K400);
  Banco({{"46320", N400ComEvento()}});
  const std::string job = EscreverJob(NovoJob(servico.Url()));

  servico.Enfileirar({Comportamento::Modo("aceitar"), Comportamento::Modo("rejeitar")});
  Linhas esperado = Inicio(1);
  Mais(esperado, BlocoMemoria(d, false));
  Mais(esperado, Envio(K400, servico.Url()));
  Mais(esperado, Envio(K400, servico.Url(), "215", "Nfe não enviada - Rejeição: falha no schema XML"));
  auto r = Rodar(job);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{K400, "E"}, {K400, "C"}}));
  EXPECT_EQ(Registro(), (Pares{{K400, "E"}}));

  // Next run: the invoice is in the register, so only the rejected cancellation goes.
  servico.Limpar();
  esperado = Inicio(1);
  Mais(esperado, BlocoMemoria(d, true));
  Mais(esperado, Envio(K400, servico.Url()));
  r = Rodar(job);
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{K400, "C"}}));
  EXPECT_EQ(Registro(), (Pares{{K400, "E"}, {K400, "C"}}));
}

TEST_F(Memoria, AnEmptyDocumentIsDiagnosedAndSentOnceUnderItsEmptyKey) {
  auto& servico = Servico();
  const Documento vazio{"", "", ""};
  Banco({{"1", ""}, {"2", std::nullopt}});
  // The second row is judged against the register after the first row's accepted delivery.
  Linhas esperado = Inicio(2);
  Mais(esperado, BlocoMemoria(vazio, false));
  Mais(esperado, Envio("", servico.Url()));
  Mais(esperado, BlocoMemoria(vazio, true));
  const auto r = Rodar(EscreverJob(NovoJob(servico.Url())));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_EQ(Entregas(servico), (std::vector<Par>{{"", "E"}}));
  EXPECT_EQ(Registro(), (Pares{{"", "E"}}));
}

TEST_F(Memoria, AMissingDocumentColumnIsReportedForEveryRowAndNothingIsSent) {
  auto& servico = Servico();
  Banco({{"488", N200()}, {"30", N310()}});
  Job j = NovoJob(servico.Url());
  j.dados = "XMLNFE";
  const auto r = Rodar(EscreverJob(j));
  EXPECT_EQ(r.status, 1);
  Linhas esperado = Inicio(2);
  Mais(esperado, {"Erro ao ler NFe - Field 'XMLNFE' not found", "Erro ao ler NFe - Field 'XMLNFE' not found"});
  EXPECT_EQ(r.linhas, esperado);
  EXPECT_TRUE(Entregas(servico).empty());
  EXPECT_EQ(Registro(), Pares{});
}

}  // namespace
}  // namespace kiv::e2e
