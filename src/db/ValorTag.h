#pragma once
// The document behind "$TAG$" groups: an element's text looked up by name.
#include <libxml/tree.h>

#include <memory>
#include <optional>
#include <string>

namespace kiv::db {

class DocumentoTag {
 public:
  // Parses the text without network access and without expanding entities. A text that does not
  // parse behaves as a document without elements.
  explicit DocumentoTag(const std::string& texto);

  // The text content (all text below it, joined) of the first element named `nome` at any depth,
  // matched by local name, so the NF-e default namespace needs no prefix. A `nome` that is not an
  // element name is read as an XPath step after "//"; one the XPath reader rejects fails with its
  // message.
  std::optional<std::string> Valor(const std::string& nome) const;

 private:
  std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc_;
};

}  // namespace kiv::db
