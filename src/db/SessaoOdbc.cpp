#include "db/SessaoOdbc.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#include "comum/Texto.h"
#include "db/ErroBanco.h"
#include "db/Odbc.h"
#include "db/ValorCampo.h"

namespace kiv::db {
namespace {

using odbc::Handle;
using odbc::Verificar;

// How a column is fetched with SQLGetData and shown as text.
enum class Leitura { Texto, TextoBytes, Binario, Inteiro, Logico, Decimal, Real, RealSimples, Data, Hora, DataHora };

Leitura LeituraDoTipo(SQLSMALLINT tipo) {
  switch (tipo) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return Leitura::Inteiro;
    case SQL_BIT:
      return Leitura::Logico;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return Leitura::Decimal;
    case SQL_REAL:
      return Leitura::RealSimples;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return Leitura::Real;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return Leitura::Data;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return Leitura::Hora;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return Leitura::DataHora;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return Leitura::Binario;
    default:
      // Character types and anything the driver names in its own way (XML, variants, intervals)
      // come as text.
      return Leitura::Texto;
  }
}

struct Coluna {
  std::string nome;
  Leitura leitura;
};

// SQL states of a driver that cannot return a column as SQL_C_WCHAR.
bool SemTextoLargo(const std::string& estado) {
  return estado == "HY003" || estado == "HYC00" || estado == "07006" || estado == "HY004";
}

class SessaoOdbc final : public Sessao {
 public:
  SessaoOdbc(const std::string& cadeia, const OpcoesOdbc& opcoes) : segredos_(opcoes.segredos) {
    segredos_.push_back(cadeia);
    env_ = Handle(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    Verificar(SQLSetEnvAttr(env_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0), env_,
              segredos_);
    dbc_ = Handle(SQL_HANDLE_DBC, env_.get());
    if (opcoes.tempoLoginSegundos > 0) {
      const SQLRETURN rc =
          SQLSetConnectAttr(dbc_.get(), SQL_ATTR_LOGIN_TIMEOUT,
                            reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(opcoes.tempoLoginSegundos)), 0);
      // A driver without login time-outs still connects; the connection string carries its own.
      if (!SQL_SUCCEEDED(rc) && odbc::EstadoSql(dbc_) != "HYC00" && odbc::EstadoSql(dbc_) != "HY092")
        Verificar(rc, dbc_, segredos_);
    }
    std::string texto = cadeia;
    Verificar(SQLDriverConnect(dbc_.get(), nullptr, reinterpret_cast<SQLCHAR*>(texto.data()),
                               static_cast<SQLSMALLINT>(std::min<size_t>(texto.size(), INT16_MAX)), nullptr, 0,
                               nullptr, SQL_DRIVER_NOPROMPT),
              dbc_, segredos_);
    dbc_.MarcarConectado();
    if (opcoes.isolamento != 0)
      Verificar(SQLSetConnectAttr(dbc_.get(), SQL_ATTR_TXN_ISOLATION,
                                  reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(opcoes.isolamento)), 0),
                dbc_, segredos_);
  }

  void Executar(const std::string& sql) override {
    Handle stmt = Comando();
    ExecutarDireto(stmt, sql);
  }

  Conjunto Consultar(const std::string& sql) override {
    Handle stmt = Comando();
    if (ExecutarDireto(stmt, sql) == SQL_NO_DATA) return Conjunto();
    SQLSMALLINT quantas = 0;
    Verificar(SQLNumResultCols(stmt.get(), &quantas), stmt, segredos_);
    if (quantas <= 0) return Conjunto();

    std::vector<Coluna> colunas;
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(quantas); ++c) colunas.push_back(Descrever(stmt, c));

