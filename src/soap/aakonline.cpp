#include "soap/aakonline.h"

namespace kiv::soap {

std::string MontarRequisicao(std::string_view corpo) {
  std::string r;
  r.reserve(corpo.size() + 400);
  r += "<soap:Envelope xmlns:soap=\"";
  r += kNamespaceSoap12;
  r += "\" xmlns:aak=\"";
  r += kNamespaceAAKOnLine;
  r += "\">";
  r += "   <soap:Header/>";
  r += "   <soap:Body>";
  r += "      <aak:EnviaXML>";
  r += "         <aak:NFe>";
  r += corpo;
  r += "         </aak:NFe>";
  r += "      </aak:EnviaXML>";
  r += "   </soap:Body>";
  r += "</soap:Envelope>";
  return r;
}

}  // namespace kiv::soap
