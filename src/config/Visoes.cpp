// The typed views of the configuration document, one class per element type.
#include <libxml/tree.h>

#include <stdexcept>
#include <string>

#include "config/KIVSchema.h"
#include "config/NoXml.h"

namespace kiv::config {
namespace {

class TXMLTBanco final : public IXMLTBanco {
 public:
  explicit TXMLTBanco(NoXml no) : no_(std::move(no)) {}
  std::string Tipo() override { return LerTexto(no_, "Tipo"); }
  std::string Host() override { return LerTexto(no_, "Host"); }
  std::string DataBase() override { return LerTexto(no_, "DataBase"); }
  std::string User() override { return LerTexto(no_, "User"); }
  std::string Passwd() override { return LerTexto(no_, "Passwd"); }
  std::string DMS() override { return LerTexto(no_, "DMS"); }
  void Set_Tipo(const std::string& v) override { GravarTexto(no_, "Tipo", v); }
  void Set_Host(const std::string& v) override { GravarTexto(no_, "Host", v); }
  void Set_DataBase(const std::string& v) override { GravarTexto(no_, "DataBase", v); }
  void Set_User(const std::string& v) override { GravarTexto(no_, "User", v); }
  void Set_Passwd(const std::string& v) override { GravarTexto(no_, "Passwd", v); }
  void Set_DMS(const std::string& v) override { GravarTexto(no_, "DMS", v); }
 private:
  NoXml no_;
};

class TXMLTResult final : public IXMLTResult {
 public:
  explicit TXMLTResult(NoXml no) : no_(std::move(no)) {}
  std::string Tipo() override { return LerTexto(no_, "Tipo"); }
  std::string Destino() override { return LerTexto(no_, "Destino"); }
  std::string Dados() override { return LerTexto(no_, "Dados"); }
  std::string Mascara() override { return LerTexto(no_, "Mascara"); }
  std::string Criptografia() override { return LerTexto(no_, "Criptografia"); }
  void Set_Tipo(const std::string& v) override { GravarTexto(no_, "Tipo", v); }
  void Set_Destino(const std::string& v) override { GravarTexto(no_, "Destino", v); }
  void Set_Dados(const std::string& v) override { GravarTexto(no_, "Dados", v); }
  void Set_Mascara(const std::string& v) override { GravarTexto(no_, "Mascara", v); }
  void Set_Criptografia(const std::string& v) override { GravarTexto(no_, "Criptografia", v); }
 private:
  NoXml no_;
};

class TXMLTFtp final : public IXMLTFtp {
 public:
  explicit TXMLTFtp(NoXml no) : no_(std::move(no)) {}
  std::string Servidor() override { return LerTexto(no_, "Servidor"); }
  std::string Porta() override { return LerTexto(no_, "Porta"); }
  std::string Usuario() override { return LerTexto(no_, "Usuario"); }
  std::string Senha() override { return LerTexto(no_, "Senha"); }
  std::string CampoPasta() override { return LerTexto(no_, "CampoPasta"); }
  std::string PastaDestino() override { return LerTexto(no_, "PastaDestino"); }
  void Set_Servidor(const std::string& v) override { GravarTexto(no_, "Servidor", v); }
  void Set_Porta(const std::string& v) override { GravarTexto(no_, "Porta", v); }
  void Set_Usuario(const std::string& v) override { GravarTexto(no_, "Usuario", v); }
  void Set_Senha(const std::string& v) override { GravarTexto(no_, "Senha", v); }
  void Set_CampoPasta(const std::string& v) override { GravarTexto(no_, "CampoPasta", v); }
  void Set_PastaDestino(const std::string& v) override { GravarTexto(no_, "PastaDestino", v); }
 private:
  NoXml no_;
};

class TXMLTSoap final : public IXMLTSoap {
 public:
  explicit TXMLTSoap(NoXml no) : no_(std::move(no)) {}
  std::string Url() override { return LerTexto(no_, "Url"); }
  std::string Chave() override { return LerTexto(no_, "Chave"); }
  std::string Usuario() override { return LerTexto(no_, "Usuario"); }
  std::string Senha() override { return LerTexto(no_, "Senha"); }
  void Set_Url(const std::string& v) override { GravarTexto(no_, "Url", v); }
  void Set_Chave(const std::string& v) override { GravarTexto(no_, "Chave", v); }
  void Set_Usuario(const std::string& v) override { GravarTexto(no_, "Usuario", v); }
  void Set_Senha(const std::string& v) override { GravarTexto(no_, "Senha", v); }
 private:
  NoXml no_;
};

class TXMLTAgendamento final : public IXMLTAgendamento {
 public:
  explicit TXMLTAgendamento(NoXml no) : no_(std::move(no)) {}
  std::string Tipo() override { return LerTexto(no_, "Tipo"); }
  std::string Ocorrencia() override { return LerTexto(no_, "Ocorrencia"); }
  std::string Horario() override { return LerTexto(no_, "Horario"); }
  std::string Intervalo() override { return LerTexto(no_, "Intervalo"); }
  void Set_Tipo(const std::string& v) override { GravarTexto(no_, "Tipo", v); }
  void Set_Ocorrencia(const std::string& v) override { GravarTexto(no_, "Ocorrencia", v); }
  void Set_Horario(const std::string& v) override { GravarTexto(no_, "Horario", v); }
  void Set_Intervalo(const std::string& v) override { GravarTexto(no_, "Intervalo", v); }
 private:
  NoXml no_;
};

class TXMLTOrigem final : public IXMLTOrigem {
 public:
  explicit TXMLTOrigem(NoXml no) : no_(std::move(no)) {}
  std::string Tipo() override { return LerTexto(no_, "Tipo"); }
  std::string Execute() override { return LerTexto(no_, "Execute"); }
  std::shared_ptr<IXMLTBanco> Banco() override { return std::make_shared<TXMLTBanco>(Filho(no_, "Banco")); }
  std::shared_ptr<IXMLTResult> Result() override { return std::make_shared<TXMLTResult>(Filho(no_, "Result")); }
  void Set_Tipo(const std::string& v) override { GravarTexto(no_, "Tipo", v); }
  void Set_Execute(const std::string& v) override { GravarTexto(no_, "Execute", v); }
 private:
  NoXml no_;
};

class TXMLTDestino final : public IXMLTDestino {
 public:
  explicit TXMLTDestino(NoXml no) : no_(std::move(no)) {}
  std::string Modulo() override { return LerTexto(no_, "Modulo"); }
  std::string Redir() override { return LerTexto(no_, "Redir"); }
  std::string Tipo() override { return LerTexto(no_, "Tipo"); }
  std::shared_ptr<IXMLTFtp> Ftp() override { return std::make_shared<TXMLTFtp>(Filho(no_, "Ftp")); }
  std::shared_ptr<IXMLTSoap> Soap() override { return std::make_shared<TXMLTSoap>(Filho(no_, "Soap")); }
  void Set_Modulo(const std::string& v) override { GravarTexto(no_, "Modulo", v); }
  void Set_Redir(const std::string& v) override { GravarTexto(no_, "Redir", v); }
  void Set_Tipo(const std::string& v) override { GravarTexto(no_, "Tipo", v); }
 private:
  NoXml no_;
};

class TXMLTCampo final : public IXMLTCampo {
 public:
  explicit TXMLTCampo(NoXml no) : no_(std::move(no)) {}
  std::string Sequencia() override { return LerAtributo(no_, "Sequencia"); }
  std::string Nome() override { return LerTexto(no_, "Nome"); }
  std::string Valor() override { return LerTexto(no_, "Valor"); }
  void Set_Sequencia(const std::string& v) override { GravarAtributo(no_, "Sequencia", v); }
  void Set_Nome(const std::string& v) override { GravarTexto(no_, "Nome", v); }
  void Set_Valor(const std::string& v) override { GravarTexto(no_, "Valor", v); }
  xmlNodePtr No() const { return no_.no; }

