// The three functions a host calls; nothing else leaves the library.
#include "KIVXmlVW.h"

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
  *log = kiv::package::JuntarLog(kiv::package::LinhasDoPacote(caminho ? caminho : ""));
}
