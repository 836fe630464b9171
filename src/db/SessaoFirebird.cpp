#include "db/SessaoFirebird.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>

#include "comum/Texto.h"
#include "db/ErroBanco.h"
#include "db/ValorCampo.h"

namespace kiv::db {
namespace {

using firebird::Status;
using firebird::Verificar;

// A descriptor area of `n` columns or parameters, released with free().
struct LiberarDa {
  void operator()(XSQLDA* da) const noexcept { std::free(da); }
};
using Descritor = std::unique_ptr<XSQLDA, LiberarDa>;

Descritor NovoDescritor(int n) {
  if (n < 1) n = 1;
  auto* da = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
  if (!da) throw std::bad_alloc();
  da->version = SQLDA_VERSION1;
  da->sqln = static_cast<ISC_SHORT>(n);
  return Descritor(da);
}

// The buffers a described row is fetched into.
struct Buffers {
  std::vector<std::vector<char>> dados;
  std::vector<ISC_SHORT> indicadores;

  void Preparar(XSQLDA* da) {
    dados.assign(static_cast<size_t>(da->sqld), {});
    indicadores.assign(static_cast<size_t>(da->sqld), 0);
    for (int i = 0; i < da->sqld; ++i) {
      XSQLVAR& v = da->sqlvar[i];
      dados[static_cast<size_t>(i)].assign(static_cast<size_t>(v.sqllen) + sizeof(ISC_SHORT) + 8, 0);
      v.sqldata = dados[static_cast<size_t>(i)].data();
      v.sqlind = &indicadores[static_cast<size_t>(i)];
    }
  }
};

void AcrescentarTexto(std::string& dpb, char item, const std::string& valor, const char* nome) {
  if (valor.size() > 255) throw ErroBanco(std::string("Firebird ") + nome + " is longer than 255 bytes");
  dpb += item;
  dpb += static_cast<char>(valor.size());
  dpb += valor;
}

void AcrescentarInteiro(std::string& dpb, char item, uint32_t valor) {
  dpb += item;
  dpb += static_cast<char>(4);
  for (int i = 0; i < 4; ++i) dpb += static_cast<char>((valor >> (8 * i)) & 0xFF);  // little-endian, as the API reads it
}

// A connection's parameter block, begun with the user and the password.
std::string DpbDoUsuario(const ParametrosFirebird& parametros) {
  std::string dpb(1, static_cast<char>(isc_dpb_version1));
  AcrescentarTexto(dpb, isc_dpb_user_name, parametros.usuario, "user name");
  if (!parametros.senha.empty()) AcrescentarTexto(dpb, isc_dpb_password, parametros.senha, "password");
  return dpb;
}

// The value of `item` in an information reply (item, 2-byte length, value), or none when the
// reply does not begin with it.
std::optional<ISC_LONG> ItemDeInformacao(const char* resposta, char item) {
  if (resposta[0] != item) return std::nullopt;
  const short n = static_cast<short>(isc_vax_integer(resposta + 1, 2));
  return isc_vax_integer(resposta + 3, n);
}

// A value of type T from a fetched column's buffer, which need not be aligned for T.
template <typename T>
T Valor(const char* d) {
  T valor;
  std::memcpy(&valor, d, sizeof valor);
  return valor;
}

// Characters a character set spends at most per character, for the padding of CHAR columns.
int BytesPorCaractere(int conjunto) {
  switch (conjunto) {
    case 3:  // UNICODE_FSS
      return 3;
    case 4:  // UTF8
      return 4;
    default:
      return 1;
  }
}

// A CHAR value of a multi-byte character set comes padded to its byte length; keep the declared
// number of characters, blanks included, as a dataset shows it.
std::string CortarCaracteres(std::string s, size_t caracteres) {
  if (ContaCaracteres(s) <= caracteres) return s;
  return Copia(s, 1, static_cast<long long>(caracteres));
}

plataforma::DataHora DeTm(const std::tm& t, int milissegundo) {
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, milissegundo};
}

std::string Aspas(const std::string& s) { return "'" + SubstituirTodos(s, "'", "''", false) + "'"; }

}  // namespace

