// libFuzzer target: the job-file loader and the values a run reads.
#include <cstdio>
#include <cstdlib>

#include "AlvosConfiguracao.h"
#include "PastaRascunho.h"

namespace {
std::string arquivo;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arquivo = kiv::fuzz::PastaRascunho() + "/job.xml";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string falha = kiv::fuzz::ExercitaCarregaSelecao(arquivo, dados, tamanho);
  if (!falha.empty()) {
    std::fprintf(stderr, "%s\n", falha.c_str());
    std::abort();
  }
  return 0;
}
