#pragma once
// The selection command language: command preparation, dialect date literals and the
// arithmetic of "@" groups.
#include <string>

namespace kiv::db {

// Validates (flag "X") and expands the command; a refusal comes back as "ERRO: " + reason.
std::string PreparaComando(const std::string& comando, const std::string& tipo, const std::string& validacao,
                           const std::string& documento);

// The n-th piece (from 1) of `texto` cut at `separador`.
std::string ExtraiToken(int n, const std::string& texto, const std::string& separador);

// Occurrences of `procurado` in `texto`, overlapping ones included.
int ContaOcorrencias(const std::string& texto, const std::string& procurado);

// The date literal of the engine kind for "$HOJE$" and for "$PDIA$" (the engine kind in any
// letter case; unknown kinds get the InterBase form). A value outside the years 1 to 9999 fails.
std::string DataSQLHoje(const std::string& tipo, double data);
std::string DataSQLPrimeiroDia(const std::string& tipo, double data);
// "01" + date separator + MesAnoDaData: a short date read as day, month, year.
std::string PrimeiroDiaDoMes(const std::string& data);
// Month and four-digit year of a short date read as day, month, year, joined by the date separator.
std::string MesAnoDaData(const std::string& data);

// Evaluates + - * / with parentheses and signs; the value formatted by FormataNumero. Fails on a
// division by zero and past 1,000 levels of parentheses and signs.
std::string AvaliaExpressao(const std::string& expressao, int decimais);
// Rounded half away from zero to `decimais` (0..255) decimals, regional decimal separator, no "-0".
std::string FormataNumero(int decimais, double valor);
// Digits with "." as the point, read up to a second point.
double TextoParaNumero(const std::string& texto);

}  // namespace kiv::db
