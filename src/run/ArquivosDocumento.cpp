#include <string>
#include <vector>

#include "comum/Texto.h"
#include "db/KIVFuncoes.h"
#include "nfe/Documento.h"
#include "nfe/Tags.h"
#include "platform/ArquivosTexto.h"
#include "run/udmKIVVW.h"

namespace kiv::run {
namespace {

// A row's file: the folder and the name joined with "/", the name beginning "e_" or "c_".
std::string CaminhoArquivo(const std::string& pasta, const char* prefixo, const std::string& nome) {
  return pasta + "/" + prefixo + nome;
}

// The kind of a file GravarArquivos wrote: "C" when its name, right after the folder, begins with
// "c_". Only that place is looked at, so a folder (or a mask) with "/c_" in it cannot turn an
// invoice into a cancellation.
std::string TipoDoArquivo(const std::string& caminho, const std::string& pasta) {
  const bool naPasta = caminho.compare(0, pasta.size(), pasta) == 0;
  return naPasta && caminho.compare(pasta.size(), 3, "/c_") == 0 ? "C" : "E";
}

}  // namespace

// Writes every document still to deliver as an e_ (invoice) or c_ (cancellation) file.
void TdmKIVVW::GravarArquivos() {
  Log("Preparando gravação dos arquivos");
  FArqGerados.clear();
  const std::string mascara = ISChema->Origem()->Result()->Mascara();
  const bool comCampo = mascara.find('@') != std::string::npos;
  std::string campo;
  std::string marcador;
  if (comCampo) {
    campo = db::ExtraiToken(2, mascara, "@");
    marcador = "@" + campo + "@";
    Log("Criou máscara [" + marcador + "] [" + campo + "]");
  }
  cdsNFe.Primeiro();
  Log("Localizou " + std::to_string(cdsNFe.ContaRegistros()) + " notas");

  for (; !cdsNFe.Eof(); cdsNFe.Proximo()) {
    std::string nomeE;
    std::string nomeC;
    std::string documento;
    try {
      const std::string nome = comCampo ? SubstituirTodos(mascara, marcador, cdsNFe.Campo(campo), true) : mascara;
      const std::string pasta = ISChema->Origem()->Result()->Destino();
      nomeE = CaminhoArquivo(pasta, "e_", nome);
      nomeC = CaminhoArquivo(pasta, "c_", nome);
      Log("Montou nome do arquivo[" + nomeE + "] e [" + nomeC + "]");
      documento = MontarXml();
    } catch (const std::exception& e) {
      Log(std::string("Erro ao ler NFe - ") + e.what());
      continue;
    }
    try {
      Log("Montou xml em memória: " + documento);
      const std::string chave = ObterChave(documento);
      Log("---- Dados do xml ----");
      Log("      Tag <infProt: " + std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorProtocolo)));
      Log("      Tag <procEventoNFe: " + std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorTagEvento)));
      Log("      Chave: " + chave);
      Log("      NFE tipo C: " + nfe::BoolTexto(cdsEnviados.Localizar(chave, "C")));
      Log("      NFE tipo E: " + nfe::BoolTexto(cdsEnviados.Localizar(chave, "E")));
      Log("---- fim dados xml----");

      const auto tipos = DecidirEnvio(documento, chave);
      auto gravar = [&](const std::string& caminho) {
        plataforma::GravarTextoAnsi(caminho, documento);
        FArqGerados.push_back(caminho);
      };
      if (tipos == std::vector<std::string>{"E", "C"}) {
        Log("Entrou teste 1");
        gravar(nomeE);
        gravar(nomeC);
      } else if (tipos == std::vector<std::string>{"C"}) {
        Log("Entrou teste 2");
        gravar(nomeC);
      } else if (tipos == std::vector<std::string>{"E"}) {
        Log("Entrou teste 3");
        gravar(nomeE);
      }
    } catch (const std::exception& e) {
      Log("Erro ao gerar o arquivo <" + nomeE + "> - " + e.what());
    }
  }
}

// Sends the files GravarArquivos wrote, in their order; the kind comes from the file name.
void TdmKIVVW::EnviarArquivos() {
  Log("Preparando para enviar arquivos. " + std::to_string(FArqGerados.size()) + " arquivos a serem enviados");
  const std::string banco = MaiusculasAscii(oBD->Tipo());
  const bool informix = TipoInformix();
  try {
    const std::string pasta = ISChema->Origem()->Result()->Destino();
    for (const auto& caminho : FArqGerados) {
      const std::string documento = plataforma::LerTextoComLinhasCRLF(caminho);
      Log("Arquivo Carregado: " + documento);
      const std::string tipo = TipoDoArquivo(caminho, pasta);
      Log("Banco: " + banco);
      const bool protocolo = nfe::MarcadorPresente(documento, nfe::kMarcadorProtocolo);
      const bool evento = nfe::MarcadorPresente(documento, nfe::kMarcadorTagEvento);
      if (informix) {
        Log("----- Dados Xml ------");
        Log("      Tag <veicProd: " + std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorVeiculo)));
        Log("      Tag <infProt: " + std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorProtocolo)));
        Log("      Tag <procCancNFe: " +
            std::to_string(nfe::PosicaoMarcador(documento, nfe::kMarcadorCancelamentoAntigo)));
        Log("Fim dados xml");
        if ((nfe::MarcadorPresente(documento, nfe::kMarcadorVeiculo) && protocolo) || evento) {
          Log("Entrou teste informix");
          TransmitirNFe(documento, tipo);
        }
      } else if (protocolo || evento) {
        TransmitirNFe(documento, tipo);
      }
    }
  } catch (const std::exception& e) {
    Log(std::string("Erro ao executar transmissão SOAP: ") + e.what());
  }
}

}  // namespace kiv::run
