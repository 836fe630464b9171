// libFuzzer target: the access key, tag values, the delivered body and the row's document text.
#include <cstdio>
#include <cstdlib>

#include "AlvosDocumento.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* dados, size_t tamanho) {
  const std::string falha = kiv::fuzz::ExercitaDocumento(dados, tamanho);
  if (!falha.empty()) {
    std::fprintf(stderr, "%s\n", falha.c_str());
    std::abort();
  }
  return 0;
}
