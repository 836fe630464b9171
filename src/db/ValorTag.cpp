#include "db/ValorTag.h"

#include <libxml/globals.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <climits>
#include <stdexcept>
#include <vector>

#include "comum/Texto.h"

namespace kiv::db {
namespace {

// Collects the first libxml2 error raised on this thread while it lives, and restores the
// previous handler afterwards.
class CapturaErro {
 public:
  CapturaErro() : anterior_(xmlStructuredError), contextoAnterior_(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(this, &CapturaErro::Receber);
  }
  ~CapturaErro() { xmlSetStructuredErrorFunc(contextoAnterior_, anterior_); }
  CapturaErro(const CapturaErro&) = delete;
  CapturaErro& operator=(const CapturaErro&) = delete;

  [[noreturn]] void Falhar(const char* padrao) const {
    throw std::runtime_error(mensagem_.empty() ? std::string(padrao) : mensagem_);
  }

 private:
  static void Receber(void* contexto, xmlErrorPtr erro) {
    auto* self = static_cast<CapturaErro*>(contexto);
    if (self->mensagem_.empty() && erro && erro->message) self->mensagem_ = Trim(erro->message);
  }

  xmlStructuredErrorFunc anterior_;
  void* contextoAnterior_;
  std::string mensagem_;
};

using Contexto = std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)>;
using Expressao = std::unique_ptr<xmlXPathCompExpr, decltype(&xmlXPathFreeCompExpr)>;
using Resultado = std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)>;

// All text and CDATA below a node, in document order. Entity references stay unexpanded, so a
// document cannot multiply its text through nested entities.
std::string Conteudo(xmlNodePtr no) {
  if (no->type == XML_TEXT_NODE || no->type == XML_CDATA_SECTION_NODE)
    return no->content ? reinterpret_cast<const char*>(no->content) : "";
  std::string texto;
  std::vector<xmlNodePtr> pendentes;
  for (xmlNodePtr f = no->last; f; f = f->prev) pendentes.push_back(f);
  while (!pendentes.empty()) {
    xmlNodePtr atual = pendentes.back();
    pendentes.pop_back();
    if (atual->type == XML_TEXT_NODE || atual->type == XML_CDATA_SECTION_NODE) {
      if (atual->content) texto += reinterpret_cast<const char*>(atual->content);
    } else if (atual->type == XML_ELEMENT_NODE || atual->type == XML_ATTRIBUTE_NODE) {
      for (xmlNodePtr f = atual->last; f; f = f->prev) pendentes.push_back(f);
    }
  }
  return texto;
}

xmlDocPtr Ler(const std::string& texto) {
  xmlInitParser();
  xmlDocPtr doc = nullptr;
  if (texto.size() <= static_cast<size_t>(INT_MAX))
    doc = xmlReadMemory(texto.data(), static_cast<int>(texto.size()), nullptr, nullptr,
                        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  // Names are still checked by the XPath reader against an empty document.
  return doc ? doc : xmlNewDoc(BAD_CAST "1.0");
}

}  // namespace

DocumentoTag::DocumentoTag(const std::string& texto) : doc_(Ler(texto), &xmlFreeDoc) {
  if (!doc_) throw std::bad_alloc();
}

std::optional<std::string> DocumentoTag::Valor(const std::string& nome) const {
  std::string caminho;
  if (xmlValidateQName(BAD_CAST nome.c_str(), 0) == 0) {
    const size_t doisPontos = nome.find(':');
    const std::string local = doisPontos == std::string::npos ? nome : nome.substr(doisPontos + 1);
    caminho = "//*[local-name()='" + local + "']";
  } else {
    caminho = "//" + nome;
  }

  CapturaErro erro;
  Contexto contexto(xmlXPathNewContext(doc_.get()), &xmlXPathFreeContext);
  if (!contexto) throw std::bad_alloc();
  Expressao expressao(xmlXPathCtxtCompile(contexto.get(), BAD_CAST caminho.c_str()), &xmlXPathFreeCompExpr);
  if (!expressao) erro.Falhar("Invalid expression");
  Resultado resultado(xmlXPathCompiledEval(expressao.get(), contexto.get()), &xmlXPathFreeObject);
  if (!resultado) erro.Falhar("XPath evaluation failed");
  if (resultado->type != XPATH_NODESET || xmlXPathNodeSetIsEmpty(resultado->nodesetval)) return std::nullopt;
  return Conteudo(resultado->nodesetval->nodeTab[0]);
}

}  // namespace kiv::db
