#pragma once
// TdmKIVVW: the integration data module that carries one run of the job, from reading the
// configuration to the last delivery. It owns everything of the run and frees it with itself.
#include <memory>
#include <string>
#include <vector>

#include "config/KIVSchema.h"
#include "db/Conjunto.h"
#include "db/KIVConexao.h"
#include "run/RegistroEnviados.h"
#include "soap/HTTPReqResp.h"

namespace kiv::run {

class TdmKIVVW {
 public:
  TdmKIVVW();   // creates the components, then the lists, an empty configuration and oBD
  ~TdmKIVVW();  // frees what Liberar() has not freed yet; never throws
  TdmKIVVW(const TdmKIVVW&) = delete;
  TdmKIVVW& operator=(const TdmKIVVW&) = delete;

  // Runs the job of the configuration file; reports through Mensagens(). Failures that no step
  // catches leave it.
  void ExecutaIntegracao(const std::string& pConfiguracao);

  // The run message list.
  const std::vector<std::string>& Mensagens() const { return FMensagens; }
  // Hands the run message list over to the caller (the log is large on a big run).
  std::vector<std::string> TomarMensagens() { return std::move(FMensagens); }

  // Frees the run: closes the connection and writes the register. A failed write is raised.
  void Liberar();

  // Document operations of a run.
  std::string MontarXml();
  std::string ObterChave(const std::string& documento) const;
  std::vector<std::string> DecidirEnvio(const std::string& documento, const std::string& chave);
  std::string MontarDocumento(const std::string& documento, const std::string& tipo);
  void TransmitirNFe(const std::string& documento, const std::string& tipo);

  // The two delivery paths.
  void GerarEmMemoria();
  void GravarArquivos();
  void EnviarArquivos();

  // For tests and the delivery paths.
  TRegistroEnviados& cdsEnviadosRegistro() { return cdsEnviados; }
  soap::THTTPReqResp& HTTPReqRespCliente() { return *HTTPReqResp; }
  db::Conjunto& cdsNFeDados() { return cdsNFe; }
  const std::vector<std::string>& ArqGerados() const { return FArqGerados; }
  db::TBD& BD() { return *oBD; }
  std::shared_ptr<config::IXMLTSelecao> Schema() const { return ISChema; }
  void SetSchema(std::shared_ptr<config::IXMLTSelecao> schema) { ISChema = std::move(schema); }

 private:
  bool LerConfiguracao(const std::string& pConfiguracao);
  bool ConectarBanco();
  bool ObterComando(std::string& comando);
  void PrepararRegistro(const std::string& pConfiguracao);
  bool AbrirSelecao();
  bool TipoInformix() const;
  void Log(std::string linha) { FMensagens.push_back(std::move(linha)); }

  // Components.
  db::TConexao* sdsNFe = nullptr;  // the selection command's connection
  std::string cdsNFeCommandText;
  db::Conjunto cdsNFe;             // the selection rows, in memory
  TRegistroEnviados cdsEnviados;
  std::unique_ptr<soap::THTTPReqResp> HTTPReqResp;

  // Fields.
  std::shared_ptr<config::IXMLTSelecao> ISChema;
  std::vector<std::string> FArqGerados;
  std::vector<std::string> FMensagens;
  std::unique_ptr<db::TBD> oBD;
  std::string sPvWork;
  std::string sPvNfeEnviadas;
  bool liberado_ = false;
};

}  // namespace kiv::run
