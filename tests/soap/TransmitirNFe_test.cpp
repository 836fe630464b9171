#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ServicoCompartilhado.h"
#include "config/KIVSchema.h"
#include "run/udmKIVVW.h"
#include "soap/aakonline.h"
#include "support/Ambiente.h"

namespace {

using kiv::teste::Comportamento;
using kiv::teste::Servico;
using Linhas = std::vector<std::string>;

const std::string kChave310 = "35170358716523000119550010000000301000000300";
const std::string kChaveEvento = "42200310845180000166550010000016291182910233";
const std::string kErro = "Erro ao executar transmissão SOAP: ";

std::string Documento(const std::string& fixture) { return kiv::teste::LerArquivo(kiv::teste::Fixture(fixture)); }
std::string Nfe310() { return Documento("nfeProc-3.10-indented.xml"); }

std::string LinhaEnvio(const std::string& chave, const std::string& codigo, const std::string& descricao) {
  return "Nfe ENVIO: " + chave + " - Transmissão SOAP: Cod.[" + codigo + "] - Desc.[" + descricao + "]";
}

// A run module set up as a run leaves it before its deliveries: a configuration with the
// address, and the day's register open in a Work folder of its own.
class Modulo {
 public:
  explicit Modulo(const std::string& url) {
    dm.SetSchema(kiv::config::NovaSelecao());
    Url(url);
    dm.cdsEnviadosRegistro().Preparar(pasta / "Work", pasta / "Work/NfeEnvVW_20120315.xml");
  }
  void Url(const std::string& url) { dm.Schema()->Destino()->Soap()->Set_Url(url); }
  const Linhas& Mensagens() const { return dm.Mensagens(); }
  bool Registrado(const std::string& chave, const std::string& tipo) {
    return dm.cdsEnviadosRegistro().Localizar(chave, tipo);
  }

  kiv::teste::PastaTemporaria pasta;
  kiv::run::TdmKIVVW dm;
};

TEST(TransmitirNFe, PostsTheAssembledBodyInsideTheEnvelopeAndRecordsTheAcceptedKind) {
  auto& servico = Servico();
  Modulo m(servico.Url());
  const std::string nfe = Nfe310();
  const std::string evento = Documento("procEventoNFe-110111-cancel.xml");
  m.dm.TransmitirNFe(nfe, "E");
  m.dm.TransmitirNFe(evento, "C");
  m.dm.TransmitirNFe(evento, "E");  // no NFe element: the body is empty and still sent

  const auto recebidas = servico.Requisicoes();
  ASSERT_EQ(recebidas.size(), 3u);
  EXPECT_EQ(recebidas[0].corpo, kiv::soap::MontarRequisicao(m.dm.MontarDocumento(nfe, "E")));
  EXPECT_NE(recebidas[0].corpo.find("<aak:NFe><nfeProc versao=\"3.10\""), std::string::npos);
  EXPECT_EQ(recebidas[1].corpo, kiv::soap::MontarRequisicao(m.dm.MontarDocumento(evento, "C")));
  EXPECT_NE(recebidas[1].corpo.find("<aak:NFe><procEventoNFe versao=\"1.00\""), std::string::npos);
  EXPECT_EQ(recebidas[2].corpo, kiv::soap::MontarRequisicao(""));
  for (const auto& r : recebidas) {
    EXPECT_EQ(r.metodo, "POST");
    EXPECT_EQ(r.caminho, kiv::teste::ServicoSimulado::kCaminho);
    EXPECT_EQ(r.Cabecalho("Content-Type"), "text/xml; charset=\"utf-8\"");
    EXPECT_EQ(r.Cabecalho("SOAPAction"), "\"" + std::string(kiv::soap::kAcaoEnviaXML) + "\"");
  }

  const std::string ok = "Lote recebido com sucesso";
  EXPECT_EQ(m.Mensagens(), (Linhas{"Enviando Nfe: " + kChave310, "Url: " + servico.Url(), LinhaEnvio(kChave310, "100", ok),
                                   "Enviando Nfe: " + kChaveEvento, "Url: " + servico.Url(), LinhaEnvio(kChaveEvento, "100", ok),
                                   "Enviando Nfe: " + kChaveEvento, "Url: " + servico.Url(), LinhaEnvio(kChaveEvento, "100", ok)}));
  EXPECT_TRUE(m.Registrado(kChave310, "E"));
  EXPECT_TRUE(m.Registrado(kChaveEvento, "C"));
  EXPECT_FALSE(m.Registrado(kChave310, "C"));
}

TEST(TransmitirNFe, TheTrimmedCodeOneHundredAloneMeansAccepted) {
  auto& servico = Servico();
  struct Caso {
    const char* nome;
    Comportamento comportamento;
    std::string codigo, descricao;  // as logged
    bool registrado;
  };
  auto aceitar = [](std::string codigo, std::string mensagem) {
    auto c = Comportamento::Modo("aceitar");
    c.codigo = std::move(codigo);
    c.mensagem = std::move(mensagem);
    return c;
  };
  const std::string nao = "Nfe não enviada - ";
  const Caso casos[] = {
      {"blanks around 100", aceitar("  100 ", "ok"), "100", "ok", true},
      {"tab and line break around 100", aceitar("\t100\r\n", "ok"), "100", "ok", true},
      {"message untrimmed", aceitar("100", "  ok  "), "100", "  ok  ", true},
      {"100 only in the message", aceitar("215", "esperado 100"), "215", nao + "esperado 100", false},
      {"1000", aceitar("1000", "x"), "1000", nao + "x", false},
      {"rejected", Comportamento::Modo("rejeitar"), "215", nao + "Rejeição: falha no schema XML", false},
      {"ns2 prefix", Comportamento::Modo("ns2"), "100", "Lote recebido com sucesso", true},
      {"500 fault without CodRetorno", Comportamento::Modo("falha500"), "", nao, false},
      {"ISO-8859-1 reply", Comportamento::Modo("latin1"), "100", "Recepção concluída, não há pendências", true},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nome);
    servico.Comportar(c.comportamento);
    Modulo m(servico.Url());
    m.dm.TransmitirNFe(Nfe310(), "E");
    EXPECT_EQ(m.Mensagens(), (Linhas{"Enviando Nfe: " + kChave310, "Url: " + servico.Url(),
                                     LinhaEnvio(kChave310, c.codigo, c.descricao)}));
    EXPECT_EQ(m.dm.cdsEnviadosRegistro().Quantidade(), c.registrado ? 1u : 0u);
    if (c.registrado) {
      EXPECT_EQ(m.dm.cdsEnviadosRegistro().Entrada(kChave310, "E"),
                (kiv::run::TEntradaEnviada{kChave310, "E", "100", c.descricao}));
    }
  }
}

