#pragma once
// The dealer web service AAKOnLine (interface AAKOnLineSoap, one operation EnviaXML with the text
// parameter NFe; document style, SOAP 1.2, utf-8). The request is written by hand and the answer
// read by text search, so only its namespace, the action and the request text live here.
#include <string>
#include <string_view>

namespace kiv::soap {

inline constexpr std::string_view kNamespaceAAKOnLine = "http://aakonline.kivxmlvw/aakonline/aakonline";
inline constexpr std::string_view kAcaoEnviaXML = "http://aakonline.kivxmlvw/aakonline/aakonline/EnviaXML";
inline constexpr std::string_view kNamespaceSoap12 = "http://www.w3.org/2003/05/soap-envelope";

static_assert(kAcaoEnviaXML.substr(0, kNamespaceAAKOnLine.size()) == kNamespaceAAKOnLine &&
                  kAcaoEnviaXML.substr(kNamespaceAAKOnLine.size()) == "/EnviaXML",
              "the action is the namespace followed by /EnviaXML");

// The SOAP 1.2 EnviaXML request around a body, which is placed as it is (not escaped), on one
// line with no XML declaration.
std::string MontarRequisicao(std::string_view corpo);

}  // namespace kiv::soap
