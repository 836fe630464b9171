#include "platform/ArquivosTexto.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/PaginaCodigo.h"

namespace kiv::plataforma {
namespace {

class Descritor {
 public:
  explicit Descritor(int fd) : fd_(fd) {}
  ~Descritor() {
    if (fd_ >= 0) close(fd_);
  }
  Descritor(const Descritor&) = delete;
  Descritor& operator=(const Descritor&) = delete;
  int fd() const { return fd_; }
  // Closes now, so a failed close (a full disk on some file systems) is reported.
  int Fechar() {
    const int r = close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

std::runtime_error Falha(const char* acao, const std::string& caminho) {
  return std::runtime_error(std::string(acao) + " \"" + caminho + "\". " + std::strerror(errno));
}

}  // namespace

void GravarTextoAnsi(const std::string& caminho, const std::string& texto) {
  const std::string bytes = ParaAnsi(texto);
  Descritor f(open(caminho.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (f.fd() < 0) throw Falha("Cannot create file", caminho);
  size_t escritos = 0;
  while (escritos < bytes.size()) {
    const ssize_t n = write(f.fd(), bytes.data() + escritos, bytes.size() - escritos);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Falha("Cannot write file", caminho);
    escritos += static_cast<size_t>(n);
  }
  if (f.Fechar() != 0) throw Falha("Cannot write file", caminho);
}

std::string JuntarLinhasCRLF(const std::string& texto) {
  std::string saida;
  saida.reserve(texto.size() + texto.size() / 32 + 2);
  size_t i = 0;
  const size_t n = texto.size();
  while (i < n) {
    const size_t fim = texto.find_first_of("\r\n", i);
    if (fim == std::string::npos) {
      saida.append(texto, i, n - i);
      saida += "\r\n";
      break;
    }
    saida.append(texto, i, fim - i);
    saida += "\r\n";
    i = fim + 1;
    if (texto[fim] == '\r' && i < n && texto[i] == '\n') ++i;
  }
  return saida;
}

std::string LerTextoComLinhasCRLF(const std::string& caminho) {
  Descritor f(open(caminho.c_str(), O_RDONLY | O_CLOEXEC));
  if (f.fd() < 0) throw Falha("Cannot open file", caminho);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(f.fd(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Falha("Cannot read file", caminho);
    if (n == 0) break;
    bytes.append(buffer, static_cast<size_t>(n));
  }
  std::string texto;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
    texto = bytes.substr(3);
  else
    texto = DeAnsi(bytes);
  return JuntarLinhasCRLF(texto);
}

}  // namespace kiv::plataforma