TEST(TransmitirNFe, AFailedExchangeEndsTheDeliveryWithTheErrorLine) {
  auto& servico = Servico();
  auto parar = Comportamento::Modo("parar");
  parar.atraso = 8;
  struct Caso {
    const char* nome;
    Comportamento comportamento;
    std::string url;
    std::string erro;  // the start of the error line's message
  } casos[] = {
      {"404", Comportamento::Modo("404"), servico.Url(), "Not Found (404) - '" + servico.Url() + "'"},
      {"text/html", Comportamento::Modo("html"), servico.Url(),
       "Received content of invalid Content-Type setting: text/html - SOAP expects \"text/xml\""},
      {"closed port", Comportamento::Modo("aceitar"), servico.UrlFechada(), "Failed to connect to 127.0.0.1"},
      {"stall", parar, servico.Url(), "Operation too slow"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nome);
    servico.Comportar(c.comportamento);
    Modulo m(c.url);
    m.dm.HTTPReqRespCliente().SetLimites(std::chrono::milliseconds(2000), std::chrono::milliseconds(1000));
    m.dm.TransmitirNFe(Nfe310(), "E");
    const auto& l = m.Mensagens();
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0], "Enviando Nfe: " + kChave310);
    EXPECT_EQ(l[1], "Url: " + c.url);
    EXPECT_EQ(l[2].substr(0, kErro.size() + c.erro.size()), kErro + c.erro) << l[2];
    EXPECT_EQ(m.dm.cdsEnviadosRegistro().Quantidade(), 0u);
  }
}