 private:
  NoXml no_;
};

// The items of Campos are its Campo children in Campos's namespace, in document order.
class TXMLTCampos final : public IXMLTCampos {
 public:
  explicit TXMLTCampos(NoXml no) : no_(std::move(no)) {}

  int Count() override {
    int n = 0;
    for (xmlNodePtr f = no_.no->children; f; f = f->next) n += EhItem(f);
    return n;
  }
  std::shared_ptr<IXMLTCampo> Campo(int indice) override { return Visao(Item(indice)); }
  std::shared_ptr<IXMLTCampo> Add() override {
    xmlNodePtr novo = NovoItem();
    xmlAddChild(no_.no, novo);
    return Visao(novo);
  }
  std::shared_ptr<IXMLTCampo> Insert(int indice) override {
    xmlNodePtr novo = NovoItem();
    if (xmlNodePtr antes = ItemOuNulo(indice))
      xmlAddPrevSibling(antes, novo);
    else
      xmlAddChild(no_.no, novo);
    return Visao(novo);
  }
  void Clear() override {
    while (Count() > 0) Delete(0);
  }
  void Delete(int indice) override {
    xmlNodePtr item = Item(indice);
    xmlUnlinkNode(item);
    xmlFreeNode(item);
  }
  int Remove(const std::shared_ptr<IXMLTCampo>& item) override {
    auto* campo = dynamic_cast<TXMLTCampo*>(item.get());
    if (!campo) return -1;
    int indice = 0;
    for (xmlNodePtr f = no_.no->children; f; f = f->next) {
      if (!EhItem(f)) continue;
      if (f == campo->No()) {
        Delete(indice);
        return indice;
      }
      ++indice;
    }
    return -1;
  }

