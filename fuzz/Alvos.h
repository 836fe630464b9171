#pragma once
// What the fuzz targets feed the command language, shared by the libFuzzer programs and by the
// test that replays the saved corpus. Each function returns "" when the input behaved, or a
// description of what went wrong. Failures the language raises on purpose (runtime_error) are
// fine; a crash, a sanitizer report, any other exception or a broken promise about the result is
// not.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>

#include "db/KIVFuncoes.h"
#include "platform/Regional.h"
#include "platform/Relogio.h"

namespace kiv::fuzz {

// The fixed clock and regional settings the targets run under: 14:30 on 15 March 2012, comma
// decimal separator, dd/MM/yyyy.
inline void FixarAmbiente() {
  plataforma::FixarRelogio(plataforma::DataHora{2012, 3, 15, 14, 30, 0, 0});
  plataforma::FixarRegional(plataforma::ConfiguracaoRegional{",", "/", "dd/MM/yyyy", ":"});
}

// A number as FormataNumero writes it with `casas` decimals and a comma.
inline bool NumeroBemFormado(const std::string& s, int casas) {
  if (s == "INF" || s == "-INF" || s == "NAN") return true;
  size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
  const size_t inicio = i;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  if (i == inicio) return false;
  if (casas > 0) {
    if (i >= s.size() || s[i] != ',') return false;
    const size_t decimais = s.size() - i - 1;
    if (decimais != static_cast<size_t>(casas)) return false;
    for (size_t k = i + 1; k < s.size(); ++k)
      if (s[k] < '0' || s[k] > '9') return false;
  } else if (i != s.size()) {
    return false;
  }
  if (s[0] == '-' && s.find_first_not_of("-0,") == std::string::npos) return false;  // "-0"
  return true;
}

// First byte: number of decimals; the rest: the expression.
inline std::string ExercitaAvaliaExpressao(const uint8_t* dados, size_t tamanho) {
  if (tamanho == 0) return {};
  const int casas = dados[0];
  const std::string expressao(reinterpret_cast<const char*>(dados + 1), tamanho - 1);
  try {
    const std::string r = db::AvaliaExpressao(expressao, casas);
    if (!NumeroBemFormado(r, casas)) return "badly formed result [" + r + "]";
  } catch (const std::runtime_error& e) {
    const std::string m = e.what();
    // what() ends at the first NUL of the expression.
    const std::string divisao = ("Divisão por zero na expressão: " + expressao).c_str();
    if (m != "Expressão aninhada demais" && m != divisao)
      return "unexpected failure: " + m;
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  return {};
}

// First byte: engine kind (low 3 bits), validation (bit 3), document given (bit 4). The rest is
// the command, then, after a NUL, the document text.
inline std::string ExercitaPreparaComando(const uint8_t* dados, size_t tamanho) {
  if (tamanho == 0) return {};
  static const char* const kTipos[] = {"ORACLE", "SQL SERVER", "FIREBIRD", "INFORMIX",
                                       "DB2",    "ib",         "",         "Or"};
  const std::string tipo = kTipos[dados[0] & 7];
  const std::string validacao = (dados[0] & 8) ? "X" : "";
  std::string comando(reinterpret_cast<const char*>(dados + 1), tamanho - 1), documento;
  const size_t nul = comando.find('\0');
  if (nul != std::string::npos) {
    if (dados[0] & 16) documento = comando.substr(nul + 1);
    comando.resize(nul);
  }
  try {
    const std::string r = db::PreparaComando(comando, tipo, validacao, documento);
    if (r.rfind("ERRO", 0) == 0) {
      static const char* const kRecusas[] = {
          "ERRO: Comando deve ser apenas SELECT!",
          "ERRO: Verifica se todos os campos de retorno do SELECT estão com ALIAS com caracter #.",
          "ERRO: Comando com operação inválida!", "ERRO: Comando com função inválida!",
          "ERRO: Comando com operação inválida: Tag!"};
      for (const char* recusa : kRecusas)
        if (r == recusa) return {};
      // Without validation a command may itself begin with "ERRO"; it is then cleaned text.
      if (validacao == "X") return "unknown refusal [" + r + "]";
    }
    if (r.find_first_of("@$#") != std::string::npos) return "a macro mark survived [" + r + "]";
  } catch (const std::runtime_error&) {
    // a number, date or tag name the language cannot read: reported to the caller on purpose
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  return {};
}

}  // namespace kiv::fuzz