TEST(TransmitirNFe, AddressIsTrimmedForThePostAndCheckedForItsScheme) {
  auto& servico = Servico();
  const std::string nfe = Nfe310();

  Modulo comBrancos(" \t" + servico.Url() + "  ");
  comBrancos.dm.TransmitirNFe(nfe, "E");
  EXPECT_EQ(comBrancos.Mensagens().at(1), "Url:  \t" + servico.Url() + "  ");
  EXPECT_EQ(comBrancos.Mensagens().at(2), LinhaEnvio(kChave310, "100", "Lote recebido com sucesso"));
  EXPECT_EQ(servico.Estado().requisicoes, 1);

  // A scheme other than http or https fails when the address is set: the error line alone.
  Modulo ftp(" ftp://127.0.0.1/x ");
  ftp.dm.TransmitirNFe(nfe, "E");
  EXPECT_EQ(ftp.Mensagens(),
            Linhas{kErro + "Invalid url 'ftp://127.0.0.1/x' - only supports 'http' and 'https' schemes"});

  // An empty address fails at the exchange, for every delivery.
  Modulo vazio("");
  vazio.dm.TransmitirNFe(nfe, "E");
  vazio.dm.TransmitirNFe(nfe, "E");
  const auto& l = vazio.Mensagens();
  ASSERT_EQ(l.size(), 6u);
  for (size_t i : {0u, 3u}) {
    EXPECT_EQ(l[i], "Enviando Nfe: " + kChave310);
    EXPECT_EQ(l[i + 1], "Url: ");
    EXPECT_EQ(l[i + 2].rfind(kErro, 0), 0u);
    EXPECT_GT(l[i + 2].size(), kErro.size());
  }
  EXPECT_EQ(servico.Estado().requisicoes, 1);
}

TEST(TransmitirNFe, TheDocumentsOwnChaveAcessoNamesTheDelivery) {
  auto& servico = Servico();
  const std::string outra = "99999999999999999999999999999999999999999999";
  std::string nfe = Nfe310();
  nfe.insert(nfe.find("<protNFe"), "<ChaveAcesso>" + outra + "</ChaveAcesso>\r\n");

  Modulo m(servico.Url());
  m.dm.TransmitirNFe(nfe, "E");
  EXPECT_EQ(m.Mensagens().front(), "Enviando Nfe: " + outra);
  EXPECT_EQ(m.Mensagens().back(), LinhaEnvio(outra, "100", "Lote recebido com sucesso"));
  EXPECT_TRUE(m.Registrado(outra, "E"));
  EXPECT_FALSE(m.Registrado(kChave310, "E"));

  // A ChaveAcesso in the reply plays no part.
  auto resposta = Comportamento::Modo("aceitar");
  resposta.corpo = "<r><ChaveAcesso>" + outra + "</ChaveAcesso><CodRetorno>100</CodRetorno><MsgRetorno>ok</MsgRetorno></r>";
  servico.Comportar(resposta);
  Modulo n(servico.Url());
  n.dm.TransmitirNFe(Nfe310(), "E");
  EXPECT_EQ(n.Mensagens().back(), LinhaEnvio(kChave310, "100", "ok"));
  EXPECT_TRUE(n.Registrado(kChave310, "E"));
}

TEST(TransmitirNFe, ThePairAcceptedTwiceKeepsOneEntryWithTheSecondMessage) {
  auto& servico = Servico();
  auto aceitar = [](const char* mensagem) {
    auto c = Comportamento::Modo("aceitar");
    c.mensagem = mensagem;
    return c;
  };
  servico.Enfileirar({aceitar("primeira"), aceitar("segunda")});
  Modulo m(servico.Url());
  m.dm.TransmitirNFe(Nfe310(), "E");
  m.dm.TransmitirNFe(Nfe310(), "E");
  EXPECT_EQ(m.dm.cdsEnviadosRegistro().Quantidade(), 1u);
  EXPECT_EQ(m.dm.cdsEnviadosRegistro().Entrada(kChave310, "E"),
            (kiv::run::TEntradaEnviada{kChave310, "E", "100", "segunda"}));
}

TEST(TransmitirNFe, OneRunKeepsOneConnectionAndIgnoresCertificateErrors) {
  auto& servico = Servico();
  for (const bool https : {false, true}) {
    SCOPED_TRACE(https ? "https" : "http");
    servico.Limpar();
    Modulo m(https ? servico.UrlHttps() : servico.Url());
    const std::string nfe = Nfe310();
    for (int i = 0; i < 30; ++i) m.dm.TransmitirNFe(nfe, "E");
    EXPECT_EQ(m.Mensagens().back(), LinhaEnvio(kChave310, "100", "Lote recebido com sucesso"));
    const auto n = servico.Estado();
    EXPECT_EQ(n.requisicoes, 30);
    EXPECT_EQ(n.conexoes, 1);
  }
}

}  // namespace
