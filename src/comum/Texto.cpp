#include "comum/Texto.h"

#include <algorithm>

namespace kiv {
namespace {

char Maiuscula(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

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

size_t AcharSemCaso(std::string_view texto, std::string_view procurado, size_t inicio) {
  if (procurado.empty()) return inicio <= texto.size() ? inicio : std::string_view::npos;
  if (texto.size() < procurado.size()) return std::string_view::npos;
  for (size_t i = inicio; i + procurado.size() <= texto.size(); ++i)
    if (IgualSemCaso(texto.substr(i, procurado.size()), procurado)) return i;
  return std::string_view::npos;
}

std::string SubstituirTodos(std::string_view texto, std::string_view de, std::string_view para, bool ignorarCaso) {
  if (de.empty()) return std::string(texto);
  std::string r;
  r.reserve(texto.size());
  size_t i = 0;
  for (;;) {
    const size_t p = ignorarCaso ? AcharSemCaso(texto, de, i) : texto.find(de, i);
    if (p == std::string_view::npos) break;
    r.append(texto.substr(i, p - i));
    r.append(para);
    i = p + de.size();
  }
  r.append(texto.substr(i));
  return r;
}

size_t ContaCaracteres(std::string_view s) {
  return static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return !Continuacao(c); }));
}

size_t Posicao(std::string_view procurado, std::string_view texto) {
  if (procurado.empty()) return 0;
  const size_t p = texto.find(procurado);
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
