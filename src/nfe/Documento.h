#pragma once
// What the delivery runs do with a document text: normalise it, look for its content markers,
// decide which kinds still go, and assemble the body that is delivered.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::nfe {

// The NF-e layout namespace.
inline constexpr std::string_view kNamespaceNFe = "http://www.portalfiscal.inf.br/nfe";

// Content markers, searched case-sensitively.
inline constexpr std::string_view kMarcadorProtocolo = "<infProt";
inline constexpr std::string_view kMarcadorEvento = "procEventoNFe";
inline constexpr std::string_view kMarcadorTagEvento = "<procEventoNFe";
inline constexpr std::string_view kMarcadorVeiculo = "<veicProd";
inline constexpr std::string_view kMarcadorCancelamentoAntigo = "<procCancNFe";
inline constexpr std::string_view kMarcadorLeiaute310 = "<infNFe versao=\"3.10\"";

// 1-based character position of the marker's first occurrence (0 when absent).
size_t PosicaoMarcador(std::string_view documento, std::string_view marcador);

// A marker counts as present at position 2 or later.
bool MarcadorPresente(std::string_view documento, std::string_view marcador);

// The document text of a row: through the ANSI code page and back, lines split at CR LF, CR and
// LF (a NUL ends the text) and joined again with CR LF after every line.
std::string NormalizarDocumento(std::string_view campo);

// Whether the register holds the pair (key, kind).
using ConsultaRegistro = std::function<bool(const std::string& chave, const std::string& tipo)>;

// The kinds still to deliver, in order: none, "E", "C", or "E" then "C".
std::vector<std::string> DecidirEnvio(std::string_view documento, const std::string& chave,
                                      const ConsultaRegistro& registroContem);

// The body delivered for a document text and kind; `informix` selects the engine's own branch.
// Kind "E" gives an nfeProc labelled with the versao of the invoice's infNFe ("3.10", "4.00",
// else "2.00"); any other kind gives the procEventoNFe element as it stands, or "".
std::string MontarDocumento(std::string_view documento, std::string_view tipo, bool informix);

}  // namespace kiv::nfe