    std::vector<Conjunto::Linha> linhas;
    for (;;) {
      const SQLRETURN rc = Verificar(SQLFetch(stmt.get()), stmt, segredos_, true);
      if (rc == SQL_NO_DATA) break;
      Conjunto::Linha linha;
      linha.reserve(colunas.size());
      for (SQLUSMALLINT c = 1; c <= colunas.size(); ++c) linha.push_back(Ler(stmt, c, colunas[c - 1]));
      linhas.push_back(std::move(linha));
    }
    std::vector<std::string> nomes;
    for (auto& c : colunas) nomes.push_back(std::move(c.nome));
    return Conjunto(std::move(nomes), std::move(linhas));
  }

 private:
  Handle Comando() {
    Handle stmt(SQL_HANDLE_STMT, dbc_.get());
    // No time limit on a statement: a login time-out passed in the connection string (FreeTDS's
    // Timeout=) would otherwise also cut a long selection. A driver that refuses is left as it is.
    SQLSetStmtAttr(stmt.get(), SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(0), 0);
    return stmt;
  }

  SQLRETURN ExecutarDireto(Handle& stmt, const std::string& sql) {
    std::string texto = sql;
    return Verificar(SQLExecDirect(stmt.get(), reinterpret_cast<SQLCHAR*>(texto.data()),
                                   static_cast<SQLINTEGER>(texto.size())),
                     stmt, segredos_, true);
  }

  Coluna Descrever(Handle& stmt, SQLUSMALLINT c) {
    std::string nome(256, '\0');
    SQLSMALLINT tamanho = 0, tipo = 0, casas = 0, nulo = 0;
    SQLULEN largura = 0;
    Verificar(SQLDescribeCol(stmt.get(), c, reinterpret_cast<SQLCHAR*>(nome.data()),
                             static_cast<SQLSMALLINT>(nome.size()), &tamanho, &tipo, &largura, &casas, &nulo),
              stmt, segredos_);
    if (tamanho >= static_cast<SQLSMALLINT>(nome.size())) {
      nome.assign(static_cast<size_t>(tamanho) + 1, '\0');
      Verificar(SQLDescribeCol(stmt.get(), c, reinterpret_cast<SQLCHAR*>(nome.data()),
                               static_cast<SQLSMALLINT>(nome.size()), &tamanho, &tipo, &largura, &casas, &nulo),
                stmt, segredos_);
    }
    nome.resize(std::min<size_t>(static_cast<size_t>(std::max<SQLSMALLINT>(tamanho, 0)), nome.size() - 1));
    return {TextoDoCliente(std::move(nome)), LeituraDoTipo(tipo)};
  }

  // Reads the whole value of column c in chunks, with no fixed limit. The first chunk goes into
  // a buffer the session reuses, so a short value costs one allocation of its own size; a longer
  // one continues in its own text, each call sized by the indicator to take the rest at once
  // when the driver knows it. Returns the bytes (std::nullopt for NULL). With `recusado`, a first
  // call the driver refuses because it cannot convert to `tipoC` sets it and returns std::nullopt.
  std::optional<std::string> LerLongo(Handle& stmt, SQLUSMALLINT c, SQLSMALLINT tipoC, size_t terminador,
                                      bool* recusado = nullptr) {
    constexpr size_t kBlocoInicial = 64 * 1024;
    constexpr size_t kBlocoMaximo = 64 * 1024 * 1024;
    primeiro_.resize(kBlocoInicial);
    char* destino = primeiro_.data();
    std::string dados;
    size_t usado = 0;
    size_t bloco = kBlocoInicial;
    for (bool primeiro = true;; primeiro = false) {
      if (!primeiro) {
        dados.resize(usado + bloco);
        destino = dados.data() + usado;
      }
      std::memset(destino, 0, bloco);
      SQLLEN indicador = 0;
      const SQLRETURN rc = SQLGetData(stmt.get(), c, tipoC, destino, static_cast<SQLLEN>(bloco), &indicador);
      if (rc == SQL_NO_DATA) break;  // the previous call took the last part
      if (recusado && primeiro && !SQL_SUCCEEDED(rc) && SemTextoLargo(odbc::EstadoSql(stmt))) {
        *recusado = true;
        return std::nullopt;
      }
      Verificar(rc, stmt, segredos_);
      if (indicador == SQL_NULL_DATA) return std::nullopt;
      const size_t util = bloco - terminador;
      size_t escrito;
      bool fim = false;
      if (rc == SQL_SUCCESS || (indicador != SQL_NO_TOTAL && static_cast<size_t>(indicador) <= util)) {
        escrito = indicador == SQL_NO_TOTAL ? util : std::min(static_cast<size_t>(indicador), util);
        fim = true;
      } else {
        // Cut: the buffer holds `util` bytes, less any the driver left empty so as not to split a
        // character (the buffer was zeroed, so they are the trailing zero units).
        escrito = util;
        if (terminador > 0)
          while (escrito >= terminador &&
                 std::all_of(destino + escrito - terminador, destino + escrito, [](char b) { return b == 0; }))
            escrito -= terminador;
      }
      if (primeiro) {
        const size_t resto = fim ? 0 : (indicador != SQL_NO_TOTAL ? static_cast<size_t>(indicador) - escrito : bloco);
        dados.reserve(escrito + resto + terminador);
        dados.assign(destino, escrito);
      }
      usado += escrito;
      if (fim) break;
      if (indicador != SQL_NO_TOTAL && static_cast<size_t>(indicador) > escrito)
        bloco = std::clamp(static_cast<size_t>(indicador) - escrito + terminador, kBlocoInicial, kBlocoMaximo);
      else
        bloco = std::min(bloco * 2, kBlocoMaximo);
    }
    dados.resize(usado);
    // A driver whose indicator overstated the length leaves slack that a selection would keep.
    if (dados.capacity() > usado + usado / 8 + kBlocoInicial) dados.shrink_to_fit();
    return dados;
  }

  template <typename T>
  std::optional<T> LerFixo(Handle& stmt, SQLUSMALLINT c, SQLSMALLINT tipoC) {
    T valor{};
    SQLLEN indicador = 0;
    Verificar(SQLGetData(stmt.get(), c, tipoC, &valor, sizeof valor, &indicador), stmt, segredos_);
    if (indicador == SQL_NULL_DATA) return std::nullopt;
    return valor;
  }

  Conjunto::Valor LerTexto(Handle& stmt, SQLUSMALLINT c, Coluna& coluna) {
    if (coluna.leitura == Leitura::Texto) {
      // UTF-16 leaves the conversion from the column's own character set to the driver.
      bool recusado = false;
      auto unidades = LerLongo(stmt, c, SQL_C_WCHAR, sizeof(SQLWCHAR), &recusado);
      if (!recusado) {
        if (!unidades) return std::nullopt;
        return Utf16ParaUtf8(reinterpret_cast<const char16_t*>(unidades->data()), unidades->size() / sizeof(char16_t));
      }
      coluna.leitura = Leitura::TextoBytes;  // the driver has no UTF-16: bytes from now on
    }
    auto bytes = LerLongo(stmt, c, SQL_C_CHAR, 1);
    if (!bytes) return std::nullopt;
    return TextoDoCliente(std::move(*bytes));
  }

  Conjunto::Valor Ler(Handle& stmt, SQLUSMALLINT c, Coluna& coluna) {
    switch (coluna.leitura) {
      case Leitura::Texto:
      case Leitura::TextoBytes:
        return LerTexto(stmt, c, coluna);
      case Leitura::Binario: {
        auto bytes = LerLongo(stmt, c, SQL_C_BINARY, 0);
        if (!bytes) return std::nullopt;
        return TextoDoCliente(std::move(*bytes));
      }
      case Leitura::Inteiro:
      case Leitura::Logico:
      case Leitura::Decimal: {
        auto texto = LerLongo(stmt, c, SQL_C_CHAR, 1);
        if (!texto) return std::nullopt;
        if (coluna.leitura == Leitura::Inteiro) return Trim(*texto);
        if (coluna.leitura == Leitura::Logico) return Trim(*texto) == "0" ? "False" : "True";
        return NumeroDecimalTexto(Trim(*texto));
      }
      case Leitura::Real:
      case Leitura::RealSimples: {
        auto v = LerFixo<double>(stmt, c, SQL_C_DOUBLE);
        if (!v) return std::nullopt;
        return NumeroReal(*v, coluna.leitura == Leitura::Real ? 15 : 7);
      }
      case Leitura::Data: {
        auto v = LerFixo<SQL_DATE_STRUCT>(stmt, c, SQL_C_TYPE_DATE);
        if (!v) return std::nullopt;
        return Data({v->year, v->month, v->day});
      }
      case Leitura::Hora: {
        auto v = LerFixo<SQL_TIME_STRUCT>(stmt, c, SQL_C_TYPE_TIME);
        if (!v) return std::nullopt;
        plataforma::DataHora d;
        d.hora = v->hour;
        d.minuto = v->minute;
        d.segundo = v->second;
        return Hora(d);
      }
      case Leitura::DataHora: {
        auto v = LerFixo<SQL_TIMESTAMP_STRUCT>(stmt, c, SQL_C_TYPE_TIMESTAMP);
        if (!v) return std::nullopt;
        return DataHora({v->year, v->month, v->day, v->hour, v->minute, v->second,
                         static_cast<int>(v->fraction / 1000000)});
      }
    }
    return std::nullopt;
  }

  std::vector<std::string> segredos_;
  std::vector<char> primeiro_;  // the first chunk of every value
  Handle env_;
  Handle dbc_;  // declared after env_, so it is freed first
};

