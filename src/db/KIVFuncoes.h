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

std::string DataSQLHoje(const std::string& tipo, double data);
std::string DataSQLPrimeiroDia(const std::string& tipo, double data);
std::string PrimeiroDiaDoMes(const std::string& data);
std::string MesAnoDaData(const std::string& data);

std::string AvaliaExpressao(const std::string& expressao, int decimais);
std::string FormataNumero(int decimais, double valor);
double TextoParaNumero(const std::string& texto);

}  // namespace kiv::db
