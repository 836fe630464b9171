#include "db/Firebird.h"

#include "db/ErroBanco.h"
#include "db/MensagemBanco.h"
#include "db/ValorCampo.h"

namespace kiv::db::firebird {

std::string Mensagem(const ISC_STATUS* status) {
  std::string texto;
  const ISC_STATUS* p = status;
  char buffer[1024];
  while (fb_interpret(buffer, sizeof buffer, &p) > 0) {
    if (!texto.empty()) texto += " -";
    texto += buffer;
  }
  if (texto.empty()) texto = "Firebird call failed with an empty status vector";
  char estado[FB_SQLSTATE_SIZE] = {};
  fb_sqlstate(estado, status);
  if (estado[0] && std::string(estado) != "00000") texto += std::string(" (SQLSTATE ") + estado + ")";
  return TextoDoCliente(std::move(texto));
}

void Verificar(Status& status, const std::vector<std::string>& segredos) {
  if (status.Falhou()) throw ErroBanco(MensagemSegura(Mensagem(status.v), segredos));
}

void DesligarBanco(FB_API_HANDLE& h) noexcept {
  ISC_STATUS_ARRAY s;
  isc_detach_database(s, &h);
}

void DesfazerTransacao(FB_API_HANDLE& h) noexcept {
  ISC_STATUS_ARRAY s;
  isc_rollback_transaction(s, &h);
}

void LiberarComando(FB_API_HANDLE& h) noexcept {
  ISC_STATUS_ARRAY s;
  isc_dsql_free_statement(s, &h, DSQL_drop);
}

void CancelarBlob(FB_API_HANDLE& h) noexcept {
  ISC_STATUS_ARRAY s;
  // A blob being written is dropped; for one being read cancel fails and close releases it.
  if (isc_cancel_blob(s, &h)) isc_close_blob(s, &h);
}

}  // namespace kiv::db::firebird
