#pragma once
// Text helpers shared by the whole package. Text is UTF-8; where positions and lengths matter to
// the log or to a cut, they count characters (code points), never bytes.
#include <cstddef>
#include <string>
#include <string_view>

namespace kiv {

// Removes leading and trailing blanks and control characters (every byte up to the blank).
std::string Trim(std::string_view s);

// Upper-cases ASCII letters only; everything else stays as it is.
std::string MaiusculasAscii(std::string_view s);

// Equal when ASCII letters are compared without regard to case.
bool IgualSemCaso(std::string_view a, std::string_view b);

// Replaces every occurrence of `de` by `para`; with `ignorarCaso` ASCII letters match in any case.
std::string SubstituirTodos(std::string_view texto, std::string_view de, std::string_view para, bool ignorarCaso);

// Byte offset of `procurado` in `texto` from `inicio`; npos when absent, `inicio` for an empty
// `procurado` (as std::string_view::find). Candidates are sifted 16 bytes at a time by the first
// and the last byte of `procurado` together, so markup, where "<" or "/" comes every few bytes,
// does not stop the search at each of them.
size_t Achar(std::string_view texto, std::string_view procurado, size_t inicio = 0);

// Byte offset of `procurado` in `texto` from `inicio`, ignoring ASCII case; npos when absent.
size_t AcharSemCaso(std::string_view texto, std::string_view procurado, size_t inicio = 0);

// Number of characters of a UTF-8 text.
size_t ContaCaracteres(std::string_view s);

// 1-based character position of the first occurrence of `procurado` in `texto`; 0 when absent.
size_t Posicao(std::string_view procurado, std::string_view texto);

// The `n` characters of `texto` that begin at character position `p` (1-based). A `p` below 1
// counts as 1, an `n` below 0 as 0, and the copy stops at the end of the text.
std::string Copia(std::string_view texto, long long p, long long n);

// Appends the UTF-8 form of one code point.
void AnexarUtf8(std::string& s, char32_t cp);

// The code points of `n` UTF-16 code units, read by `unidade(i)`, handed to `emitir` in order; a
// surrogate without its partner is handed over as `substituto`.
template <class Unidade, class Emitir>
void PercorrerUtf16(size_t n, Unidade unidade, char32_t substituto, Emitir emitir) {
  for (size_t i = 0; i < n; ++i) {
    const char32_t c = unidade(i);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n) {
      const char32_t d = unidade(i + 1);
      if (d >= 0xDC00 && d <= 0xDFFF) {
        emitir(0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00));
        ++i;
        continue;
      }
    }
    emitir(c >= 0xD800 && c <= 0xDFFF ? substituto : c);
  }
}

// Byte offset of the character at 1-based character position `p` (the size when past the end).
size_t OffsetDoCaractere(std::string_view texto, size_t p);

}  // namespace kiv
