// The three functions a host calls; nothing else leaves the library.
#include "KIVXmlVW.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "package/Executa.h"

namespace {

// Replaces the host's text with a malloc()ed copy of `valor` (NULL if memory ran out).
void Entregar(char** destino, const std::string& valor) noexcept {
  if (!destino) return;
  if (*destino) {
    std::free(*destino);
    *destino = nullptr;
  }
  char* copia = static_cast<char*>(std::malloc(valor.size() + 1));
  if (!copia) return;
  std::memcpy(copia, valor.c_str(), valor.size() + 1);
  *destino = copia;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) bool Kiv(void) { return true; }

extern "C" __attribute__((visibility("default"))) void Config(char** texto) {
  Entregar(texto, kiv::package::kDescritor);
}

extern "C" __attribute__((visibility("default"))) void Executa(char** log, const char* caminho) {
  if (!log) return;
  // The host's variable is released before the run, and receives the new log after it.
  std::free(*log);
  *log = nullptr;
  auto linhas = kiv::package::LinhasDoPacote(caminho ? caminho : "");
  // The run's selection is freed by now, but its pages still count as resident: hand them back,
  // so the log's buffer below does not come on top of them.
  malloc_trim(0);
  // The log goes straight into the host's buffer, each line released once copied, so a large
  // run's log is never held twice.
  size_t tamanho = 1;
  for (const auto& linha : linhas) tamanho += linha.size() + 2;
  char* texto = static_cast<char*>(std::malloc(tamanho));
  if (!texto) return;
  char* fim = texto;
  for (auto& linha : linhas) {
    std::memcpy(fim, linha.data(), linha.size());
    fim += linha.size();
    *fim++ = '\r';
    *fim++ = '\n';
    std::string().swap(linha);
  }
  *fim = '\0';
  *log = texto;
}
