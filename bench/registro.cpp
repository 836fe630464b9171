// The register at 100,000 entries: time to load it, to look it up 100,000 times and to save it.
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "run/RegistroEnviados.h"
#include "support/Ambiente.h"

namespace {

using Relogio = std::chrono::steady_clock;

double Ms(Relogio::time_point desde) {
  return std::chrono::duration<double, std::milli>(Relogio::now() - desde).count();
}

// Keys of one dealer share their first 34 characters, as real ones do.
std::string Chave(int i) {
  char texto[64];
  std::snprintf(texto, sizeof texto, "35240312345678000190550010%09d1%08d", i, i % 99999999);
  return texto;
}

}  // namespace

int main() {
  constexpr int kEntradas = 100000;
  constexpr int kConsultas = 100000;
  const std::string descricao = "Autorizado o uso da NF-e: arquivo recebido e validado com sucesso (protocolo)";
  kiv::teste::PastaTemporaria pasta;
  const std::string work = pasta / "Work";
  const std::string arquivo = kiv::run::ArquivoRegistro(work, {2024, 3, 5});

  auto t = Relogio::now();
  {
    kiv::run::TRegistroEnviados registro;
    registro.Preparar(work, arquivo);
    for (int i = 0; i < kEntradas; ++i) registro.Registrar(Chave(i), i % 10 ? "E" : "C", "100", descricao);
    const double registrar = Ms(t);
    t = Relogio::now();
    registro.Fechar();
    std::printf("record %d acceptances (with the writes once a second): %8.1f ms\n", kEntradas, registrar);
    std::printf("first save of %d entries:                            %8.1f ms\n", kEntradas, Ms(t));
  }
  std::printf("file size: %zu bytes\n", kiv::teste::LerArquivo(arquivo).size());

  kiv::run::TRegistroEnviados registro;
  t = Relogio::now();
  registro.Preparar(work, arquivo);
  std::printf("load %zu entries:                                     %8.1f ms\n", registro.Quantidade(), Ms(t));

  // Half of the lookups hit, half ask for the other kind or an unknown key.
  std::vector<std::pair<std::string, std::string>> pares;
  for (int i = 0; i < kConsultas; ++i) {
    const int n = (i * 7919) % kEntradas;
    pares.emplace_back(i % 2 ? Chave(n) : Chave(n + kEntradas), n % 10 ? "E" : "C");
  }
  int achados = 0;
  t = Relogio::now();
  for (const auto& [chave, tipo] : pares) achados += registro.Localizar(chave, tipo);
  const double consultas = Ms(t);
  std::printf("%d lookups (%d found):                          %8.1f ms (%.2f us each)\n", kConsultas, achados,
              consultas, consultas * 1000 / kConsultas);

  // The first acceptance of a run is written at once: the file is read again under the lock and
  // the union written.
  t = Relogio::now();
  registro.Registrar(Chave(kEntradas + 1), "E", "100", descricao);
  std::printf("save of one more acceptance (re-read + write):         %8.1f ms\n", Ms(t));
  registro.Fechar();
  return 0;
}
