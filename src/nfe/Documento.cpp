#include "nfe/Documento.h"

#include "comum/Texto.h"

namespace kiv::nfe {

// Placeholders until the document assembly lands.
size_t PosicaoMarcador(std::string_view documento, std::string_view marcador) { return Posicao(marcador, documento); }
bool MarcadorPresente(std::string_view documento, std::string_view marcador) {
  return PosicaoMarcador(documento, marcador) >= 2;
}
std::string NormalizarDocumento(std::string_view campo) { return std::string(campo); }
std::vector<std::string> DecidirEnvio(std::string_view, const std::string& chave, const ConsultaRegistro& contem) {
  if (contem(chave, "E")) return {};
  return {"E"};
}
std::string MontarDocumento(std::string_view documento, std::string_view, bool) { return std::string(documento); }

}  // namespace kiv::nfe