ParametrosFirebird ParametrosFirebirdDe(const TConexao& conexao) {
  ParametrosFirebird p;
  p.banco = conexao.Parametro("DataBase");
  p.usuario = conexao.Parametro("User_Name");
  p.senha = conexao.Parametro("Password");
  p.papel = conexao.Parametro("RoleName");
  if (const std::string d = conexao.Parametro("SQLDialect"); !d.empty()) p.dialeto = std::atoi(d.c_str());
  if (p.dialeto < 1 || p.dialeto > 3) p.dialeto = 3;
  p.esperarBloqueios = !IgualSemCaso(conexao.Parametro("WaitOnLocks"), "False");
  const std::string isolamento = MaiusculasAscii(conexao.Parametro("DevartInterBase TransIsolation"));
  p.leituraConfirmada = !(isolamento == "SNAPSHOT" || isolamento == "REPEATABLEREAD");
  return p;
}

SessaoFirebird::SessaoFirebird(const ParametrosFirebird& parametros) : parametros_(parametros) {
  segredos_.push_back(parametros.senha);
}

std::unique_ptr<SessaoFirebird> SessaoFirebird::Abrir(const ParametrosFirebird& parametros) {
  std::unique_ptr<SessaoFirebird> s(new SessaoFirebird(parametros));
  std::string dpb = DpbDoUsuario(parametros);
  if (!parametros.papel.empty()) AcrescentarTexto(dpb, isc_dpb_sql_role_name, parametros.papel, "role");
  AcrescentarTexto(dpb, isc_dpb_lc_ctype, parametros.conjuntoCaracteres, "character set");
  AcrescentarInteiro(dpb, isc_dpb_sql_dialect, static_cast<uint32_t>(parametros.dialeto));
  // A server that accepts the connection but never answers must not hang the run.
  AcrescentarInteiro(dpb, isc_dpb_connect_timeout, kTempoLoginSegundos);
  if (dpb.size() > 32767) throw ErroBanco("Firebird connection parameters too long");
  Status st;
  isc_attach_database(st.get(), 0, parametros.banco.c_str(), s->banco_.Ptr(), static_cast<short>(dpb.size()),
                      dpb.data());
  Verificar(st, s->segredos_);
  return s;
}

std::unique_ptr<SessaoFirebird> SessaoFirebird::CriarBanco(const ParametrosFirebird& parametros,
                                                           const std::string& conjuntoPadrao) {
  std::string sql = "CREATE DATABASE " + Aspas(parametros.banco) + " USER " + Aspas(parametros.usuario);
  if (!parametros.senha.empty()) sql += " PASSWORD " + Aspas(parametros.senha);
  sql += " PAGE_SIZE 8192 DEFAULT CHARACTER SET " + conjuntoPadrao;
  {
    firebird::Banco banco;
    firebird::Transacao transacao;
    Status st;
    isc_dsql_execute_immediate(st.get(), banco.Ptr(), transacao.Ptr(), 0, sql.c_str(),
                               static_cast<unsigned short>(parametros.dialeto), nullptr);
    Verificar(st, {parametros.senha});
  }
  {
    // A scratch database: its writes need not be forced to disk at every commit.
    std::string dpb = DpbDoUsuario(parametros);
    dpb += static_cast<char>(isc_dpb_force_write);
    dpb += static_cast<char>(1);
    dpb += static_cast<char>(0);
    firebird::Banco banco;
    Status st;
    isc_attach_database(st.get(), 0, parametros.banco.c_str(), banco.Ptr(), static_cast<short>(dpb.size()),
                        dpb.data());
    Verificar(st, {parametros.senha});
  }
  return Abrir(parametros);
}

firebird::Transacao SessaoFirebird::Iniciar() {
  std::string tpb;
  tpb += static_cast<char>(isc_tpb_version3);
  tpb += static_cast<char>(isc_tpb_write);
  if (parametros_.leituraConfirmada) {
    tpb += static_cast<char>(isc_tpb_read_committed);
    tpb += static_cast<char>(isc_tpb_rec_version);
  } else {
    tpb += static_cast<char>(isc_tpb_concurrency);
  }
  tpb += static_cast<char>(parametros_.esperarBloqueios ? isc_tpb_wait : isc_tpb_nowait);
  firebird::Transacao transacao;
  Status st;
  isc_start_transaction(st.get(), transacao.Ptr(), 1, banco_.Ptr(), static_cast<unsigned short>(tpb.size()),
                        tpb.data());
  Verificar(st, segredos_);
  return transacao;
}

