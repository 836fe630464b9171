// Preparation of the selection command: validation, clean-up and the expansion of its macros.
#include "db/KIVFuncoes.h"

#include <charconv>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "comum/Texto.h"
#include "db/ValorTag.h"
#include "platform/Regional.h"
#include "platform/Relogio.h"

namespace kiv::db {
namespace {

const char* const kNaoSelect = "ERRO: Comando deve ser apenas SELECT!";
const char* const kSemAlias = "ERRO: Verifica se todos os campos de retorno do SELECT estão com ALIAS com caracter #.";
const char* const kOperacaoInvalida = "ERRO: Comando com operação inválida!";
const char* const kFuncaoInvalida = "ERRO: Comando com função inválida!";
const char* const kTagInvalida = "ERRO: Comando com operação inválida: Tag!";

bool Contem(std::string_view texto, std::string_view procurado) { return texto.find(procurado) != std::string_view::npos; }

// A number written with the regional decimal separator, as the evaluator writes it; anything
// else fails.
double LerNumeroRegional(const std::string& texto) {
  const std::string separador = plataforma::Regional().separadorDecimal;
  std::string normal;
  size_t i = 0;
  if (i < texto.size() && texto[i] == '-') normal += texto[i++];
  const size_t inicioDigitos = i;
  while (i < texto.size() && texto[i] >= '0' && texto[i] <= '9') normal += texto[i++];
  bool valido = i > inicioDigitos;
  if (valido && i < texto.size()) {
    valido = !separador.empty() && texto.compare(i, separador.size(), separador) == 0;
    i += separador.size();
    normal += '.';
    const size_t inicioDecimais = i;
    while (i < texto.size() && texto[i] >= '0' && texto[i] <= '9') normal += texto[i++];
    valido = valido && i > inicioDecimais && i == texto.size();
  }
  double valor = 0;
  if (valido) {
    const auto r = std::from_chars(normal.data(), normal.data() + normal.size(), valor, std::chars_format::fixed);
    valido = r.ec == std::errc() && r.ptr == normal.data() + normal.size();
  }
  if (!valido) throw std::runtime_error("'" + texto + "' não é um número válido");
  return valor;
}

// The date-time value written in decimal with at most 15 significant digits and the regional
// decimal separator.
std::string DataHoraComoTexto(double valor) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, valor, std::chars_format::general, 15);
  return SubstituirTodos(std::string_view(buffer, static_cast<size_t>(r.ptr - buffer)), ".",
                         plataforma::Regional().separadorDecimal, false);
}

double Hoje() {
  plataforma::DataHora d = plataforma::Agora();
  d.hora = d.minuto = d.segundo = d.milissegundo = 0;
  return plataforma::ParaDataHoraNumero(d);
}

// "$HOJE$" group: arithmetic in days on the current date and time.
std::string ValorData(const std::string& grupo, const std::string& tipo) {
  std::string expressao = SubstituirTodos(grupo, "$HOJE$", DataHoraComoTexto(plataforma::ParaDataHoraNumero(plataforma::Agora())), true);
  const size_t virgula = expressao.find(',');
  if (virgula != std::string::npos) expressao[virgula] = '.';
  return DataSQLHoje(tipo, LerNumeroRegional(AvaliaExpressao(expressao, 10)));
}

// "$PDIA$" group: the first day of the current month, taken from the calendar so that it is
// right whatever order the short date format writes day and month in.
std::string ValorPrimeiroDia(const std::string& tipo) {
  plataforma::DataHora d = plataforma::Agora();
  d.dia = 1;
  d.hora = d.minuto = d.segundo = d.milissegundo = 0;
  return DataSQLPrimeiroDia(tipo, plataforma::ParaDataHoraNumero(d));
}

// "$TAG$" group with a document: the text of the named element, or a marker the final checks
// refuse.
std::string ValorTag(const std::string& grupo, const DocumentoTag& documento) {
  std::string nome = grupo;
  const size_t marcador = nome.find("$Tag$");  // exact case, first only
  if (marcador != std::string::npos) nome.erase(marcador, 5);
  return documento.Valor(nome).value_or("#ERROTAG#");
}

// Any other group: whole-number arithmetic.
std::string ValorAritmetico(const std::string& grupo) {
  return FormataNumero(0, LerNumeroRegional(AvaliaExpressao(grupo, 0)));
}

}  // namespace

std::string PreparaComando(const std::string& comando, const std::string& tipo, const std::string& validacao,
                           const std::string& documento) {
  std::optional<DocumentoTag> xml;
  if (!documento.empty()) xml.emplace(documento);

  if (validacao == "X") {
    if (Trim(MaiusculasAscii(Copia(comando, 1, 6))) != "SELECT") return kNaoSelect;
    if (!Contem(comando, "#")) return kSemAlias;
  }

  std::string texto = SubstituirTodos(Trim(SubstituirTodos(comando, "#", "", false)), ";", " ", false);
  const std::string tipoMaiusculo = MaiusculasAscii(tipo);

  // Groups are the even pieces between "@" marks; an odd last "@" opens none.
  std::vector<std::string> grupos;
  {
    std::vector<std::string_view> pecas;
    std::string_view resto = texto;
    for (size_t p; (p = resto.find('@')) != std::string_view::npos; resto.remove_prefix(p + 1))
      pecas.push_back(resto.substr(0, p));
    for (size_t i = 1; i + 1 <= pecas.size(); i += 2) grupos.emplace_back(pecas[i]);
  }

  for (const std::string& grupo : grupos) {
    const std::string maiusculo = MaiusculasAscii(grupo);
    std::string valor;
    if (Contem(maiusculo, "$HOJE$")) valor = ValorData(grupo, tipoMaiusculo);
    else if (Contem(maiusculo, "$PDIA$")) valor = ValorPrimeiroDia(tipoMaiusculo);
    else if (Contem(maiusculo, "$TAG$") && xml) valor = ValorTag(grupo, *xml);
    else valor = ValorAritmetico(grupo);
    texto = SubstituirTodos(texto, "@" + grupo + "@", valor, true);
  }

  if (AcharSemCaso(texto, "$HOJE$") != std::string::npos)
    texto = SubstituirTodos(texto, "$HOJE$", DataSQLHoje(tipoMaiusculo, Hoje()), true);

  if (Contem(texto, "@")) return kOperacaoInvalida;
  if (Contem(texto, "$")) return kFuncaoInvalida;
  if (Contem(texto, "#")) return kTagInvalida;
  return texto;
}

std::string ExtraiToken(int n, const std::string& texto, const std::string& separador) {
  if (n <= 0) return {};
  std::string_view resto = texto, peca;
  for (int i = 1; i <= n; ++i) {
    const size_t p = separador.empty() ? std::string_view::npos : resto.find(separador);
    if (p == std::string_view::npos) {
      peca = resto;
      break;
    }
    peca = resto.substr(0, p);
    resto.remove_prefix(p + separador.size());
  }
  return std::string(peca);
}

int ContaOcorrencias(const std::string& texto, const std::string& procurado) {
  if (procurado.empty()) return 0;
  int total = 0;
  for (size_t p = texto.find(procurado); p != std::string::npos; p = texto.find(procurado, p + 1)) ++total;
  return total;
}

}  // namespace kiv::db
