#include <string>

#include "comum/Texto.h"
#include "nfe/Documento.h"
#include "nfe/Tags.h"
#include "run/udmKIVVW.h"

namespace kiv::run {

// Delivers every pending document of the selection straight from memory.
void TdmKIVVW::GerarEmMemoria() {
  FArqGerados.clear();
  Log("preparando para gerar dados em memória");
  cdsNFe.Primeiro();
  Log("Localizou " + std::to_string(cdsNFe.ContaRegistros()) + " notas");
  const std::string banco = MaiusculasAscii(oBD->Tipo());
  const bool informix = TipoInformix();

  for (; !cdsNFe.Eof(); cdsNFe.Proximo()) {
    std::string documento;
    try {
      documento = MontarXml();
    } catch (const std::exception& e) {
      Log(std::string("Erro ao ler NFe - ") + e.what());
      continue;
    }
    try {
      Log("Montou xml em memória: " + documento);
      const std::string chave = ObterChave(documento);
      Log("Banco: " + banco);
      Log("---- Dados do xml ----");
      Log("      Tag <infProt: " + std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorProtocolo)));
      Log("      Tag <veicProd: " + std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorVeiculo)));
      Log("      Tag <procCancNFe: " + std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorCancelamentoAntigo)));
      Log("      Chave: " + chave);
      const bool registradoE = cdsEnviados.Localizar(chave, "E");
      Log("      NFE tipo E: " + nfe::BoolTexto(registradoE));
      Log("---- fim dados xml----");

      if (informix) {
        // Informix dealers keep the vehicle detail or an old-style cancellation beside the invoice;
        // only those go, and only as invoices.
        const bool veiculoComProtocolo = nfe::MarcadorPresente(documento, nfe::kMarcadorVeiculo) &&
                                         nfe::MarcadorPresente(documento, nfe::kMarcadorProtocolo);
        if (!registradoE &&
            (veiculoComProtocolo || nfe::MarcadorPresente(documento, nfe::kMarcadorCancelamentoAntigo))) {
          Log("Entrou teste informix");
          TransmitirNFe(documento, "E");
        }
      } else {
        for (const auto& tipo : DecidirEnvio(documento, chave)) TransmitirNFe(documento, tipo);
      }
    } catch (const std::exception& e) {
      Log(std::string("Erro de envio de XML Soap : ") + e.what());
    }
  }
}

}  // namespace kiv::run