void SessaoFirebird::Confirmar(firebird::Transacao& transacao) {
  Status st;
  isc_commit_transaction(st.get(), transacao.Ptr());
  Verificar(st, segredos_);
  transacao.Esquecer();
}

firebird::Comando SessaoFirebird::Preparar(firebird::Transacao& transacao, const std::string& sql, XSQLDA* saida) {
  firebird::Comando comando;
  Status st;
  isc_dsql_allocate_statement(st.get(), banco_.Ptr(), comando.Ptr());
  Verificar(st, segredos_);
  // Length 0: the text is read up to its NUL, so commands longer than 64 KiB pass whole.
  isc_dsql_prepare(st.get(), transacao.Ptr(), comando.Ptr(), 0, sql.c_str(),
                   static_cast<unsigned short>(parametros_.dialeto), saida);
  Verificar(st, segredos_);
  return comando;
}

void SessaoFirebird::Executar(const std::string& sql) { ExecutarLote(sql, {{}}); }

void SessaoFirebird::Executar(const std::string& sql, const std::vector<std::optional<std::string>>& parametros) {
  ExecutarLote(sql, {parametros});
}

void SessaoFirebird::ExecutarLote(const std::string& sql,
                                  const std::vector<std::vector<std::optional<std::string>>>& linhas) {
  firebird::Transacao transacao = Iniciar();
  firebird::Comando comando = Preparar(transacao, sql, nullptr);
  Status st;
  Descritor modelo = NovoDescritor(1);
  isc_dsql_describe_bind(st.get(), comando.Ptr(), 1, modelo.get());
  Verificar(st, segredos_);
  const int quantos = modelo->sqld;
  if (quantos > modelo->sqln) {
    modelo = NovoDescritor(quantos);
    isc_dsql_describe_bind(st.get(), comando.Ptr(), 1, modelo.get());
    Verificar(st, segredos_);
  }
  for (const auto& parametros : linhas) {
    if (static_cast<int>(parametros.size()) != quantos)
      throw ErroBanco("The statement takes " + std::to_string(quantos) + " parameters, " +
                      std::to_string(parametros.size()) + " given");
    // The described types are the starting point of every row: a row sets its own values on a copy.
    Descritor entrada = NovoDescritor(quantos);
    std::memcpy(entrada.get(), modelo.get(), XSQLDA_LENGTH(std::max(quantos, 1)));
    std::vector<ISC_QUAD> blobs(parametros.size());
    std::vector<ISC_SHORT> indicadores(parametros.size());
    for (size_t i = 0; i < parametros.size(); ++i) {
      XSQLVAR& v = entrada->sqlvar[i];
      v.sqlind = &indicadores[i];
      if (!parametros[i]) {
        static char nada = 0;
        indicadores[i] = -1;
        v.sqltype = SQL_TEXT | 1;
        v.sqlsubtype = 0;
        v.sqlscale = 0;
        v.sqllen = 0;
        v.sqldata = &nada;
        continue;
      }
      const std::string& valor = *parametros[i];
      if ((v.sqltype & ~1) == SQL_BLOB) {
        firebird::Blob blob;
        isc_create_blob2(st.get(), banco_.Ptr(), transacao.Ptr(), blob.Ptr(), &blobs[i], 0, nullptr);
        Verificar(st, segredos_);
        constexpr size_t kSegmento = 32 * 1024;
        for (size_t p = 0; p < valor.size(); p += kSegmento) {
          const size_t n = std::min(kSegmento, valor.size() - p);
          isc_put_segment(st.get(), blob.Ptr(), static_cast<unsigned short>(n), valor.data() + p);
          Verificar(st, segredos_);
        }
        isc_close_blob(st.get(), blob.Ptr());
        Verificar(st, segredos_);
        blob.Esquecer();
        v.sqldata = reinterpret_cast<ISC_SCHAR*>(&blobs[i]);
      } else {
        // Any other type takes the value as text and the server converts it.
        if (valor.size() > 32767)
          throw ErroBanco("A parameter of type " + std::to_string(v.sqltype & ~1) + " cannot take " +
                          std::to_string(valor.size()) + " bytes");
        const bool texto = (v.sqltype & ~1) == SQL_TEXT || (v.sqltype & ~1) == SQL_VARYING;
        v.sqltype = SQL_TEXT | 1;
        if (!texto) v.sqlsubtype = 0;
        v.sqlscale = 0;
        v.sqllen = static_cast<ISC_SHORT>(valor.size());
        v.sqldata = const_cast<ISC_SCHAR*>(valor.data());
      }
    }
    isc_dsql_execute(st.get(), transacao.Ptr(), comando.Ptr(), 1, quantos > 0 ? entrada.get() : nullptr);
    Verificar(st, segredos_);
  }
  comando = firebird::Comando();
  Confirmar(transacao);
}

