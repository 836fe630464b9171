#include "config/NoXml.h"

#include <libxml/parser.h>

#include <mutex>

#include "comum/Texto.h"

namespace kiv::config {
namespace {

std::string_view Vista(const xmlChar* s) { return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view(); }

std::string ConteudoDe(xmlNodePtr no) {
  xmlChar* conteudo = xmlNodeGetContent(no);
  std::string texto(Vista(conteudo));
  xmlFree(conteudo);
  return texto;
}

// The single text or CDATA child of a value element; fails for any other content.
xmlNodePtr NoDeTexto(xmlNodePtr elemento, bool criar) {
  xmlNodePtr filho = elemento->children;
  if (!filho) {
    if (!criar) return nullptr;
    filho = xmlNewDocText(elemento->doc, BAD_CAST "");
    xmlAddChild(elemento, filho);
    return filho;
  }
  if (!filho->next && (filho->type == XML_TEXT_NODE || filho->type == XML_CDATA_SECTION_NODE)) return filho;
  throw ErroConfiguracao("Element \"" + NomeQualificado(elemento) + "\" does not contain a single text node");
}

xmlAttrPtr Atributo(xmlNodePtr elemento, std::string_view nome) {
  for (xmlAttrPtr a = elemento->properties; a; a = a->next) {
    if (Vista(a->name) == nome) return a;
    if (a->ns && a->ns->prefix && std::string(Vista(a->ns->prefix)) + ":" + std::string(Vista(a->name)) == nome) return a;
  }
  return nullptr;
}

}  // namespace

void IniciarLibxml() {
  static std::once_flag uma;
  std::call_once(uma, [] { xmlInitParser(); });
}

std::string NamespaceDe(xmlNodePtr no) { return no && no->ns ? std::string(Vista(no->ns->href)) : std::string(); }

std::string NomeQualificado(xmlNodePtr no) {
  if (no->ns && no->ns->prefix) return std::string(Vista(no->ns->prefix)) + ":" + std::string(Vista(no->name));
  return std::string(Vista(no->name));
}

bool Casa(xmlNodePtr no, std::string_view nome, std::string_view uri) {
  if (!no || no->type != XML_ELEMENT_NODE) return false;
  if (!uri.empty() && !IgualSemCaso(NamespaceDe(no), uri)) return false;
  return Vista(no->name) == nome || NomeQualificado(no) == nome;
}

NoXml Filho(const NoXml& dono, std::string_view nome) {
  const std::string uri = NamespaceDe(dono.no);
  for (xmlNodePtr filho = dono.no->children; filho; filho = filho->next)
    if (Casa(filho, nome, uri)) return NoXml{dono.documento, filho};
  // A missing element behaves as an empty one: it is created in memory, with the owner's prefix
  // and namespace.
  const std::string local(nome);
  xmlNodePtr novo = xmlNewDocNode(dono.documento->doc, dono.no->ns, BAD_CAST local.c_str(), nullptr);
  xmlAddChild(dono.no, novo);
  return NoXml{dono.documento, novo};
}

std::string LerTexto(const NoXml& dono, std::string_view nome) {
  const NoXml elemento = Filho(dono, nome);
  xmlNodePtr texto = NoDeTexto(elemento.no, true);
  return std::string(Vista(texto->content));
}

void GravarTexto(const NoXml& dono, std::string_view nome, const std::string& valor) {
  const NoXml elemento = Filho(dono, nome);
  if (xmlNodePtr antigo = NoDeTexto(elemento.no, false)) {
    xmlUnlinkNode(antigo);
    xmlFreeNode(antigo);
  }
  xmlAddChild(elemento.no, xmlNewDocTextLen(elemento.documento->doc, BAD_CAST valor.data(), static_cast<int>(valor.size())));
}

std::string LerAtributo(const NoXml& dono, std::string_view nome) {
  xmlAttrPtr a = Atributo(dono.no, nome);
  if (!a) {
    const std::string n(nome);
    xmlNewProp(dono.no, BAD_CAST n.c_str(), BAD_CAST "");
    return {};
  }
  return ConteudoDe(reinterpret_cast<xmlNodePtr>(a));
}

void GravarAtributo(const NoXml& dono, std::string_view nome, const std::string& valor) {
  // xmlSetNsProp stores the value as plain text (no entity parsing).
  if (xmlAttrPtr a = Atributo(dono.no, nome)) {
    xmlSetNsProp(dono.no, a->ns, a->name, BAD_CAST valor.c_str());
    return;
  }
  const std::string n(nome);
  xmlSetProp(dono.no, BAD_CAST n.c_str(), BAD_CAST valor.c_str());
}

}  // namespace kiv::config
