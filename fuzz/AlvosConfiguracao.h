#pragma once
// What the fuzz target feeds the job-file loader, shared by the libFuzzer program and the test
// that replays the saved corpus: the input is written to a file, loaded, and every value a run
// reads is read. Failures the loader reports on purpose (ErroConfiguracao) are fine; a crash, a
// sanitizer report or any other exception is not.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "config/KIVSchema.h"

namespace kiv::fuzz {

// Reads a value; a value element with other content than text fails on purpose.
template <class F>
void Ler(F&& leitura) {
  try {
    (void)leitura();
  } catch (const config::ErroConfiguracao&) {
  }
}

// `arquivo` is the scratch file the input goes to.
inline std::string ExercitaCarregaSelecao(const std::string& arquivo, const uint8_t* dados, size_t tamanho) {
  const int fd = open(arquivo.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return "cannot write " + arquivo;
  const bool escrito = write(fd, dados, tamanho) == static_cast<ssize_t>(tamanho);
  close(fd);
  if (!escrito) return "cannot write " + arquivo;
  try {
    std::shared_ptr<config::IXMLTSelecao> s;
    try {
      s = config::CarregarSelecao(arquivo);
    } catch (const config::ErroConfiguracao&) {
      return {};
    }
    auto origem = s->Origem();
    auto banco = origem->Banco();
    auto result = origem->Result();
    Ler([&] { return banco->Tipo(); });
    Ler([&] { return banco->Host(); });
    Ler([&] { return banco->DataBase(); });
    Ler([&] { return banco->User(); });
    Ler([&] { return banco->Passwd(); });
    Ler([&] { return origem->Execute(); });
    Ler([&] { return result->Tipo(); });
    Ler([&] { return result->Dados(); });
    Ler([&] { return result->Destino(); });
    Ler([&] { return result->Mascara(); });
    Ler([&] { return s->Destino()->Soap()->Url(); });
    Ler([&] { return s->Nome(); });
    auto campos = s->Campos();
    const int n = campos->Count();
    for (int i = 0; i < n && i < 64; ++i) {
      auto campo = campos->Campo(i);
      Ler([&] { return campo->Sequencia(); });
      Ler([&] { return campo->Nome(); });
      Ler([&] { return campo->Valor(); });
    }
    // A value written and read back, as a host that edits the job would; an element holding
    // other content than text refuses the write.
    try {
      banco->Set_User("x&<y>]]>");
      if (banco->User() != "x&<y>]]>") return "a written value reads back otherwise";
    } catch (const config::ErroConfiguracao&) {
    }
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  return {};
}

}  // namespace kiv::fuzz