namespace {

class LeitorLinha {
 public:
  LeitorLinha(firebird::Banco& banco, firebird::Transacao& transacao, const std::vector<std::string>& segredos)
      : banco_(banco), transacao_(transacao), segredos_(segredos) {}

  Conjunto::Valor Ler(const XSQLVAR& v, const std::string& nome) {
    if ((v.sqltype & 1) && *v.sqlind < 0) return std::nullopt;
    const char* d = v.sqldata;
    switch (v.sqltype & ~1) {
      case SQL_TEXT: {
        std::string s(d, static_cast<size_t>(v.sqllen));
        const int bpc = BytesPorCaractere(v.sqlsubtype & 0xFF);
        if (bpc > 1) return CortarCaracteres(TextoDoCliente(std::move(s)), static_cast<size_t>(v.sqllen / bpc));
        return TextoDoCliente(std::move(s));
      }
      case SQL_VARYING:
        return TextoDoCliente(std::string(d + sizeof(ISC_USHORT), Valor<ISC_USHORT>(d)));
      case SQL_SHORT:
        return NumeroEscalado(Valor<ISC_SHORT>(d), -v.sqlscale);
      case SQL_LONG:
        return NumeroEscalado(Valor<ISC_LONG>(d), -v.sqlscale);
      case SQL_INT64:
        return NumeroEscalado(Valor<ISC_INT64>(d), -v.sqlscale);
      case SQL_FLOAT:
        return NumeroReal(Valor<float>(d), 7);
      case SQL_DOUBLE:
      case SQL_D_FLOAT:
        return NumeroReal(Valor<double>(d), 15);
      case SQL_TYPE_DATE: {
        ISC_DATE x = Valor<ISC_DATE>(d);
        std::tm t{};
        isc_decode_sql_date(&x, &t);
        return Data(DeTm(t, 0));
      }
      case SQL_TYPE_TIME: {
        ISC_TIME x = Valor<ISC_TIME>(d);
        std::tm t{};
        isc_decode_sql_time(&x, &t);
        return Hora(DeTm(t, static_cast<int>((x % 10000) / 10)));
      }
      case SQL_TIMESTAMP: {
        ISC_TIMESTAMP x = Valor<ISC_TIMESTAMP>(d);
        std::tm t{};
        isc_decode_timestamp(&x, &t);
        return DataHora(DeTm(t, static_cast<int>((x.timestamp_time % 10000) / 10)));
      }
      case SQL_BOOLEAN:
        return *reinterpret_cast<const unsigned char*>(d) ? "True" : "False";
      case SQL_BLOB: {
        ISC_QUAD id = Valor<ISC_QUAD>(d);
        return TextoDoCliente(LerBlob(id));
      }
      default:
        throw ErroBanco("Field '" + nome + "' has a data type that cannot be read (" +
                        std::to_string(v.sqltype & ~1) + ")");
    }
  }