std::string Par(std::string_view chave, std::string_view valor) {
  return std::string(chave) + "=" + ValorOdbc(valor) + ";";
}

unsigned long IsolamentoOdbc(const std::string& valor) {
  const std::string v = MaiusculasAscii(valor);
  if (v == "READCOMMITED" || v == "READCOMMITTED") return SQL_TXN_READ_COMMITTED;
  if (v == "DIRTYREAD" || v == "READUNCOMMITTED") return SQL_TXN_READ_UNCOMMITTED;
  if (v == "REPEATABLEREAD") return SQL_TXN_REPEATABLE_READ;
  if (v == "SERIALIZABLE") return SQL_TXN_SERIALIZABLE;
  return 0;
}

}  // namespace

std::string ValorOdbc(std::string_view valor) {
  const bool chaves = valor.find_first_of(";{}") != std::string_view::npos ||
                      (!valor.empty() && (valor.front() == ' ' || valor.back() == ' '));
  if (!chaves) return std::string(valor);
  std::string s = "{";
  for (char c : valor) {
    s += c;
    if (c == '}') s += '}';
  }
  return s + "}";
}

std::string CadeiaConexaoOdbc(const TConexao& conexao) {
  const std::string& driver = conexao.DriverName;
  const std::string usuario = conexao.Parametro("User_Name");
  const std::string senha = conexao.Parametro("Password");
  if (driver == "DevartSQLServer") {
    std::string s = Par("DRIVER", "FreeTDS") + Par("SERVER", conexao.Parametro("HostName")) +
                    Par("DATABASE", conexao.Parametro("DataBase"));
    if (IgualSemCaso(conexao.Parametro("OS Authentication"), "True"))
      s += Par("Trusted_Connection", "Yes");
    else
      s += Par("UID", usuario) + Par("PWD", senha);
    // FreeTDS waits for the login reply without limit unless Timeout= is given.
    return s + Par("ClientCharset", "UTF-8") + Par("Timeout", std::to_string(kTempoLoginSegundos));
  }
  if (driver == "Informix")
    return Par("DRIVER", "IBM INFORMIX ODBC DRIVER") + Par("SERVER", conexao.Parametro("HostName")) +
           Par("DATABASE", conexao.Parametro("DataBase")) + Par("UID", usuario) + Par("PWD", senha);
  if (driver == "DevartOracle")
    return Par("DRIVER", "Oracle") + Par("DBQ", conexao.Parametro("DataBase")) + Par("UID", usuario) +
           Par("PWD", senha);
  throw ErroBanco("Unknown DriverName: " + driver);
}

OpcoesOdbc OpcoesOdbcDe(const TConexao& conexao) {
  OpcoesOdbc opcoes;
  opcoes.segredos.push_back(conexao.Parametro("Password"));
  for (const std::string& linha : conexao.Params) {
    const size_t igual = linha.find('=');
    const std::string chave = linha.substr(0, igual);
    if (igual != std::string::npos && chave.size() > 15 &&
        chave.compare(chave.size() - 15, 15, " TransIsolation") == 0)
      opcoes.isolamento = IsolamentoOdbc(linha.substr(igual + 1));
  }
  return opcoes;
}

std::unique_ptr<Sessao> AbrirSessaoOdbc(const std::string& cadeia, const OpcoesOdbc& opcoes) {
  return std::make_unique<SessaoOdbc>(cadeia, opcoes);
}

}  // namespace kiv::db
