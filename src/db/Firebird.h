#pragma once
// Firebird client API (ibase.h) handles owned by move-only objects, and the one helper every call
// goes through: a failed call's status vector becomes an ErroBanco in the client's own words.
#include <ibase.h>

#include <string>
#include <utility>
#include <vector>

namespace kiv::db::firebird {

// The status vector of one call.
struct Status {
  ISC_STATUS_ARRAY v{};
  ISC_STATUS* get() { return v; }
  bool Falhou() const { return v[0] == 1 && v[1] != 0; }
};

// The status vector as one line: its messages (fb_interpret) joined by " -", as isql shows them,
// and the SQL state: `I/O error during "open" operation for file "x.fdb" -Error while trying to
// open file -No such file or directory (SQLSTATE 08001)`.
std::string Mensagem(const ISC_STATUS* status);

// Throws ErroBanco with the message of `status` (passwords hidden, echoed values cut) when the
// call failed.
void Verificar(Status& status, const std::vector<std::string>& segredos);

// A handle of the client API and the call that releases it. The destructor releases it and never
// throws; the move leaves the source empty.
template <void (*Liberar)(FB_API_HANDLE&) noexcept>
class Handle {
 public:
  Handle() = default;
  ~Handle() { Soltar(); }
  Handle(Handle&& outro) noexcept : h_(std::exchange(outro.h_, FB_API_HANDLE{})) {}
  Handle& operator=(Handle&& outro) noexcept {
    if (this != &outro) {
      Soltar();
      h_ = std::exchange(outro.h_, FB_API_HANDLE{});
    }
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  // The handle for the calls that fill or use it.
  FB_API_HANDLE* Ptr() { return &h_; }
  FB_API_HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != FB_API_HANDLE{}; }
  // Forgets the handle after a call that released it (commit, close).
  void Esquecer() { h_ = FB_API_HANDLE{}; }

 private:
  void Soltar() noexcept {
    if (h_) Liberar(h_);
    h_ = FB_API_HANDLE{};
  }
  FB_API_HANDLE h_{};
};

void DesligarBanco(FB_API_HANDLE& h) noexcept;      // isc_detach_database
void DesfazerTransacao(FB_API_HANDLE& h) noexcept;  // isc_rollback_transaction
void LiberarComando(FB_API_HANDLE& h) noexcept;     // isc_dsql_free_statement(DSQL_drop)
void CancelarBlob(FB_API_HANDLE& h) noexcept;       // isc_cancel_blob (a read blob: isc_close_blob)

using Banco = Handle<DesligarBanco>;
using Transacao = Handle<DesfazerTransacao>;
using Comando = Handle<LiberarComando>;
using Blob = Handle<CancelarBlob>;

}  // namespace kiv::db::firebird
