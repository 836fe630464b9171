// Date constants in each engine's dialect, and the first-of-the-month date text.
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "comum/Texto.h"
#include "db/KIVFuncoes.h"
#include "platform/Regional.h"
#include "platform/Relogio.h"

namespace kiv::db {
namespace {

enum class Forma { Oracle, InterBase, DB2, SqlServer, Informix };

Forma Reconhecer(const std::string& tipo) {
  const std::string t = MaiusculasAscii(tipo);
  if (t == "ORACLE" || t == "OR") return Forma::Oracle;
  if (t == "INTERBASE" || t == "IB") return Forma::InterBase;
  if (t == "DB2") return Forma::DB2;
  if (t == "SQL SERVER") return Forma::SqlServer;
  if (t == "INFORMIX") return Forma::Informix;
  return Forma::InterBase;
}

std::string Preenchido(int valor, size_t largura) {
  std::string s = std::to_string(valor);
  if (s.size() < largura) s.insert(0, largura - s.size(), '0');
  return s;
}

// The calendar day and time of a date-time value. Values outside the years 1 to 9999 have no
// calendar date; they fail instead of producing a nonsense literal.
plataforma::DataHora Decodificar(double valor) {
  if (std::isfinite(valor) && std::fabs(valor) < 3e6) {
    const plataforma::DataHora d = plataforma::DeDataHoraNumero(valor);
    if (d.ano >= 1 && d.ano <= 9999) return d;
  }
  throw std::runtime_error("Data fora do intervalo válido: " + FormataNumero(10, valor));
}

std::string Aspas(const std::string& s) { return "'" + SubstituirTodos(s, "'", "''", false) + "'"; }

}  // namespace

std::string DataSQLHoje(const std::string& tipo, double data) {
  const plataforma::DataHora d = Decodificar(data);
  const std::string Y = std::to_string(d.ano), YYYY = Preenchido(d.ano, 4);
  const std::string MM = Preenchido(d.mes, 2), DD = Preenchido(d.dia, 2);
  switch (Reconhecer(tipo)) {
    case Forma::Oracle:
      return "TO_DATE('" + DD + "/" + MM + "/" + YYYY + "','dd/mm/yyyy')";
    case Forma::DB2:
      return "CAST('" + YYYY + "-" + MM + "-" + DD + "-00.00.00.000000" + "' AS TIMESTAMP)";
    case Forma::SqlServer:
      return "CAST('" + DD + "-" + MM + "-" + Y + "' AS DATETIME)";
    case Forma::Informix:
      return "CAST('" + MM + "-" + DD + "-" + Y + "' AS DATE)";
    case Forma::InterBase:
      break;
  }
  return "CAST('" + Y + "-" + MM + "-" + DD + "' AS DATE)";
}

std::string DataSQLPrimeiroDia(const std::string& tipo, double data) {
  const plataforma::DataHora d = Decodificar(data);
  const std::string YYYY = Preenchido(d.ano, 4), MM = Preenchido(d.mes, 2), DD = Preenchido(d.dia, 2);
  switch (Reconhecer(tipo)) {
    case Forma::Oracle:
      return "TO_DATE('" + DD + "/" + MM + "/" + YYYY + "','dd/mm/yyyy')";
    case Forma::SqlServer:
      return "CAST('" + DD + "-" + MM + "-" + YYYY + " " + Preenchido(d.hora, 2) + ":" + Preenchido(d.minuto, 2) + ":" +
             Preenchido(d.segundo, 2) + "' AS DATETIME)";
    case Forma::Informix:
      return "to_date(" + Aspas(YYYY + "." + MM + "." + DD) + ", " + Aspas("%Y.%m.%d") + ")";
    case Forma::DB2:
    case Forma::InterBase:
      break;
  }
  return "CAST('" + YYYY + "-" + MM + "-" + DD + "' AS DATE)";
}

std::string PrimeiroDiaDoMes(const std::string& data) {
  return "01" + plataforma::Regional().separadorData + MesAnoDaData(data);
}

std::string MesAnoDaData(const std::string& data) {
  if (data.empty()) return {};
  const std::string sep = plataforma::Regional().separadorData;

  // The pieces between separators: the month is the second, the year the last.
  std::vector<std::string> pecas;
  if (sep.empty()) {
    pecas.push_back(data);
  } else {
    size_t inicio = 0;
    for (size_t p; (p = data.find(sep, inicio)) != std::string::npos; inicio = p + sep.size())
      pecas.push_back(data.substr(inicio, p - inicio));
    pecas.push_back(data.substr(inicio));
  }
  std::string mes = pecas.size() >= 2 ? pecas[1] : std::string();
  std::string ano = pecas.back();

  const std::string anoAtual = Preenchido(plataforma::Agora().ano, 4);
  switch (ContaCaracteres(ano)) {
    case 1:
      ano = anoAtual.substr(0, 3) + ano;
      break;
    case 2: {
      int valor = 0;
      const char* fim = ano.data() + ano.size();
      const char* inicio = ano.data() + (ano[0] == '+' ? 1 : 0);
      const auto r = std::from_chars(inicio, fim, valor);
      if (r.ec != std::errc() || r.ptr != fim || inicio == fim)
        throw std::runtime_error("'" + ano + "' não é um número inteiro válido");
      ano = (valor >= 50 ? "19" : "20") + ano;
      break;
    }
    case 3:
      ano = anoAtual.substr(0, 1) + ano;
      break;
    default:
      break;
  }
  if (ContaCaracteres(mes) == 1) mes = "0" + mes;
  return mes + sep + ano;
}

}  // namespace kiv::db
