#include "soap/HTTPReqResp.h"

#include <gtest/gtest.h>

#include "ServicoCompartilhado.h"
#include "soap/aakonline.h"

namespace {

using kiv::soap::ErroHTTP;
using kiv::soap::THTTPReqResp;
using kiv::teste::Comportamento;
using kiv::teste::Servico;

std::string Falha(THTTPReqResp& http, const std::string& requisicao = "<x/>") {
  try {
    http.Executar(requisicao);
  } catch (const ErroHTTP& e) {
    return e.what();
  }
  return "(no failure)";
}


TEST(HTTPReqResp, PostsTheBodyAndTheSoapHeadersAsTheServerReceivesThem) {
  auto& servico = Servico();
  THTTPReqResp http;
  http.SetURL(servico.Url());
  http.SetSoapAction(std::string(kiv::soap::kAcaoEnviaXML));
  // Large enough that libcurl would otherwise ask "Expect: 100-continue".
  const std::string requisicao = kiv::soap::MontarRequisicao("<NFe>" + std::string(2 << 20, 'x') + "não</NFe>");
  const std::string resposta = http.Executar(requisicao);
  EXPECT_NE(resposta.find("<CodRetorno>100</CodRetorno>"), std::string::npos);

  const auto recebidas = servico.Requisicoes();
  ASSERT_EQ(recebidas.size(), 1u);
  const auto& r = recebidas[0];
  EXPECT_EQ(r.metodo, "POST");
  EXPECT_EQ(r.caminho, kiv::teste::ServicoSimulado::kCaminho);
  EXPECT_EQ(r.versao, "HTTP/1.1");
  EXPECT_EQ(r.corpo, requisicao);
  EXPECT_EQ(r.Cabecalho("Content-Type"), "text/xml; charset=\"utf-8\"");
  EXPECT_EQ(r.Cabecalho("SOAPAction"), "\"http://aakonline.kivxmlvw/aakonline/aakonline/EnviaXML\"");
  EXPECT_EQ(r.Cabecalho("Content-Length"), std::to_string(requisicao.size()));
  EXPECT_EQ(r.QuantosCabecalhos("Content-Type"), 1u);
  EXPECT_EQ(r.QuantosCabecalhos("SOAPAction"), 1u);
  EXPECT_EQ(r.QuantosCabecalhos("Expect"), 0u);
  EXPECT_EQ(r.QuantosCabecalhos("Transfer-Encoding"), 0u);
}

TEST(HTTPReqResp, RefusesSchemesOtherThanHttpAndHttpsWhenTheAddressIsSet) {
  THTTPReqResp http;
  for (const char* url : {"ftp://127.0.0.1/x", "127.0.0.1:80/x", "file:///etc/passwd", " http://127.0.0.1/x"}) {
    try {
      http.SetURL(url);
      ADD_FAILURE() << url;
    } catch (const ErroHTTP& e) {
      EXPECT_EQ(e.what(), "Invalid url '" + std::string(url) + "' - only supports 'http' and 'https' schemes");
    }
  }
  EXPECT_NO_THROW(http.SetURL("HTTP://127.0.0.1/x"));
  EXPECT_NO_THROW(http.SetURL("Https://127.0.0.1/x"));
  // An empty address passes here and fails at the post.
  EXPECT_NO_THROW(http.SetURL(""));
  EXPECT_NE(Falha(http), "(no failure)");
  EXPECT_FALSE(Falha(http).empty());
}

TEST(HTTPReqResp, ReplyStatusAndContentTypeDecideFailure) {
  auto& servico = Servico();
  const std::string url = servico.Url();
  const std::string tipoInvalido = "Received content of invalid Content-Type setting: ";
  struct Caso {
    const char* nome;
    Comportamento comportamento;
    std::string falha;           // "" when the reply is returned
    std::string trechoResposta;  // found in the returned reply
  };
  auto com = [](const char* modo, auto ajuste) {
    auto c = Comportamento::Modo(modo);
    ajuste(c);
    return c;
  };
  auto nada = [](Comportamento&) {};
  const Caso casos[] = {
      {"404", Comportamento::Modo("404"), "Not Found (404) - '" + url + "'", ""},
      {"302", com("aceitar", [](auto& c) { c.status = 302; }), "Found (302) - '" + url + "'", ""},
      {"503", com("aceitar", [](auto& c) { c.status = 503; }), "Service Unavailable (503) - '" + url + "'", ""},
      {"500 fault is a reply", Comportamento::Modo("falha500"), "", "<soap:Fault>"},
      {"299 is a reply", com("aceitar", [](auto& c) { c.status = 299; }), "", "<CodRetorno>100</CodRetorno>"},
      {"text/html", Comportamento::Modo("html"), tipoInvalido + "text/html - SOAP expects \"text/xml\"", ""},
      {"TEXT/PLAIN", com("aceitar", [](auto& c) { c.tipoConteudo = "TEXT/PLAIN"; }),
       tipoInvalido + "TEXT/PLAIN - SOAP expects \"text/xml\"", ""},
      {"html with parameters is a reply", com("html", [](auto& c) { c.tipoConteudo = "text/html; charset=utf-8"; }), "",
       "<html>"},
      {"no content type", com("aceitar", [](auto& c) { c.tipoConteudo = ""; c.declarar = "nenhum"; }), "",
       "<CodRetorno>100</CodRetorno>"},
      {"closed mid-exchange", com("fechar", nada), "Empty reply from server", ""},
  };
  THTTPReqResp http;
  http.SetURL(url);
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nome);
    servico.Comportar(c.comportamento);
    if (c.falha.empty()) {
      std::string resposta;
      ASSERT_NO_THROW(resposta = http.Executar("<x/>"));
      EXPECT_NE(resposta.find(c.trechoResposta), std::string::npos) << resposta;
    } else {
      EXPECT_EQ(Falha(http), c.falha);
    }
  }
}

