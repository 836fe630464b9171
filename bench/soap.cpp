// Deliveries per second through TransmitirNFe beside a bare libcurl loop that posts the same
// request text over one reused handle, both against the stand-in web service on 127.0.0.1.
// Usage: bench_soap [posts] (5000 by default).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PostagemCurl.h"
#include "config/KIVSchema.h"
#include "run/udmKIVVW.h"
#include "soap/HTTPReqResp.h"
#include "soap/aakonline.h"
#include "support/Ambiente.h"
#include "support/ServicoSimulado.h"

namespace {

using Relogio = std::chrono::steady_clock;

double Segundos(Relogio::time_point inicio) {
  return std::chrono::duration<double>(Relogio::now() - inicio).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 5000;
  kiv::teste::ServicoSimulado::Opcoes opcoes;
  opcoes.registrar = false;
  kiv::teste::ServicoSimulado servico(opcoes);
  const std::string documento = kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-3.10-indented.xml"));

  // TransmitirNFe: key, body, envelope, post, answer, register, log lines.
  kiv::teste::PastaTemporaria pasta;
  kiv::run::TdmKIVVW dm;
  dm.SetSchema(kiv::config::NovaSelecao());
  dm.Schema()->Destino()->Soap()->Set_Url(servico.Url());
  dm.cdsEnviadosRegistro().Preparar(pasta / "Work", pasta / "Work/NfeEnvVW_20120315.xml");

  // Bare libcurl: the same request text and headers over one reused handle.
  const std::string requisicao = kiv::soap::MontarRequisicao(dm.MontarDocumento(documento, "E"));
  const std::string url = servico.Url();
  kiv::bench::PostagemCurl curl(url);
  int falhas = 0;

  // THTTPReqResp alone: the transport without the document work, the register and the log.
  kiv::soap::THTTPReqResp http;
  http.SetURL(url);
  http.SetIgnorarErrosCertificado(true);
  http.SetSoapAction(std::string(kiv::soap::kAcaoEnviaXML));

  struct Lado {
    const char* nome;
    std::function<void()> postar;
    double tempo = 0;
  };
  Lado lados[] = {
      {"TransmitirNFe", [&] { dm.TransmitirNFe(documento, "E"); }},
      {"THTTPReqResp ", [&] { http.Executar(requisicao); }},
      {"bare libcurl ",
       [&] { falhas += !curl.Postar(requisicao); }},
  };

  // Warm up, then alternate blocks so that load from elsewhere on the machine falls on every
  // side alike.
  for (auto& l : lados)
    for (int i = 0; i < 20; ++i) l.postar();
  const size_t linhasAntes = dm.Mensagens().size();
  std::vector<double> razoes;  // per round: time of bare libcurl / time of TransmitirNFe
  for (int feitos = 0; feitos < n;) {
    const int bloco = std::min(250, n - feitos);
    for (auto& l : lados) {
      const auto inicio = Relogio::now();
      for (int i = 0; i < bloco; ++i) l.postar();
      l.tempo += Segundos(inicio);
    }
    feitos += bloco;
  }
  size_t aceitas = 0;
  for (size_t i = linhasAntes; i < dm.Mensagens().size(); ++i)
    aceitas += dm.Mensagens()[i].find("Cod.[100]") != std::string::npos;

  const auto estado = servico.Estado();
  std::printf("request text: %zu bytes; stand-in saw %d posts over %d connections\n", requisicao.size(),
              estado.requisicoes, estado.conexoes);
  for (const auto& l : lados)
    std::printf("%s: %6d posts in %7.3f s = %8.1f per second\n", l.nome, n, l.tempo, n / l.tempo);
  std::printf("TransmitirNFe accepted %zu of %d; bare libcurl failed %d\n", aceitas, n, falhas);
  std::printf("ratio TransmitirNFe / bare libcurl: %.3f (THTTPReqResp alone / bare libcurl: %.3f)\n",
              lados[2].tempo / lados[0].tempo, lados[2].tempo / lados[1].tempo);
  return 0;
}
