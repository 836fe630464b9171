#pragma once
// ServicoSimulado: the stand-in of the AAKOnLine web service (tests/support/standin.py) run as a
// child process of a test, benchmark or demo program, on 127.0.0.1 only.
#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/Ambiente.h"

namespace kiv::teste {

// One behaviour of the stand-in; a field left empty takes the default of the mode.
struct Comportamento {
  // aceitar, rejeitar, ns2, falha500, 404, html, latin1, parar, fechar
  std::string modo = "aceitar";
  std::optional<std::string> codigo;        // CodRetorno
  std::optional<std::string> mensagem;      // MsgRetorno; "{chave}" becomes the document's key
  std::optional<std::string> charset;       // the reply's encoding
  std::optional<std::string> declarar;      // ambos, cabecalho, xml, nenhum
  std::optional<std::string> tipoConteudo;  // the whole Content-Type value
  std::optional<std::string> corpo;         // the whole reply body
  std::optional<int> status;
  std::optional<double> atraso;             // seconds before answering
  std::optional<std::string> remover;       // a file deleted before answering

  static Comportamento Modo(std::string modo) {
    Comportamento c;
    c.modo = std::move(modo);
    return c;
  }
  // The form-encoded text the stand-in's control requests take.
  std::string Formulario() const;
};

// One request as the stand-in received it.
struct RequisicaoRecebida {
  int sequencia = 0;
  int conexao = 0;      // the connection that carried it, numbered from 1
  std::string esquema;  // http or https
  std::string metodo, caminho, versao;
  std::vector<std::pair<std::string, std::string>> cabecalhos;  // in the order received
  std::string corpo;

  // The value of the first header of that name in any letter case.
  std::optional<std::string> Cabecalho(std::string_view nome) const;
  // How many headers of that name in any letter case.
  size_t QuantosCabecalhos(std::string_view nome) const;
};

class ServicoSimulado {
 public:
  struct Opcoes {
    bool https = false;    // also listen with TLS (a self-signed certificate made at start)
    int porta = 0;         // the http port; 0 picks a free one (a restart takes the port it had)
    bool registrar = true;  // record every request (a benchmark turns this off)
    Comportamento inicial;  // the behaviour at start and after Limpar()
    std::chrono::milliseconds esperaInicio{20'000};
  };

  ServicoSimulado();
  explicit ServicoSimulado(Opcoes opcoes);
  ~ServicoSimulado();  // stops the stand-in (and kills it when it does not stop in time)
  ServicoSimulado(const ServicoSimulado&) = delete;
  ServicoSimulado& operator=(const ServicoSimulado&) = delete;

  int PortaHttp() const { return portaHttp_; }
  int PortaHttps() const { return portaHttps_; }
  int PortaFechada() const { return portaFechada_; }  // bound, not listening: refused
  static constexpr const char* kCaminho = "/aakonline/aakonline.asmx";
  std::string Url(std::string_view caminho = kCaminho) const;
  std::string UrlHttps(std::string_view caminho = kCaminho) const;
  std::string UrlFechada(std::string_view caminho = kCaminho) const;

  // The default behaviour from now on.
  void Comportar(const Comportamento& c);
  // Behaviours for the next requests, one each, before the default applies again.
  void Enfileirar(const std::vector<Comportamento>& fila);
  // Forgets the records and counters, empties the queue, returns to the initial behaviour.
  void Limpar();

  struct Contagem {
    int requisicoes = 0;
    int conexoes = 0;
  };
  Contagem Estado() const;
  // The recorded requests, oldest first.
  std::vector<RequisicaoRecebida> Requisicoes() const;

  // The path of the stand-in program.
  static std::string Programa();

 private:
  std::string Controlar(const std::string& acao, const std::string& corpo) const;
  void Parar() noexcept;

  std::unique_ptr<PastaTemporaria> registro_;
  pid_t pid_ = -1;
  int entrada_ = -1;  // its standard input; closing it tells it to stop
  int portaHttp_ = 0, portaHttps_ = 0, portaFechada_ = 0;
};

}  // namespace kiv::teste
