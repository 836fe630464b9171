#include "platform/Descritor.h"

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace kiv::plataforma {

Descritor::~Descritor() {
  if (fd_ >= 0) ::close(fd_);
}

int Descritor::Soltar() { return std::exchange(fd_, -1); }

int Descritor::Fechar() {
  const int fd = std::exchange(fd_, -1);
  return fd >= 0 && ::close(fd) != 0 ? errno : 0;
}

int AbrirArquivo(const std::string& caminho, int flags, mode_t modo) {
  int fd;
  do fd = ::open(caminho.c_str(), flags | O_CLOEXEC, modo);
  while (fd < 0 && errno == EINTR);
  return fd;
}

int EscreverTudo(int fd, std::string_view conteudo) {
  while (!conteudo.empty()) {
    const ssize_t n = ::write(fd, conteudo.data(), conteudo.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    conteudo.remove_prefix(static_cast<size_t>(n));
  }
  return 0;
}

int LerAteOFim(int fd, std::string& destino) {
  // Reads straight into the room the caller reserved (a file's size); past it, through a buffer,
  // so a file of the expected size reaches its end without the text growing.
  char buffer[65536];
  for (;;) {
    const size_t lido = destino.size();
    const bool direto = destino.capacity() > lido;
    if (direto) destino.resize(destino.capacity());
    const ssize_t n = direto ? ::read(fd, destino.data() + lido, destino.size() - lido) : ::read(fd, buffer, sizeof buffer);
    const int erro = errno;
    if (direto) destino.resize(lido + static_cast<size_t>(n > 0 ? n : 0));
    if (n < 0) {
      if (erro == EINTR) continue;
      return erro;
    }
    if (n == 0) return 0;
    if (!direto) destino.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace kiv::plataforma
