#pragma once
// Plain text searches over NF-e document texts: the access key, a tag's value, a whole element.
// Exact, case-sensitive, first occurrence only; nothing here parses XML or ever fails.
#include <string>
#include <string_view>

namespace kiv::nfe {

// The 44-character access key of a document text (the chNFe of an event, else the digits after
// Id="NFe), or fewer characters, or "".
std::string ObterChave(std::string_view documento);

// With comTags false the text between <Tag...> and </Tag>; with comTags true the whole element,
// from the "<" of the first start tag through the character after the first "/Tag". Without the
// plain end tag both fall back to the "ns2:" prefix (the element mode gives the whole
// <ns2:Tag ...>...</ns2:Tag> element). "" when not found.
std::string ValorTag(std::string_view texto, std::string_view tag, bool comTags);

// "True" or "False".
std::string BoolTexto(bool valor);

}  // namespace kiv::nfe
