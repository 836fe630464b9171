// libFuzzer target: loading the day's register file, and saving it again.
#include <cstdio>
#include <cstdlib>

#include "AlvosRegistro.h"
#include "PastaRascunho.h"

namespace {
std::string work;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  work = kiv::fuzz::PastaRascunho() + "/Work";
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string falha = kiv::fuzz::ExercitaRegistro(work, dados, tamanho);
  if (!falha.empty()) {
    std::fprintf(stderr, "%s\n", falha.c_str());
    std::abort();
  }
  return 0;
}
