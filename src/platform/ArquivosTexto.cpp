#include "platform/ArquivosTexto.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "comum/Texto.h"
#include "platform/Descritor.h"
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

std::runtime_error Falha(const char* acao, const std::string& caminho, int erro) {
  return std::runtime_error(std::string(acao) + " \"" + caminho + "\". " + std::strerror(erro));
}

// UTF-16 bytes (after their byte-order mark) as UTF-8; a lone surrogate or an odd last byte
// becomes "?", as an unconvertible character does everywhere else in the package.
std::string DeUtf16(std::string_view bytes, bool bigEndian) {
  std::string saida;
  saida.reserve(bytes.size() / 2 + 1);
  const auto unidade = [&](size_t i) -> char32_t {
    const auto a = static_cast<unsigned char>(bytes[2 * i]), b = static_cast<unsigned char>(bytes[2 * i + 1]);
    return bigEndian ? (a << 8) | b : (b << 8) | a;
  };
  PercorrerUtf16(bytes.size() / 2, unidade, U'?', [&](char32_t c) { AnexarUtf8(saida, c); });
  if (bytes.size() % 2 != 0) saida += '?';
  return saida;
}

// UTF-8 bytes with every broken sequence replaced by "?".
std::string Utf8Saneado(std::string_view bytes) {
  if (Utf8Valido(bytes)) return std::string(bytes);
  std::string saida;
  saida.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    const size_t len = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
    if (len > 0 && i + len <= bytes.size() && Utf8Valido(bytes.substr(i, len))) {
      saida.append(bytes, i, len);
      i += len;
    } else {
      saida += '?';
      ++i;
      while (i < bytes.size() && (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80) ++i;
    }
  }
  return saida;
}

}  // namespace

void GravarTextoAnsi(const std::string& caminho, const std::string& texto) {
  const std::string bytes = ParaAnsi(texto);
  Descritor f(AbrirArquivo(caminho, O_WRONLY | O_CREAT | O_TRUNC, 0644));
  if (!f.Valido()) throw Falha("Cannot create file", caminho, errno);
  if (const int erro = EscreverTudo(f.fd(), bytes)) throw Falha("Cannot write file", caminho, erro);
  if (const int erro = f.Fechar()) throw Falha("Cannot write file", caminho, erro);
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
  Descritor f(AbrirArquivo(caminho, O_RDONLY));
  if (!f.Valido()) throw Falha("Cannot open file", caminho, errno);
  std::string bytes;
  if (const int erro = LerAteOFim(f.fd(), bytes)) throw Falha("Cannot read file", caminho, erro);
  // The encoding comes from a byte-order mark (UTF-8, UTF-16 LE or BE), else the ANSI code page.
  const std::string_view b = bytes;
  std::string texto;
  if (b.substr(0, 3) == "\xEF\xBB\xBF")
    texto = Utf8Saneado(b.substr(3));
  else if (b.substr(0, 2) == "\xFF\xFE")
    texto = DeUtf16(b.substr(2), false);
  else if (b.substr(0, 2) == "\xFE\xFF")
    texto = DeUtf16(b.substr(2), true);
  else
    texto = DeAnsi(b);
  // As with a document read from the database, a NUL character ends the text.
  const size_t nul = texto.find('\0');
  if (nul != std::string::npos) texto.resize(nul);
  return JuntarLinhasCRLF(texto);
}

}  // namespace kiv::plataforma
