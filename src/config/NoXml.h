#pragma once
// The DOM under the configuration views: a shared owner of the libxml2 document and light
// handles to its elements.
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

#include "config/KIVSchema.h"

namespace kiv::config {

// Owns one libxml2 document.
struct DocumentoXml {
  explicit DocumentoXml(xmlDocPtr d) : doc(d) {}
  ~DocumentoXml() {
    if (doc) xmlFreeDoc(doc);
  }
  DocumentoXml(const DocumentoXml&) = delete;
  DocumentoXml& operator=(const DocumentoXml&) = delete;
  xmlDocPtr doc;
};

// An element of a document; keeps the document alive.
struct NoXml {
  std::shared_ptr<DocumentoXml> documento;
  xmlNodePtr no = nullptr;
};

void IniciarLibxml();

// The matching rule: the namespace URI matches when `uri` is empty or equal without regard to
// ASCII case; the qualified or the local name must equal `nome` exactly.
bool Casa(xmlNodePtr no, std::string_view nome, std::string_view uri);

// The namespace URI of an element ("" when it has none).
std::string NamespaceDe(xmlNodePtr no);

// The element's qualified name (prefix:local or local).
std::string NomeQualificado(xmlNodePtr no);

// The first child element named `nome` in the owner's namespace; created (in memory) when absent.
NoXml Filho(const NoXml& dono, std::string_view nome);

// Text of a value element, and its replacement; both fail for other content than one text node.
std::string LerTexto(const NoXml& dono, std::string_view nome);
void GravarTexto(const NoXml& dono, std::string_view nome, const std::string& valor);

// An attribute looked up by qualified or local name in any namespace; created empty when absent.
std::string LerAtributo(const NoXml& dono, std::string_view nome);
void GravarAtributo(const NoXml& dono, std::string_view nome, const std::string& valor);

std::shared_ptr<IXMLTSelecao> NovaVisaoSelecao(NoXml no);

}  // namespace kiv::config
