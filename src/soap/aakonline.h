#pragma once
// The dealer web service AAKOnLine: its namespace, the EnviaXML action and request text.
#include <string>
#include <string_view>

namespace kiv::soap {

inline constexpr std::string_view kNamespaceAAKOnLine = "http://aakonline.kivxmlvw/aakonline/aakonline";
inline constexpr std::string_view kAcaoEnviaXML = "http://aakonline.kivxmlvw/aakonline/aakonline/EnviaXML";
inline constexpr std::string_view kNamespaceSoap12 = "http://www.w3.org/2003/05/soap-envelope";

// The SOAP 1.2 EnviaXML request around a body, which is placed as it is (not escaped).
std::string MontarRequisicao(std::string_view corpo);

}  // namespace kiv::soap
