#include "nfe/Tags.h"

#include "comum/Texto.h"

// Positions here count characters (code points), as the cuts and the log do, but the searches run
// over the UTF-8 bytes: every searched text begins with an ASCII character, so a byte offset found
// by a search is always the first byte of a character, and stepping one character back or forth
// only looks at the few bytes of that character. Each operation stays a few linear searches.

namespace kiv::nfe {
namespace {

constexpr size_t npos = std::string_view::npos;
constexpr std::string_view kPrefixo = "ns2:";

bool Continuacao(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// First occurrence of `x` in `t`; an empty `x` occurs nowhere.
size_t Achar(std::string_view t, std::string_view x, size_t de = 0) {
  return x.empty() ? npos : kiv::Achar(t, x, de);
}

// Byte offset of the character after the one at `i` (at most the size).
size_t Proximo(std::string_view t, size_t i) {
  if (i >= t.size()) return t.size();
  ++i;
  while (i < t.size() && Continuacao(t[i])) ++i;
  return i;
}

// Byte offset of the character before the one at `i` (`i` > 0).
size_t Anterior(std::string_view t, size_t i) {
  --i;
  while (i > 0 && Continuacao(t[i])) --i;
  return i;
}

std::string Juntar(std::string_view a, std::string_view b) {
  std::string r;
  r.reserve(a.size() + b.size());
  r.append(a).append(b);
  return r;
}

// The value of a tag: from the character after the first ">" that follows the tag name up to the
// character before the "/" of the end tag. Offsets are those of the characters at the
// positions Start and End; `inicio` npos stands for Start 0 (no ">" in the whole text).
struct Trecho {
  size_t inicio = npos;
  size_t fim = npos;
};

Trecho LocalizarValor(std::string_view texto, std::string_view tag, std::string_view fimTag) {
  Trecho r;
  const size_t a = Achar(texto, tag);
  const size_t g = texto.find('>', a == npos ? 0 : a);
  if (g != npos)
    r.inicio = a == npos ? g : g + 1;  // without the tag, Start is the ">" itself
  else if (a != npos)
    r.inicio = a;  // no ">" after the tag: Start is the tag's own position
  r.fim = Achar(texto, fimTag);
  return r;
}

std::string ValorSemTags(std::string_view texto, std::string_view tag) {
  // Every text searched below contains the tag name: without it there is nothing to find (one
  // pass over the document instead of four).
  if (!tag.empty() && Achar(texto, tag) == npos) return {};
  Trecho t = LocalizarValor(texto, tag, Juntar("/", tag));
  if (t.inicio == npos || t.fim == npos) {
    const std::string comPrefixo = Juntar(kPrefixo, tag);
    t = LocalizarValor(texto, comPrefixo, Juntar("/", comPrefixo));
  }
  // Start 0 implies no end tag either, so nothing is copied.
  if (t.inicio == npos || t.fim == npos || t.fim == 0) return {};
  // Copy(Texto, Start, End - Start - 1): up to the character before the one before "/".
  const size_t fim = Anterior(texto, t.fim);
  if (fim <= t.inicio) return {};
  return std::string(texto.substr(t.inicio, fim - t.inicio));
}

// The whole element written with the "ns2:" prefix, or "".
std::string ElementoComPrefixo(std::string_view texto, std::string_view tag) {
  const size_t inicio = Achar(texto, Juntar("<ns2:", tag));
  if (inicio == npos) return {};
  const std::string fimTag = "</ns2:" + std::string(tag) + ">";
  const size_t fim = Achar(texto, fimTag, inicio);
  if (fim == npos) return {};
  return std::string(texto.substr(inicio, fim + fimTag.size() - inicio));
}

std::string ElementoComTags(std::string_view texto, std::string_view tag) {
  const size_t a = Achar(texto, tag);
  const size_t barra = a == npos ? npos : Achar(texto, Juntar("/", tag));
  // Without the tag name or its plain end tag, the element may be written with the prefix.
  if (a == npos || barra == npos) return ElementoComPrefixo(texto, tag);
  // Start is the character before the tag name (its "<"); a tag name at the very beginning gives
  // Start 0, which the copy counts from the first character while keeping the length.
  const bool inicioZero = a == 0;
  const size_t inicio = inicioZero ? 0 : Anterior(texto, a);
  // The last character copied is the one after "/Tag" (the ">" of "</Tag>"), one more when
  // Start was 0.
  size_t fim = Proximo(texto, barra + 1 + tag.size());
  if (inicioZero) fim = Proximo(texto, fim);
  if (fim <= inicio) return {};
  return std::string(texto.substr(inicio, fim - inicio));
}

}  // namespace

std::string ObterChave(std::string_view documento) {
  if (Achar(documento, "procEventoNFe") != npos) return ValorTag(documento, "chNFe", false);
  constexpr std::string_view kId = "Id=\"NFe";
  const size_t p = Achar(documento, kId);
  if (p == npos) return {};
  const size_t inicio = p + kId.size();
  size_t fim = inicio;
  for (int i = 0; i < 44 && fim < documento.size(); ++i) fim = Proximo(documento, fim);
  return std::string(documento.substr(inicio, fim - inicio));
}

std::string ValorTag(std::string_view texto, std::string_view tag, bool comTags) {
  return comTags ? ElementoComTags(texto, tag) : ValorSemTags(texto, tag);
}

std::string BoolTexto(bool valor) { return valor ? "True" : "False"; }

}  // namespace kiv::nfe
