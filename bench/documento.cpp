// Time of the per-row document work (document text, key, markers, decision, body) on a real
// invoice and on the same invoice grown to about 2 MB with accented product lines.
#include <chrono>
#include <cstdio>
#include <string>

#include "nfe/Documento.h"
#include "nfe/Tags.h"
#include "support/Ambiente.h"

namespace {

using Relogio = std::chrono::steady_clock;

template <typename F>
double Microssegundos(int vezes, F&& f) {
  const auto t0 = Relogio::now();
  for (int i = 0; i < vezes; ++i) f();
  return std::chrono::duration<double, std::micro>(Relogio::now() - t0).count() / vezes;
}

void Medir(const char* nome, const std::string& fonte, int vezes) {
  using namespace kiv::nfe;
  std::string documento;
  std::string chave;
  size_t tamanho = 0;
  const double tNorm = Microssegundos(vezes, [&] { documento = NormalizarDocumento(fonte); });
  const double tChave = Microssegundos(vezes, [&] { chave = ObterChave(documento); });
  const double tPos = Microssegundos(vezes, [&] { tamanho += PosicaoMarcador(documento, kMarcadorProtocolo); });
  const double tDecide = Microssegundos(vezes, [&] {
    tamanho += DecidirEnvio(documento, chave, [](const std::string&, const std::string&) { return false; }).size();
  });
  const double tCorpo = Microssegundos(vezes, [&] { tamanho += MontarDocumento(documento, "E", false).size(); });
  const double tCorpoInf = Microssegundos(vezes, [&] { tamanho += MontarDocumento(documento, "E", true).size(); });
  std::printf("%-22s %9zu bytes  MontarXml step 2 %9.1f us  ObterChave %7.1f us  PosicaoMarcador %7.1f us  "
              "DecidirEnvio %7.1f us  MontarDocumento %8.1f us (INFORMIX %8.1f us)\n",
              nome, fonte.size(), tNorm, tChave, tPos, tDecide, tCorpo, tCorpoInf);
  if (tamanho == 0) std::printf("(nothing built)\n");
}

}  // namespace

int main() {
  const std::string fonte = kiv::teste::LerArquivo(kiv::teste::Fixture("nfeProc-4.00-indented.xml"));
  Medir("nfeProc 4.00", fonte, 200);

  // The same invoice with its product lines repeated until it reaches about 2 MB.
  const size_t i = fonte.find("<det ");
  const size_t f = fonte.find("</det>") + 6;
  std::string det = fonte.substr(i, f - i);
  const size_t xProd = det.find("<xProd>") + 7;
  det.insert(xProd, "Peça de reposição ");
  std::string grande = fonte.substr(0, f);
  while (grande.size() < 2 * 1024 * 1024) grande += "\n      " + det;
  grande += fonte.substr(f);
  Medir("nfeProc 4.00 (2 MB)", grande, 10);
}
