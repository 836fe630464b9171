#include "run/udmKIVVW.h"

#include <algorithm>

#include "comum/Texto.h"
#include "db/KIVFuncoes.h"
#include "nfe/Documento.h"
#include "nfe/Tags.h"
#include "platform/Relogio.h"

namespace kiv::run {

TdmKIVVW::TdmKIVVW()
    : HTTPReqResp(std::make_unique<soap::THTTPReqResp>()),
      ISChema(config::NovaSelecao()),
      oBD(std::make_unique<db::TBD>()) {}

TdmKIVVW::~TdmKIVVW() {
  if (liberado_) return;
  try {
    Liberar();
  } catch (...) {
    // The owner that wants the failure calls Liberar() itself.
  }
}

void TdmKIVVW::Liberar() {
  if (liberado_) return;
  liberado_ = true;
  sdsNFe = nullptr;
  oBD.reset();
  ISChema.reset();
  FArqGerados.clear();
  cdsNFe = db::Conjunto();
  HTTPReqResp.reset();
  cdsEnviados.Fechar();  // writes the day's register
}

bool TdmKIVVW::TipoInformix() const { return MaiusculasAscii(oBD->Tipo()) == "INFORMIX"; }

void TdmKIVVW::ExecutaIntegracao(const std::string& pConfiguracao) {
  if (!LerConfiguracao(pConfiguracao)) return;
  if (!ConectarBanco()) return;
  sdsNFe = &oBD->Conexao();
  std::string comando;
  if (!ObterComando(comando)) return;
  PrepararRegistro(pConfiguracao);
  cdsNFeCommandText = comando;
  if (!AbrirSelecao()) return;

  if (ISChema->Origem()->Result()->Tipo() == "FileSystem") {
    GravarArquivos();
    if (!FArqGerados.empty())
      EnviarArquivos();
    else
      Log("Não há NFe a ser enviada.");
  } else {
    GerarEmMemoria();
  }
}

bool TdmKIVVW::LerConfiguracao(const std::string& pConfiguracao) {
  try {
    ISChema = config::CarregarSelecao(pConfiguracao);
    return true;
  } catch (const std::exception& e) {
    Log(std::string("Erro: Ao ler configuração - ") + e.what());
    return false;
  }
}

bool TdmKIVVW::ConectarBanco() {
  auto banco = ISChema->Origem()->Banco();
  oBD->SetTipo(banco->Tipo());
  oBD->SetHost(banco->Host());
  oBD->SetDataBase(banco->DataBase());
  oBD->SetUserName(banco->User());
  oBD->SetPasswd(banco->Passwd());
  if (oBD->Abrir()) return true;
  Log("Erro: Ao abrir conexão com o banco - " + oBD->MensagemErro());
  return false;
}

bool TdmKIVVW::ObterComando(std::string& comando) {
  comando.clear();
  auto origem = ISChema->Origem();
  // Read in a fixed order, so a failing read is always reported the same way.
  const std::string execute = origem->Execute();
  comando = db::PreparaComando(execute, origem->Banco()->Tipo(), "X", "");
  if (comando.compare(0, 4, "ERRO") != 0) return true;
  Log("Erro: Ao abrir conexão com o banco - " + Copia(comando, 7, 1000));
  return false;
}

void TdmKIVVW::PrepararRegistro(const std::string& pConfiguracao) {
  sPvWork = PastaWork(pConfiguracao);
  sPvNfeEnviadas = ArquivoRegistro(sPvWork, plataforma::Agora());
  cdsEnviados.Preparar(sPvWork, sPvNfeEnviadas);
}

bool TdmKIVVW::AbrirSelecao() {
  cdsNFe = db::Conjunto();
  // Informix reads uncommitted rows, so a long-running dealer transaction does not block the job.
  if (TipoInformix()) sdsNFe->SessaoAberta().Executar("Set ISOLATION TO DIRTY READ");
  try {
    Log("Comando SELECT: [" + cdsNFeCommandText + "]");
    cdsNFe = sdsNFe->SessaoAberta().Consultar(cdsNFeCommandText);
    cdsNFe.Primeiro();
    if (cdsNFe.Vazio()) {
      Log("Aviso: sem movimento para o periodo.");
      return false;
    }
    return true;
  } catch (const std::exception& e) {
    Log(std::string("Erro: Ao executar comando de leitura das NFe - ") + e.what());
    return false;
  }
}

std::string TdmKIVVW::MontarXml() {
  std::string texto = cdsNFe.Campo(ISChema->Origem()->Result()->Dados());
  if (TipoInformix()) texto += cdsNFe.Campo("NFE_PROT");
  return nfe::NormalizarDocumento(texto);
}

std::string TdmKIVVW::ObterChave(const std::string& documento) const { return nfe::ObterChave(documento); }

std::vector<std::string> TdmKIVVW::DecidirEnvio(const std::string& documento, const std::string& chave) {
  return nfe::DecidirEnvio(documento, chave, [this](const std::string& k, const std::string& t) {
    return cdsEnviados.Localizar(k, t);
  });
}

std::string TdmKIVVW::MontarDocumento(const std::string& documento, const std::string& tipo) {
  return nfe::MontarDocumento(documento, tipo, TipoInformix());
}

}  // namespace kiv::run
