#include "platform/ArquivosTexto.h"

#include <fcntl.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/PaginaCodigo.h"

namespace kiv::plataforma {
namespace {

// The first CR or LF in [p, fim), or fim; 16 bytes at a time where SSE2 is there (find_first_of
// would search the set once per byte).
const char* ProximaQuebra(const char* p, const char* fim) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; fim - p >= 16; p += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int mascara = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, cr), _mm_cmpeq_epi8(x, lf)));
    if (mascara != 0) return p + std::countr_zero(static_cast<unsigned>(mascara));
  }
#endif
  while (p < fim && *p != '\r' && *p != '\n') ++p;
  return p;
}

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

std::string JuntarLinhasCRLF(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size() + texto.size() / 32 + 2);
  const char* p = texto.data();
  const char* const fim = p + texto.size();
  while (p < fim) {
    const char* q = ProximaQuebra(p, fim);
    saida.append(p, q);
    saida += "\r\n";
    if (q == fim) break;
    p = q + 1;
    if (*q == '\r' && p < fim && *p == '\n') ++p;
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
