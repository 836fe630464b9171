#pragma once
// Typed views over the job's configuration document (root element Selecao).
//
// The views read and write straight through to the in-memory DOM (libxml2); the file on disk is
// never written. Every value is text; a missing element or attribute is created in memory and
// reads as "". Every view shares ownership of its document, so the root view alone keeps a
// loaded configuration alive.
#include <memory>
#include <stdexcept>
#include <string>

namespace kiv::config {

// The configuration namespace every element of a job file belongs to.
inline constexpr const char* kNamespaceSelecao = "urn:kivxmlvw:selecao";

// A failure reading the configuration: its what() is the message the run log shows.
class ErroConfiguracao : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class IXMLTBanco {
 public:
  virtual ~IXMLTBanco() = default;
  virtual std::string Tipo() = 0;
  virtual std::string Host() = 0;
  virtual std::string DataBase() = 0;
  virtual std::string User() = 0;
  virtual std::string Passwd() = 0;
  virtual std::string DMS() = 0;
  virtual void Set_Tipo(const std::string& v) = 0;
  virtual void Set_Host(const std::string& v) = 0;
  virtual void Set_DataBase(const std::string& v) = 0;
  virtual void Set_User(const std::string& v) = 0;
  virtual void Set_Passwd(const std::string& v) = 0;
  virtual void Set_DMS(const std::string& v) = 0;
};

class IXMLTResult {
 public:
  virtual ~IXMLTResult() = default;
  virtual std::string Tipo() = 0;
  virtual std::string Destino() = 0;
  virtual std::string Dados() = 0;
  virtual std::string Mascara() = 0;
  virtual std::string Criptografia() = 0;
  virtual void Set_Tipo(const std::string& v) = 0;
  virtual void Set_Destino(const std::string& v) = 0;
  virtual void Set_Dados(const std::string& v) = 0;
  virtual void Set_Mascara(const std::string& v) = 0;
  virtual void Set_Criptografia(const std::string& v) = 0;
};

class IXMLTOrigem {
 public:
  virtual ~IXMLTOrigem() = default;
  virtual std::string Tipo() = 0;
  virtual std::shared_ptr<IXMLTBanco> Banco() = 0;
  virtual std::string Execute() = 0;
  virtual std::shared_ptr<IXMLTResult> Result() = 0;
  virtual void Set_Tipo(const std::string& v) = 0;
  virtual void Set_Execute(const std::string& v) = 0;
};

class IXMLTFtp {
 public:
  virtual ~IXMLTFtp() = default;
  virtual std::string Servidor() = 0;
  virtual std::string Porta() = 0;
  virtual std::string Usuario() = 0;
  virtual std::string Senha() = 0;
  virtual std::string CampoPasta() = 0;
  virtual std::string PastaDestino() = 0;
  virtual void Set_Servidor(const std::string& v) = 0;
  virtual void Set_Porta(const std::string& v) = 0;
  virtual void Set_Usuario(const std::string& v) = 0;
  virtual void Set_Senha(const std::string& v) = 0;
  virtual void Set_CampoPasta(const std::string& v) = 0;
  virtual void Set_PastaDestino(const std::string& v) = 0;
};

class IXMLTSoap {
 public:
  virtual ~IXMLTSoap() = default;
  virtual std::string Url() = 0;
  virtual std::string Chave() = 0;
  virtual std::string Usuario() = 0;
  virtual std::string Senha() = 0;
  virtual void Set_Url(const std::string& v) = 0;
  virtual void Set_Chave(const std::string& v) = 0;
  virtual void Set_Usuario(const std::string& v) = 0;
  virtual void Set_Senha(const std::string& v) = 0;
};

class IXMLTDestino {
 public:
  virtual ~IXMLTDestino() = default;
  virtual std::string Modulo() = 0;
  virtual std::string Redir() = 0;
  virtual std::string Tipo() = 0;
  virtual std::shared_ptr<IXMLTFtp> Ftp() = 0;
  virtual std::shared_ptr<IXMLTSoap> Soap() = 0;
  virtual void Set_Modulo(const std::string& v) = 0;
  virtual void Set_Redir(const std::string& v) = 0;
  virtual void Set_Tipo(const std::string& v) = 0;
};

class IXMLTCampo {
 public:
  virtual ~IXMLTCampo() = default;
  virtual std::string Sequencia() = 0;
  virtual std::string Nome() = 0;
  virtual std::string Valor() = 0;
  virtual void Set_Sequencia(const std::string& v) = 0;
  virtual void Set_Nome(const std::string& v) = 0;
  virtual void Set_Valor(const std::string& v) = 0;
};

class IXMLTCampos {
 public:
  virtual ~IXMLTCampos() = default;
  virtual int Count() = 0;
  virtual std::shared_ptr<IXMLTCampo> Campo(int indice) = 0;  // zero-based; throws when out of range
  virtual std::shared_ptr<IXMLTCampo> Add() = 0;
  virtual std::shared_ptr<IXMLTCampo> Insert(int indice) = 0;
  virtual void Clear() = 0;
  virtual void Delete(int indice) = 0;
  virtual int Remove(const std::shared_ptr<IXMLTCampo>& item) = 0;
};

class IXMLTAgendamento {
 public:
  virtual ~IXMLTAgendamento() = default;
  virtual std::string Tipo() = 0;
  virtual std::string Ocorrencia() = 0;
  virtual std::string Horario() = 0;
  virtual std::string Intervalo() = 0;
  virtual void Set_Tipo(const std::string& v) = 0;
  virtual void Set_Ocorrencia(const std::string& v) = 0;
  virtual void Set_Horario(const std::string& v) = 0;
  virtual void Set_Intervalo(const std::string& v) = 0;
};

class IXMLTSelecao {
 public:
  virtual ~IXMLTSelecao() = default;
  virtual std::string Nome() = 0;
  virtual std::string Descricao() = 0;
  virtual std::shared_ptr<IXMLTOrigem> Origem() = 0;
  virtual std::shared_ptr<IXMLTDestino> Destino() = 0;
  virtual std::shared_ptr<IXMLTCampos> Campos() = 0;
  virtual std::shared_ptr<IXMLTAgendamento> Agendamento() = 0;
  virtual void Set_Nome(const std::string& v) = 0;
  virtual void Set_Descricao(const std::string& v) = 0;
};

// Loads the configuration file at `caminho`; throws ErroConfiguracao.
std::shared_ptr<IXMLTSelecao> CarregarSelecao(const std::string& caminho);

// A new, empty configuration held only in memory.
std::shared_ptr<IXMLTSelecao> NovaSelecao();

}  // namespace kiv::config
