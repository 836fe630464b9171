#include "nfe/Documento.h"

#include <algorithm>
#include <functional>

#include "comum/Texto.h"
#include "nfe/Tags.h"
#include "platform/ArquivosTexto.h"
#include "platform/PaginaCodigo.h"

namespace kiv::nfe {
namespace {

constexpr size_t npos = std::string_view::npos;

bool Branco(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The first infNFe start tag, plain or with the "ns2:" prefix: its attributes, up to its ">".
std::string_view AtributosInfNFe(std::string_view texto) {
  constexpr std::string_view kNome = "infNFe";
  constexpr std::string_view kPrefixo = "<ns2:";
  for (size_t p = Achar(texto, kNome); p != npos; p = Achar(texto, kNome, p + 1)) {
    const bool aberto = (p >= 1 && texto[p - 1] == '<') ||
                        (p >= kPrefixo.size() && texto.substr(p - kPrefixo.size(), kPrefixo.size()) == kPrefixo);
    const size_t depois = p + kNome.size();
    if (!aberto || depois >= texto.size()) continue;
    const char c = texto[depois];
    if (!Branco(c) && c != '>' && c != '/') continue;  // a longer name such as infNFeSupl
    const size_t fim = texto.find('>', depois);
    return texto.substr(depois, (fim == npos ? texto.size() : fim) - depois);
  }
  return {};
}

// The value of the versao attribute of the first infNFe start tag, wherever it stands among the
// attributes; "" when there is none.
std::string_view VersaoInfNFe(std::string_view texto) {
  const std::string_view a = AtributosInfNFe(texto);
  size_t i = 0;
  while (i < a.size()) {
    while (i < a.size() && Branco(a[i])) ++i;
    const size_t nome = i;
    while (i < a.size() && !Branco(a[i]) && a[i] != '=' && a[i] != '/') ++i;
    const std::string_view atributo = a.substr(nome, i - nome);
    while (i < a.size() && Branco(a[i])) ++i;
    if (i >= a.size() || a[i] != '=') {
      if (atributo.empty()) ++i;  // a stray "/" or similar
      continue;
    }
    ++i;
    while (i < a.size() && Branco(a[i])) ++i;
    if (i >= a.size() || (a[i] != '"' && a[i] != '\'')) return {};  // not an attribute list
    const char aspas = a[i++];
    const size_t fim = a.find(aspas, i);
    if (fim == npos) return {};
    if (atributo == "versao") return a.substr(i, fim - i);
    i = fim + 1;
  }
  return {};
}

// The layout of the nfeProc built around an invoice. The historical marker still decides first,
// so a document that carries it is labelled exactly as it always was.
std::string_view Leiaute(std::string_view texto) {
  if (MarcadorPresente(texto, kMarcadorLeiaute310)) return "3.10";
  const std::string_view versao = VersaoInfNFe(texto);
  if (versao == "3.10" || versao == "4.00") return versao;
  return "2.00";
}

std::string InicioNfeProc(std::string_view leiaute) {
  std::string r = "<nfeProc versao=\"";
  r.append(leiaute).append("\" xmlns=\"").append(kNamespaceNFe).append("\">");
  return r;
}

std::string InicioProtNFe(std::string_view leiaute) {
  std::string r(11, ' ');
  r.append("<protNFe versao=\"").append(leiaute).append("\">");
  return r;
}

const std::string kFimProtNFe = std::string(11, ' ') + "</protNFe>";
constexpr std::string_view kFimNfeProc = "</nfeProc>";

// The layout-2.00 schema location, removed from the document before the NFe is cut out.
const std::string kSchemaLocation =
    " xsi:schemaLocation=\"" + std::string(kNamespaceNFe) + " procNFe_v2.00.xsd\"";

}  // namespace

size_t PosicaoMarcador(std::string_view documento, std::string_view marcador) {
  return Posicao(marcador, documento);
}

bool MarcadorPresente(std::string_view documento, std::string_view marcador) {
  // Position 2 or later; every marker begins with an ASCII character, so byte offset 1 or later.
  const size_t p = marcador.empty() ? npos : Achar(documento, marcador);
  return p != npos && p >= 1;
}

std::string NormalizarDocumento(std::string_view campo) {
  const size_t nul = campo.find('\0');
  if (nul != npos) campo = campo.substr(0, nul);
  if (campo.empty()) return {};
  // ASCII reads the same in every ANSI code page: such a text, the usual document, needs no trip
  // through it.
  if (plataforma::SoAscii(campo)) return plataforma::JuntarLinhasCRLF(campo);
  return plataforma::JuntarLinhasCRLF(plataforma::DeAnsi(plataforma::ParaAnsi(campo)));
}

std::vector<std::string> DecidirEnvio(std::string_view documento, const std::string& chave,
                                      const ConsultaRegistro& registroContem) {
  const bool evento =
      MarcadorPresente(documento, kMarcadorProtocolo) && MarcadorPresente(documento, kMarcadorEvento);
  const bool enviadoE = registroContem(chave, "E");
  if (!evento) return enviadoE ? std::vector<std::string>{} : std::vector<std::string>{"E"};
  const bool enviadoC = registroContem(chave, "C");
  std::vector<std::string> tipos;
  if (!enviadoE) tipos.emplace_back("E");
  if (!enviadoC) tipos.emplace_back("C");
  return tipos;
}

std::string MontarDocumento(std::string_view documento, std::string_view tipo, bool informix) {
  if (tipo != "E") return ValorTag(documento, "procEventoNFe", true);

  if (informix) {
    // The protocol comes as an infProt element; the protNFe around it is supplied here.
    const std::string nfe = ValorTag(documento, "NFe", true);
    const std::string infProt = ValorTag(documento, "infProt", true);
    const std::string_view leiaute = Leiaute(nfe);
    std::string r = InicioNfeProc(leiaute);
    r.reserve(r.size() + nfe.size() + infProt.size() + 80);
    r.append(nfe).append(InicioProtNFe(leiaute)).append(infProt).append(kFimProtNFe).append(kFimNfeProc);
    return r;
  }

  // A complete processed document: its NFe and protNFe are reused under a fixed nfeProc start.
  // Only documents of layout 2.00 carry the fragment; the others are searched as they are.
  const bool comSchema = AcharSemCaso(documento, kSchemaLocation) != npos;
  const std::string semSchema = comSchema ? SubstituirTodos(documento, kSchemaLocation, "", true) : std::string();
  const std::string nfe = ValorTag(comSchema ? std::string_view(semSchema) : documento, "NFe", true);
  if (nfe.empty()) return {};
  const std::string protNFe = ValorTag(documento, "protNFe", true);
  std::string r = InicioNfeProc(Leiaute(documento));
  r.reserve(r.size() + nfe.size() + protNFe.size() + kFimNfeProc.size());
  r.append(nfe).append(protNFe).append(kFimNfeProc);
  return r;
}

}  // namespace kiv::nfe