 private:
  // The whole blob, sized from its total length and read in segments.
  std::string LerBlob(ISC_QUAD& id) {
    firebird::Blob blob;
    Status st;
    isc_open_blob2(st.get(), banco_.Ptr(), transacao_.Ptr(), blob.Ptr(), &id, 0, nullptr);
    Verificar(st, segredos_);
    const char itens[] = {isc_info_blob_total_length};
    char resposta[32] = {};
    size_t total = 0;
    isc_blob_info(st.get(), blob.Ptr(), sizeof itens, itens, sizeof resposta, resposta);
    if (!st.Falhou())
      if (const auto n = ItemDeInformacao(resposta, isc_info_blob_total_length))
        total = static_cast<size_t>(std::max<ISC_LONG>(*n, 0));
    // Segments go straight into a text of the blob's own size; a blob whose size is unknown, or
    // larger than announced, goes on through a buffer (also asked once more after the last byte,
    // to see the end: it is made once per selection, not once per blob).
    std::string dados(total, '\0');
    size_t usado = 0;
    std::vector<char>& buffer = buffer_;
    for (;;) {
      const size_t cabe = total - std::min(usado, total);
      char* destino;
      unsigned short pedir;
      if (cabe > 0) {
        destino = dados.data() + usado;
        pedir = static_cast<unsigned short>(std::min<size_t>(cabe, kSegmento));
      } else {
        if (buffer.size() < kSegmento) buffer.resize(kSegmento);
        destino = buffer.data();
        pedir = kSegmento;
      }
      unsigned short lido = 0;
      const ISC_STATUS rc = isc_get_segment(st.get(), blob.Ptr(), &lido, pedir, destino);
      if (rc != 0 && rc != isc_segment && rc != isc_segstr_eof) Verificar(st, segredos_);
      if (cabe > 0)
        usado += lido;
      else {
        dados.resize(usado);
        dados.append(buffer.data(), lido);
        usado += lido;
      }
      if (rc == isc_segstr_eof) break;
    }
    dados.resize(usado);
    isc_close_blob(st.get(), blob.Ptr());
    Verificar(st, segredos_);
    blob.Esquecer();
    return dados;
  }

  static constexpr unsigned short kSegmento = 65535;
  firebird::Banco& banco_;
  firebird::Transacao& transacao_;
  const std::vector<std::string>& segredos_;
  std::vector<char> buffer_;
};

int TipoDoComando(firebird::Comando& comando, const std::vector<std::string>& segredos) {
  const char itens[] = {isc_info_sql_stmt_type};
  char resposta[16] = {};
  Status st;
  isc_dsql_sql_info(st.get(), comando.Ptr(), sizeof itens, itens, sizeof resposta, resposta);
  Verificar(st, segredos);
  return static_cast<int>(ItemDeInformacao(resposta, isc_info_sql_stmt_type).value_or(0));
}

}  // namespace

Conjunto SessaoFirebird::Consultar(const std::string& sql) {
  firebird::Transacao transacao = Iniciar();
  Descritor saida = NovoDescritor(32);
  firebird::Comando comando = Preparar(transacao, sql, saida.get());
  Status st;
  if (saida->sqld > saida->sqln) {
    saida = NovoDescritor(saida->sqld);
    isc_dsql_describe(st.get(), comando.Ptr(), 1, saida.get());
    Verificar(st, segredos_);
  }
  const int colunas = saida->sqld;
  std::vector<std::string> nomes;
  for (int i = 0; i < colunas; ++i) {
    const XSQLVAR& v = saida->sqlvar[i];
    nomes.push_back(TextoDoCliente(std::string(v.aliasname, static_cast<size_t>(v.aliasname_length))));
  }
  Buffers buffers;
  buffers.Preparar(saida.get());
  LeitorLinha leitor(banco_, transacao, segredos_);
  std::vector<Conjunto::Linha> linhas;
  auto lerLinha = [&] {
    Conjunto::Linha linha;
    linha.reserve(static_cast<size_t>(colunas));
    for (int i = 0; i < colunas; ++i) linha.push_back(leitor.Ler(saida->sqlvar[i], nomes[static_cast<size_t>(i)]));
    linhas.push_back(std::move(linha));
  };

  if (colunas > 0 && TipoDoComando(comando, segredos_) == isc_info_sql_stmt_exec_procedure) {
    // A procedure's output parameters come back as the one row of the execution.
    isc_dsql_execute2(st.get(), transacao.Ptr(), comando.Ptr(), 1, nullptr, saida.get());
    Verificar(st, segredos_);
    lerLinha();
  } else {
    isc_dsql_execute(st.get(), transacao.Ptr(), comando.Ptr(), 1, nullptr);
    Verificar(st, segredos_);
    if (colunas > 0) {
      for (;;) {
        const ISC_STATUS rc = isc_dsql_fetch(st.get(), comando.Ptr(), 1, saida.get());
        if (rc == 100) break;
        Verificar(st, segredos_);
        lerLinha();
      }
    }
  }
  comando = firebird::Comando();
  Confirmar(transacao);
  return Conjunto(std::move(nomes), std::move(linhas));
}

}  // namespace kiv::db
