#include "db/ValorCampo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "comum/Texto.h"
#include "platform/PaginaCodigo.h"
#include "platform/Regional.h"

namespace kiv::db {
namespace {

std::string DoisDigitos(int n) {
  std::string s = std::to_string(n);
  return s.size() < 2 ? "0" + s : s;
}

// Digits with an optional fraction: drops the fraction's trailing zeros and uses the separator.
std::string JuntarNumero(bool negativo, std::string inteiro, std::string fracao) {
  while (!fracao.empty() && fracao.back() == '0') fracao.pop_back();
  size_t i = 0;
  while (i + 1 < inteiro.size() && inteiro[i] == '0') ++i;
  inteiro.erase(0, i);
  if (inteiro.empty()) inteiro = "0";
  std::string s = (negativo && (inteiro != "0" || !fracao.empty())) ? "-" : "";
  s += inteiro;
  if (!fracao.empty()) s += plataforma::Regional().separadorDecimal + fracao;
  return s;
}

}  // namespace

std::string TextoDoCliente(std::string bytes) {
  if (plataforma::Utf8Valido(bytes)) return bytes;
  return plataforma::DeAnsi(bytes);
}

std::string NumeroEscalado(int64_t valor, int escala) {
  const bool negativo = valor < 0;
  // The magnitude as unsigned, so that the smallest int64 does not overflow.
  const uint64_t magnitude = negativo ? 0 - static_cast<uint64_t>(valor) : static_cast<uint64_t>(valor);
  std::string digitos = std::to_string(magnitude);
  if (escala <= 0) return JuntarNumero(negativo, digitos + std::string(static_cast<size_t>(-escala), '0'), "");
  const size_t casas = static_cast<size_t>(escala);
  if (digitos.size() <= casas) digitos.insert(0, casas - digitos.size() + 1, '0');
  return JuntarNumero(negativo, digitos.substr(0, digitos.size() - casas), digitos.substr(digitos.size() - casas));
}

std::string NumeroDecimalTexto(std::string_view texto) {
  bool negativo = false;
  size_t i = 0;
  while (i < texto.size() && texto[i] == ' ') ++i;
  if (i < texto.size() && (texto[i] == '-' || texto[i] == '+')) negativo = texto[i++] == '-';
  const size_t ponto = texto.find_first_of(".,", i);
  std::string inteiro(texto.substr(i, ponto == std::string_view::npos ? std::string_view::npos : ponto - i));
  std::string fracao(ponto == std::string_view::npos ? std::string_view() : texto.substr(ponto + 1));
  for (const std::string* parte : {&inteiro, &fracao})
    for (char c : *parte)
      if (c < '0' || c > '9') return std::string(texto);  // not a plain decimal: shown as the client wrote it
  return JuntarNumero(negativo, inteiro, fracao);
}

std::string NumeroReal(double valor, int digitos) {
  if (std::isnan(valor)) return "NAN";
  if (std::isinf(valor)) return valor > 0 ? "INF" : "-INF";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*g", digitos, valor);
  std::string s = buffer;
  std::string expoente;
  if (const size_t e = s.find('e'); e != std::string::npos) {
    const int n = std::atoi(s.c_str() + e + 1);
    expoente = "E" + std::to_string(n);
    s.erase(e);
  }
  const bool negativo = !s.empty() && s[0] == '-';
  if (negativo) s.erase(0, 1);
  const size_t ponto = s.find('.');
  std::string numero = JuntarNumero(negativo, s.substr(0, ponto), ponto == std::string::npos ? "" : s.substr(ponto + 1));
  return numero + expoente;
}

std::string Data(const plataforma::DataHora& d) { return plataforma::FormatarDataCurta(d, plataforma::Regional()); }

std::string Hora(const plataforma::DataHora& d) {
  const std::string sep = plataforma::Regional().separadorHora;
  return DoisDigitos(d.hora) + sep + DoisDigitos(d.minuto) + sep + DoisDigitos(d.segundo);
}

std::string DataHora(const plataforma::DataHora& d) {
  if (d.hora == 0 && d.minuto == 0 && d.segundo == 0 && d.milissegundo == 0) return Data(d);
  return Data(d) + " " + Hora(d);
}

std::string Utf16ParaUtf8(const char16_t* texto, size_t unidades) {
  // Two passes: the exact size first, so that a long text is allocated once and holds no slack.
  const auto unidade = [texto](size_t i) -> char32_t { return texto[i]; };
  size_t tamanho = 0;
  PercorrerUtf16(unidades, unidade, 0xFFFD, [&](char32_t c) { tamanho += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4; });
  std::string s;
  s.reserve(tamanho);
  PercorrerUtf16(unidades, unidade, 0xFFFD, [&](char32_t c) { AnexarUtf8(s, c); });
  return s;
}

}  // namespace kiv::db
