#include "comum/Texto.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace kiv {
namespace {

char Maiuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char Minuscula(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IgualEm(std::string_view texto, size_t i, std::string_view procurado, bool semCaso) {
  const std::string_view trecho = texto.substr(i, procurado.size());
  return semCaso ? IgualSemCaso(trecho, procurado) : trecho == procurado;
}

// The search behind Achar and AcharSemCaso.
size_t Buscar(std::string_view texto, std::string_view procurado, size_t inicio, bool semCaso) {
  const size_t n = texto.size(), m = procurado.size();
  if (m == 0) return inicio <= n ? inicio : std::string_view::npos;
  if (inicio > n || n - inicio < m) return std::string_view::npos;
  size_t i = inicio;
#if defined(__SSE2__)
  // A position is a candidate when its byte is the first of `procurado` and the byte m - 1 further
  // on is the last (either case of a letter when case is ignored); only candidates are compared.
  const char primeiro = procurado.front(), ultimo = procurado.back();
  const auto byte = [](char c) { return _mm_set1_epi8(c); };
  const __m128i p1 = byte(semCaso ? Minuscula(primeiro) : primeiro), p2 = byte(semCaso ? Maiuscula(primeiro) : primeiro);
  const __m128i u1 = byte(semCaso ? Minuscula(ultimo) : ultimo), u2 = byte(semCaso ? Maiuscula(ultimo) : ultimo);
  const char* d = texto.data();
  for (; i + m - 1 + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d + i + m - 1));
    const __m128i ea = _mm_or_si128(_mm_cmpeq_epi8(a, p1), _mm_cmpeq_epi8(a, p2));
    const __m128i eb = _mm_or_si128(_mm_cmpeq_epi8(b, u1), _mm_cmpeq_epi8(b, u2));
    for (unsigned mascara = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(ea, eb))); mascara != 0;
         mascara &= mascara - 1) {
      const size_t c = i + static_cast<size_t>(std::countr_zero(mascara));
      if (IgualEm(texto, c, procurado, semCaso)) return c;
    }
  }
#endif
  for (; i + m <= n; ++i)
    if (IgualEm(texto, i, procurado, semCaso)) return i;
  return std::string_view::npos;
}

bool Continuacao(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

std::string Trim(std::string_view s) {
  size_t i = 0, j = s.size();
  while (i < j && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  while (j > i && static_cast<unsigned char>(s[j - 1]) <= ' ') --j;
  return std::string(s.substr(i, j - i));
}

std::string MaiusculasAscii(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = Maiuscula(c);
  return r;
}

bool IgualSemCaso(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Maiuscula(x) == Maiuscula(y); });
}

size_t Achar(std::string_view texto, std::string_view procurado, size_t inicio) {
  return Buscar(texto, procurado, inicio, false);
}

size_t AcharSemCaso(std::string_view texto, std::string_view procurado, size_t inicio) {
  return Buscar(texto, procurado, inicio, true);
}

std::string SubstituirTodos(std::string_view texto, std::string_view de, std::string_view para, bool ignorarCaso) {
  if (de.empty()) return std::string(texto);
  std::string r;
  r.reserve(texto.size());
  size_t i = 0;
  for (;;) {
    const size_t p = ignorarCaso ? AcharSemCaso(texto, de, i) : Achar(texto, de, i);
    if (p == std::string_view::npos) break;
    r.append(texto.substr(i, p - i));
    r.append(para);
    i = p + de.size();
  }
  r.append(texto.substr(i));
  return r;
}

size_t ContaCaracteres(std::string_view s) {
  // Characters are the bytes that are not continuation bytes (10xxxxxx), counted eight at a time.
  size_t continuacoes = 0;
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    uint64_t x;
    std::memcpy(&x, s.data() + i, sizeof x);
    const uint64_t altos = x & 0x8080808080808080ULL;
    if (altos != 0) continuacoes += static_cast<size_t>(std::popcount(altos & ~(x << 1)));
  }
  for (; i < s.size(); ++i) continuacoes += Continuacao(s[i]);
  return s.size() - continuacoes;
}

size_t Posicao(std::string_view procurado, std::string_view texto) {
  if (procurado.empty()) return 0;
  const size_t p = Achar(texto, procurado);
  if (p == std::string_view::npos) return 0;
  return ContaCaracteres(texto.substr(0, p)) + 1;
}

size_t OffsetDoCaractere(std::string_view texto, size_t p) {
  if (p <= 1) return 0;
  size_t contados = 0;
  for (size_t i = 0; i < texto.size(); ++i) {
    if (!Continuacao(texto[i])) {
      if (contados == p - 1) return i;
      ++contados;
    }
  }
  return texto.size();
}

void AnexarUtf8(std::string& s, char32_t c) {
  if (c < 0x80) {
    s += static_cast<char>(c);
  } else if (c < 0x800) {
    s += static_cast<char>(0xC0 | (c >> 6));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    s += static_cast<char>(0xE0 | (c >> 12));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | (c >> 18));
    s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    s += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Copia(std::string_view texto, long long p, long long n) {
  if (p < 1) p = 1;
  if (n <= 0) return {};
  const size_t inicio = OffsetDoCaractere(texto, static_cast<size_t>(p));
  if (inicio >= texto.size()) return {};
  size_t fim = inicio;
  long long contados = 0;
  while (fim < texto.size()) {
    if (!Continuacao(texto[fim])) {
      if (contados == n) break;
      ++contados;
    }
    ++fim;
  }
  return std::string(texto.substr(inicio, fim - inicio));
}

}  // namespace kiv
