#include "soap/aakonline.h"

#include <gtest/gtest.h>

namespace {

TEST(aakonline, RequestTextIsTheEnviaXMLEnvelopeOnOneLine) {
  EXPECT_EQ(kiv::soap::MontarRequisicao("<nfeProc>&amp;ç</nfeProc>"),
            "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\" "
            "xmlns:aak=\"http://aakonline.kivxmlvw/aakonline/aakonline\">"
            "   <soap:Header/>"
            "   <soap:Body>"
            "      <aak:EnviaXML>"
            "         <aak:NFe><nfeProc>&amp;ç</nfeProc>         </aak:NFe>"
            "      </aak:EnviaXML>"
            "   </soap:Body>"
            "</soap:Envelope>");
  EXPECT_EQ(kiv::soap::kAcaoEnviaXML, "http://aakonline.kivxmlvw/aakonline/aakonline/EnviaXML");
}

}  // namespace
