#include "comum/Texto.h"
#include "nfe/Tags.h"
#include "run/udmKIVVW.h"
#include "soap/aakonline.h"

namespace kiv::run {

// Delivers one document of kind "E" or "C" to the web service and records an accepted one.
// Whatever fails is logged as one line and the caller goes on with its next delivery.
void TdmKIVVW::TransmitirNFe(const std::string& documento, const std::string& tipo) {
  try {
    std::string chave = ObterChave(documento);
    const std::string requisicao = soap::MontarRequisicao(MontarDocumento(documento, tipo));

    const std::string url = ISChema->Destino()->Soap()->Url();
    HTTPReqResp->SetURL(Trim(url));
    HTTPReqResp->SetIgnorarErrosCertificado(true);
    HTTPReqResp->SetSoapAction(std::string(soap::kAcaoEnviaXML));

    // The document's own ChaveAcesso, when it has one, names the delivery.
    const std::string chaveAcesso = nfe::ValorTag(documento, "ChaveAcesso", false);
    if (!chaveAcesso.empty() && chaveAcesso != chave) chave = chaveAcesso;

    Log("Enviando Nfe: " + chave);
    Log("Url: " + url);

    const std::string resposta = HTTPReqResp->Executar(requisicao);

    std::string descricao = nfe::ValorTag(resposta, "MsgRetorno", false);
    const std::string codigo = Trim(nfe::ValorTag(resposta, "CodRetorno", false));
    if (codigo == "100")
      cdsEnviados.Registrar(chave, tipo, codigo, descricao);
    else
      descricao = "Nfe não enviada - " + descricao;

    Log("Nfe ENVIO: " + chave + " - Transmissão SOAP: Cod.[" + codigo + "] - Desc.[" + descricao + "]");
  } catch (const std::exception& e) {
    Log(std::string("Erro ao executar transmissão SOAP: ") + e.what());
  } catch (...) {
    Log("Erro ao executar transmissão SOAP: falha desconhecida");
  }
}

}  // namespace kiv::run