TEST(HTTPReqResp, ConnectionFailuresCarryLibcurlsMessage) {
  auto& servico = Servico();
  THTTPReqResp http;
  http.SetURL(servico.UrlFechada());
  const std::string falha = Falha(http);
  EXPECT_NE(falha.find("Failed to connect to 127.0.0.1 port " + std::to_string(servico.PortaFechada())), std::string::npos)
      << falha;
  http.SetURL("http://nonexistent.invalid/x");
  EXPECT_NE(Falha(http).find("nonexistent.invalid"), std::string::npos);
}

TEST(HTTPReqResp, HttpsAcceptsASelfSignedCertificateOnlyWhenToldToIgnoreIt) {
  auto& servico = Servico();
  THTTPReqResp http;
  http.SetURL(servico.UrlHttps());
  EXPECT_NE(Falha(http).find("certificate"), std::string::npos);
  http.SetIgnorarErrosCertificado(true);
  EXPECT_NE(http.Executar("<x/>").find("<CodRetorno>100</CodRetorno>"), std::string::npos);
  const auto recebidas = servico.Requisicoes();
  ASSERT_EQ(recebidas.size(), 1u);
  EXPECT_EQ(recebidas[0].esquema, "https");
  EXPECT_EQ(recebidas[0].corpo, "<x/>");
}

TEST(HTTPReqResp, AStalledServerEndsTheExchangeAfterTheLimitAndTheNextOneWorks) {
  auto& servico = Servico();
  THTTPReqResp http;
  http.SetURL(servico.Url());
  http.SetLimites(std::chrono::milliseconds(2000), std::chrono::milliseconds(1000));
  auto parar = Comportamento::Modo("parar");
  parar.atraso = 8;
  servico.Enfileirar({parar});
  EXPECT_NE(Falha(http).find("Operation too slow"), std::string::npos);
  EXPECT_NE(http.Executar("<x/>").find("<CodRetorno>100</CodRetorno>"), std::string::npos);
}

TEST(HTTPReqResp, KeepsOneConnectionAliveAcrossPosts) {
  auto& servico = Servico();
  for (const bool https : {false, true}) {
    SCOPED_TRACE(https ? "https" : "http");
    servico.Limpar();
    THTTPReqResp http;
    http.SetIgnorarErrosCertificado(true);
    for (int i = 0; i < 25; ++i) {
      http.SetURL(https ? servico.UrlHttps() : servico.Url());  // set before every post, as a run does
      http.Executar("<x n=\"" + std::to_string(i) + "\"/>");
    }
    const auto n = servico.Estado();
    EXPECT_EQ(n.requisicoes, 25);
    EXPECT_EQ(n.conexoes, 1);
  }
}

TEST(HTTPReqResp, ReplyIsDecodedByItsDeclaredCharset) {
  auto& servico = Servico();
  const std::string mensagem = "Recepção concluída, não há pendências";
  auto latin1 = [](const char* declarar) {
    auto c = Comportamento::Modo("latin1");
    c.declarar = declarar;
    return c;
  };
  auto utf16 = Comportamento::Modo("aceitar");
  utf16.charset = "utf-16";
  utf16.declarar = "cabecalho";
  utf16.mensagem = mensagem;
  THTTPReqResp http;
  http.SetURL(servico.Url());
  for (const auto& c : {latin1("ambos"), latin1("cabecalho"), latin1("xml"), latin1("nenhum"), utf16}) {
    SCOPED_TRACE(c.Formulario());
    servico.Comportar(c);
    const std::string resposta = http.Executar("<x/>");
    EXPECT_NE(resposta.find("<MsgRetorno>" + mensagem + "</MsgRetorno>"), std::string::npos) << resposta;
  }
}

TEST(DecodificarResposta, DeclaredCharsetThenUtf8ThenTheAnsiCodePage) {
  using kiv::soap::DecodificarResposta;
  struct Caso {
    const char* nome;
    std::string bytes;
    std::string tipo;
    std::string esperado;
  } casos[] = {
      {"undeclared UTF-8 stays", "n\xC3\xA3o", "text/xml", "n\xC3\xA3o"},
      {"undeclared other bytes are ANSI", "n\xE3o \x80", "text/xml", "n\xC3\xA3o \xE2\x82\xAC"},
      {"quoted header charset", "n\xE3o", "text/xml; charset=\"ISO-8859-1\"", "n\xC3\xA3o"},
      {"charset among other parameters", "n\xE3o", "application/soap+xml; action=x ; Charset = latin1", "n\xC3\xA3o"},
      {"header wins over the declaration", "<?xml version=\"1.0\" encoding=\"utf-8\"?>n\xE3o",
       "text/xml; charset=iso-8859-1", "<?xml version=\"1.0\" encoding=\"utf-8\"?>n\xC3\xA3o"},
      {"declaration in single quotes", "<?xml version='1.0' encoding='ISO-8859-1'?>n\xE3o", "text/xml",
       "<?xml version='1.0' encoding='ISO-8859-1'?>n\xC3\xA3o"},
      {"declared UTF-8 that is not", "n\xE3o", "text/xml; charset=utf-8", "n\xC3\xA3o"},
      {"unknown charset name", "n\xC3\xA3o", "text/xml; charset=x-nothing", "n\xC3\xA3o"},
      {"US-ASCII with a stray byte", "a\xE3z", "text/xml; charset=us-ascii", "a?z"},
  };
  for (const auto& c : casos) EXPECT_EQ(DecodificarResposta(c.bytes, c.tipo), c.esperado) << c.nome;
}

}  // namespace
