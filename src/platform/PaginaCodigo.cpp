#include "platform/PaginaCodigo.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>
#include <stdexcept>

namespace kiv::plataforma {
namespace {

std::mutex g_mutex;
std::string g_nome = "WINDOWS-1252";

// Owns one iconv conversion descriptor.
class Conversor {
 public:
  Conversor(const std::string& para, const std::string& de) : cd_(iconv_open(para.c_str(), de.c_str())) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("Página de código não suportada: " + (para == "UTF-8" ? de : para));
  }
  ~Conversor() { iconv_close(cd_); }
  Conversor(const Conversor&) = delete;
  Conversor& operator=(const Conversor&) = delete;

  // Converts `entrada`, replacing every unconvertible unit (of `passo` bytes at most) by "?".
  std::string Converter(std::string_view entrada, bool entradaUtf8) {
    std::string saida;
    saida.reserve(entrada.size() + entrada.size() / 2 + 16);
    char* in = const_cast<char*>(entrada.data());
    size_t inLeft = entrada.size();
    char buffer[4096];
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
      char* out = buffer;
      size_t outLeft = sizeof buffer;
      const size_t r = iconv(cd_, &in, &inLeft, &out, &outLeft);
      saida.append(buffer, out - buffer);
      if (r != static_cast<size_t>(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: one character cannot be converted; skip it and write "?".
      size_t pular = 1;
      if (entradaUtf8) {
        const auto c = static_cast<unsigned char>(*in);
        const size_t esperado = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        pular = 1;
        while (pular < esperado && pular < inLeft &&
               (static_cast<unsigned char>(in[pular]) & 0xC0) == 0x80)
          ++pular;
      }
      in += pular;
      inLeft -= pular;
      saida += '?';
    }
    return saida;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string ParaAnsi(std::string_view utf8) {
  std::string nome = NomePaginaCodigo();
  Conversor c(nome, "UTF-8");
  return c.Converter(utf8, true);
}

std::string DeAnsi(std::string_view ansi) {
  std::string nome = NomePaginaCodigo();
  Conversor c("UTF-8", nome);
  return c.Converter(ansi, false);
}

bool Utf8Valido(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) { ++i; continue; }
    size_t len;
    unsigned cp;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
    else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
    else return false;
    if (i + len > n) return false;
    for (size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    i += len;
  }
  return true;
}

void FixarPaginaCodigo(std::string nome) {
  std::lock_guard lock(g_mutex);
  g_nome = nome.empty() ? "WINDOWS-1252" : std::move(nome);
}

std::string NomePaginaCodigo() {
  std::lock_guard lock(g_mutex);
  return g_nome;
}

}  // namespace kiv::plataforma