 private:
  bool EhItem(xmlNodePtr f) const { return Casa(f, "Campo", NamespaceDe(no_.no)); }
  // The item at `indice` among the Campo children only; nullptr past the last (or below 0).
  xmlNodePtr ItemOuNulo(int indice) {
    int i = 0;
    for (xmlNodePtr f = no_.no->children; f; f = f->next)
      if (EhItem(f) && i++ == indice) return f;
    return nullptr;
  }
  xmlNodePtr Item(int indice) {
    if (xmlNodePtr f = ItemOuNulo(indice)) return f;
    throw ErroConfiguracao("List index out of bounds (" + std::to_string(indice) + ")");
  }
  xmlNodePtr NovoItem() { return xmlNewDocNode(no_.documento->doc, no_.no->ns, BAD_CAST "Campo", nullptr); }
  std::shared_ptr<IXMLTCampo> Visao(xmlNodePtr f) { return std::make_shared<TXMLTCampo>(NoXml{no_.documento, f}); }

  NoXml no_;
};

class TXMLTSelecao final : public IXMLTSelecao {
 public:
  explicit TXMLTSelecao(NoXml no) : no_(std::move(no)) {}
  std::string Nome() override { return LerTexto(no_, "Nome"); }
  std::string Descricao() override { return LerTexto(no_, "Descricao"); }
  std::shared_ptr<IXMLTOrigem> Origem() override { return std::make_shared<TXMLTOrigem>(Filho(no_, "Origem")); }
  std::shared_ptr<IXMLTDestino> Destino() override { return std::make_shared<TXMLTDestino>(Filho(no_, "Destino")); }
  std::shared_ptr<IXMLTCampos> Campos() override { return std::make_shared<TXMLTCampos>(Filho(no_, "Campos")); }
  std::shared_ptr<IXMLTAgendamento> Agendamento() override { return std::make_shared<TXMLTAgendamento>(Filho(no_, "Agendamento")); }
  void Set_Nome(const std::string& v) override { GravarTexto(no_, "Nome", v); }
  void Set_Descricao(const std::string& v) override { GravarTexto(no_, "Descricao", v); }
 private:
  NoXml no_;
};

}  // namespace

std::shared_ptr<IXMLTSelecao> NovaVisaoSelecao(NoXml no) { return std::make_shared<TXMLTSelecao>(std::move(no)); }

}  // namespace kiv::config
