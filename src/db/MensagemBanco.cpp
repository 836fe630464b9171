#include "db/MensagemBanco.h"

#include "comum/Texto.h"

namespace kiv::db {
namespace {

constexpr std::string_view kMascara = "****";

// Hides the value after each "PWD=" or "Password=" (any letter case) up to ';', or the whole
// braced value "{...}" with its doubled "}}".
std::string MascararChaves(std::string s) {
  for (std::string_view chave : {"PWD=", "PASSWORD="}) {
    size_t p = 0;
    while ((p = AcharSemCaso(s, chave, p)) != std::string::npos) {
      const size_t inicio = p + chave.size();
      size_t fim = inicio;
      if (fim < s.size() && s[fim] == '{') {
        ++fim;
        while (fim < s.size()) {
          if (s[fim] == '}') {
            if (fim + 1 < s.size() && s[fim + 1] == '}') {
              fim += 2;
              continue;
            }
            ++fim;
            break;
          }
          ++fim;
        }
      } else {
        while (fim < s.size() && s[fim] != ';' && s[fim] != '\'' && s[fim] != '"' && s[fim] != '\r' && s[fim] != '\n')
          ++fim;
      }
      if (fim > inicio) s.replace(inicio, fim - inicio, kMascara);
      p = inicio + (fim > inicio ? kMascara.size() : 0);
    }
  }
  return s;
}

std::string CortarCitacoes(const std::string& s) {
  std::string saida;
  saida.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c != '\'' && c != '"') {
      saida += c;
      ++i;
      continue;
    }
    const size_t fecha = s.find(c, i + 1);
    if (fecha == std::string::npos) {
      saida.append(s, i, std::string::npos);
      break;
    }
    const std::string_view dentro(s.data() + i + 1, fecha - i - 1);
    saida += c;
    if (ContaCaracteres(dentro) > kMaximoValorCitado)
      saida += Copia(dentro, 1, kMaximoValorCitado) + "...";
    else
      saida += dentro;
    saida += c;
    i = fecha + 1;
  }
  return saida;
}

}  // namespace

std::string MensagemSegura(std::string_view mensagem, const std::vector<std::string>& segredos) {
  std::string s = MascararChaves(std::string(mensagem));
  for (const std::string& segredo : segredos)
    if (segredo.size() >= 4) s = SubstituirTodos(s, segredo, kMascara, false);
  s = CortarCitacoes(s);
  if (ContaCaracteres(s) > kMaximoMensagem) s = Copia(s, 1, kMaximoMensagem) + "...";
  return s;
}

}  // namespace kiv::db
