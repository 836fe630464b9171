// libFuzzer target: the arithmetic of "@" groups.
#include <cstdio>
#include <cstdlib>

#include "Alvos.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  kiv::fuzz::FixarAmbiente();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string falha = kiv::fuzz::ExercitaAvaliaExpressao(dados, tamanho);
  if (!falha.empty()) {
    std::fprintf(stderr, "%s\n", falha.c_str());
    std::abort();
  }
  return 0;
}
