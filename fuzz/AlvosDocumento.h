#pragma once
// What the fuzz targets feed the document functions (access key, tag values, the delivered body,
// the row's document text), shared by the libFuzzer program and the test that replays the saved
// corpus. Each function returns "" when the input behaved, or what went wrong. These functions
// never fail on purpose, so any exception is a fault.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "nfe/Documento.h"
#include "nfe/Tags.h"

namespace kiv::fuzz {

inline size_t Caracteres(std::string_view s) {
  size_t n = 0;
  for (char c : s) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// First byte: bit 0 whole element, bit 1 Informix, bits 2-3 the kind ("E", "C", "", "e"),
// bits 4-7 a tag name from a table. The rest is the document text; when it holds a NUL, the part
// before it is the tag name instead.
inline std::string ExercitaDocumento(const uint8_t* dados, size_t tamanho) {
  if (tamanho == 0) return {};
  static const char* const kTags[] = {"infProt", "NFe",   "protNFe", "procEventoNFe", "chNFe", "ChaveAcesso",
                                      "CodRetorno", "MsgRetorno", "infNFe", "nfeProc", "ns2:NFe", "a",
                                      "",        "veicProd", "procCancNFe", "evento"};
  static const char* const kTipos[] = {"E", "C", "", "e"};
  const bool comTags = dados[0] & 1;
  const bool informix = dados[0] & 2;
  const std::string tipo = kTipos[(dados[0] >> 2) & 3];
  std::string texto(reinterpret_cast<const char*>(dados + 1), tamanho - 1);
  std::string tag = kTags[dados[0] >> 4];
  if (const size_t nul = texto.find('\0'); nul != std::string::npos) {
    tag = texto.substr(0, nul);
    texto.erase(0, nul + 1);
  }
  try {
    const std::string chave = nfe::ObterChave(texto);
    if (texto.find(chave) == std::string::npos) return "the key is not in the document [" + chave + "]";
    if (texto.find("procEventoNFe") == std::string::npos && Caracteres(chave) > 44)
      return "a key of more than 44 characters [" + chave + "]";

    const std::string valor = nfe::ValorTag(texto, tag, comTags);
    if (texto.find(valor) == std::string::npos) return "the value is not in the text [" + valor + "]";

    const std::string corpo = nfe::MontarDocumento(texto, tipo, informix);
    if (tipo != "E" && corpo != nfe::ValorTag(texto, "procEventoNFe", true))
      return "a body of kind " + tipo + " is not the event element";

    const std::string normal = nfe::NormalizarDocumento(texto);
    for (size_t i = 0; i < normal.size(); ++i) {
      if (normal[i] == '\n' && (i == 0 || normal[i - 1] != '\r')) return "a line break without CR";
      if (normal[i] == '\r' && (i + 1 == normal.size() || normal[i + 1] != '\n')) return "a CR without LF";
    }
    if (!normal.empty() && normal.compare(normal.size() - 2, 2, "\r\n") != 0) return "the last line has no CR LF";

    const auto tipos = nfe::DecidirEnvio(normal, chave, [&](const std::string&, const std::string& t) { return t == tipo; });
    for (const auto& t : tipos)
      if (t != "E" && t != "C") return "an unknown kind [" + t + "]";
  } catch (const std::exception& e) {
    return std::string("unexpected exception: ") + e.what();
  }
  return {};
}

}  // namespace kiv::fuzz
