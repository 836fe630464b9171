#include "db/Odbc.h"

#include <algorithm>
#include <utility>

#include "db/ErroBanco.h"
#include "db/MensagemBanco.h"
#include "db/ValorCampo.h"

namespace kiv::db::odbc {

Handle::Handle(SQLSMALLINT tipo, SQLHANDLE pai) : tipo_(tipo) {
  const SQLRETURN rc = SQLAllocHandle(tipo, pai, &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HANDLE;
    throw ErroBanco(tipo == SQL_HANDLE_ENV ? "Cannot allocate the ODBC environment (is unixODBC installed?)"
                                           : "Cannot allocate an ODBC handle");
  }
}

Handle::~Handle() { Liberar(); }

Handle::Handle(Handle&& outro) noexcept
    : handle_(std::exchange(outro.handle_, SQLHANDLE{})),
      tipo_(outro.tipo_),
      conectado_(std::exchange(outro.conectado_, false)) {}

Handle& Handle::operator=(Handle&& outro) noexcept {
  if (this != &outro) {
    Liberar();
    handle_ = std::exchange(outro.handle_, SQLHANDLE{});
    tipo_ = outro.tipo_;
    conectado_ = std::exchange(outro.conectado_, false);
  }
  return *this;
}

void Handle::Liberar() noexcept {
  if (handle_ == SQL_NULL_HANDLE) return;
  if (tipo_ == SQL_HANDLE_DBC && conectado_) SQLDisconnect(handle_);
  SQLFreeHandle(tipo_, handle_);
  handle_ = SQL_NULL_HANDLE;
  conectado_ = false;
}

std::string Diagnostico(const Handle& h, const std::vector<std::string>& segredos) {
  std::vector<std::string> registros;
  std::string texto;
  for (SQLSMALLINT i = 1;; ++i) {
    SQLCHAR estado[6] = {};
    SQLINTEGER nativo = 0;
    SQLSMALLINT tamanho = 0;
    std::string mensagem(1024, '\0');
    SQLRETURN rc = SQLGetDiagRec(h.tipo(), h.get(), i, estado, &nativo, reinterpret_cast<SQLCHAR*>(mensagem.data()),
                                 static_cast<SQLSMALLINT>(mensagem.size()), &tamanho);
    if (rc == SQL_SUCCESS_WITH_INFO && tamanho >= static_cast<SQLSMALLINT>(mensagem.size())) {
      mensagem.assign(static_cast<size_t>(tamanho) + 1, '\0');
      rc = SQLGetDiagRec(h.tipo(), h.get(), i, estado, &nativo, reinterpret_cast<SQLCHAR*>(mensagem.data()),
                         static_cast<SQLSMALLINT>(mensagem.size()), &tamanho);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    mensagem.resize(std::min<size_t>(static_cast<size_t>(tamanho), mensagem.size() - 1));
    std::string registro = TextoDoCliente(mensagem) + " (SQLSTATE " + reinterpret_cast<const char*>(estado) + ")";
    // Drivers such as FreeTDS repeat a record; once is enough.
    if (std::find(registros.begin(), registros.end(), registro) == registros.end())
      registros.push_back(std::move(registro));
  }
  for (const auto& r : registros) texto += (texto.empty() ? "" : " | ") + r;
  if (texto.empty()) texto = "ODBC call failed without a diagnostic record";
  return MensagemSegura(texto, segredos);
}

std::string EstadoSql(const Handle& h) {
  SQLCHAR estado[6] = {};
  SQLINTEGER nativo = 0;
  SQLSMALLINT tamanho = 0;
  SQLCHAR mensagem[8];
  const SQLRETURN rc = SQLGetDiagRec(h.tipo(), h.get(), 1, estado, &nativo, mensagem, sizeof mensagem, &tamanho);
  return SQL_SUCCEEDED(rc) ? reinterpret_cast<const char*>(estado) : "";
}

SQLRETURN Verificar(SQLRETURN rc, const Handle& h, const std::vector<std::string>& segredos, bool aceitaSemDados) {
  if (SQL_SUCCEEDED(rc) || (aceitaSemDados && rc == SQL_NO_DATA)) return rc;
  throw ErroBanco(Diagnostico(h, segredos));
}

}  // namespace kiv::db::odbc
