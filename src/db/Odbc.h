#pragma once
// unixODBC handles owned by move-only objects, and the one helper every ODBC call goes through.
#include <sql.h>
#include <sqlext.h>

#include <string>
#include <vector>

namespace kiv::db::odbc {

// One ODBC handle (environment, connection or statement). The destructor disconnects a connected
// connection handle and frees the handle; it never throws.
class Handle {
 public:
  Handle() = default;
  // Allocates a handle of `tipo` under `pai` (SQL_NULL_HANDLE for an environment); throws ErroBanco.
  Handle(SQLSMALLINT tipo, SQLHANDLE pai);
  ~Handle();
  Handle(Handle&& outro) noexcept;
  Handle& operator=(Handle&& outro) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT tipo() const { return tipo_; }
  // Marks a connection handle as connected, so that it is disconnected before it is freed.
  void MarcarConectado() { conectado_ = true; }

 private:
  void Liberar() noexcept;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
  SQLSMALLINT tipo_ = 0;
  bool conectado_ = false;
};

// The handle's diagnostic records as one line: each message followed by its SQL state,
// "[unixODBC][Driver Manager]Can't open lib 'Oracle' : file not found (SQLSTATE 01000)", records
// joined by " | ". Passwords in `segredos` and in a quoted connection string are hidden.
std::string Diagnostico(const Handle& h, const std::vector<std::string>& segredos);

// The SQL state of the first diagnostic record ("" when there is none).
std::string EstadoSql(const Handle& h);

// Returns `rc` when it succeeded (SQL_SUCCESS, SQL_SUCCESS_WITH_INFO, or SQL_NO_DATA when
// `aceitaSemDados`); otherwise throws ErroBanco with the handle's diagnostics.
SQLRETURN Verificar(SQLRETURN rc, const Handle& h, const std::vector<std::string>& segredos,
                    bool aceitaSemDados = false);

}  // namespace kiv::db::odbc
