#include "support/ServicoSimulado.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "comum/Texto.h"
#include "soap/HTTPReqResp.h"

extern char** environ;

namespace kiv::teste {
namespace {

std::string Codificar(std::string_view s) {
  static const char* hex = "0123456789ABCDEF";
  std::string r;
  for (const unsigned char c : s) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      r += static_cast<char>(c);
    } else {
      r += '%';
      r += hex[c >> 4];
      r += hex[c & 15];
    }
  }
  return r;
}

// The stand-in is always local: keep any proxy of the environment out of the way.
void SemProxyLocal() {
  const char* atual = std::getenv("no_proxy");
  std::string valor = atual ? atual : "";
  if (valor.find("127.0.0.1") != std::string::npos) return;
  valor += valor.empty() ? "127.0.0.1" : ",127.0.0.1";
  setenv("no_proxy", valor.c_str(), 1);
}

size_t Acumular(char* dados, size_t, size_t n, void* usuario) {
  static_cast<std::string*>(usuario)->append(dados, n);
  return n;
}

RequisicaoRecebida LerRegistro(const std::string& texto) {
  RequisicaoRecebida r;
  const size_t fimCabecalhos = texto.find("\r\n\r\n");
  if (fimCabecalhos == std::string::npos) throw std::runtime_error("incomplete request record");
  r.corpo = texto.substr(fimCabecalhos + 4);
  std::vector<std::string> linhas;
  for (size_t p = 0; p <= fimCabecalhos;) {
    const size_t q = texto.find("\r\n", p);
    linhas.push_back(texto.substr(p, q - p));
    p = q + 2;
  }
  char esquema[16] = {};
  if (linhas.size() < 2 ||
      std::sscanf(linhas[0].c_str(), "KIV-STANDIN seq=%d conexao=%d esquema=%15s", &r.sequencia, &r.conexao, esquema) != 3)
    throw std::runtime_error("bad request record: " + linhas[0]);
  r.esquema = esquema;
  const std::string& pedido = linhas[1];
  const size_t a = pedido.find(' '), b = pedido.rfind(' ');
  r.metodo = pedido.substr(0, a);
  r.caminho = pedido.substr(a + 1, b - a - 1);
  r.versao = pedido.substr(b + 1);
  for (size_t i = 2; i < linhas.size(); ++i) {
    const size_t dp = linhas[i].find(": ");
    if (dp == std::string::npos) continue;
    r.cabecalhos.emplace_back(linhas[i].substr(0, dp), linhas[i].substr(dp + 2));
  }
  return r;
}

}  // namespace

std::string Comportamento::Formulario() const {
  std::string f = "modo=" + Codificar(modo);
  auto par = [&f](const char* chave, const std::optional<std::string>& v) {
    if (v) f += std::string("&") + chave + "=" + Codificar(*v);
  };
  par("codigo", codigo);
  par("mensagem", mensagem);
  par("charset", charset);
  par("declarar", declarar);
  par("tipo_conteudo", tipoConteudo);
  par("corpo", corpo);
  par("remover", remover);
  if (status) f += "&status=" + std::to_string(*status);
  if (atraso) f += "&atraso=" + std::to_string(*atraso);
  return f;
}

std::optional<std::string> RequisicaoRecebida::Cabecalho(std::string_view nome) const {
  for (const auto& [n, v] : cabecalhos)
    if (IgualSemCaso(n, nome)) return v;
  return std::nullopt;
}

size_t RequisicaoRecebida::QuantosCabecalhos(std::string_view nome) const {
  return std::count_if(cabecalhos.begin(), cabecalhos.end(), [&](const auto& c) { return IgualSemCaso(c.first, nome); });
}

std::string ServicoSimulado::Programa() { return std::string(KIV_TESTS_DIR) + "/support/standin.py"; }

ServicoSimulado::ServicoSimulado() : ServicoSimulado(Opcoes{}) {}

ServicoSimulado::ServicoSimulado(Opcoes opcoes) {
  SemProxyLocal();
  soap::IniciarCurl();
  std::vector<std::string> args = {"python3", Programa(), "--vigiar-stdin"};
  if (opcoes.https) args.push_back("--https");
  if (opcoes.porta) args.insert(args.end(), {"--porta", std::to_string(opcoes.porta)});
  if (opcoes.registrar) {
    registro_ = std::make_unique<PastaTemporaria>();
    args.insert(args.end(), {"--registro", registro_->Caminho()});
  }
  // The initial behaviour goes over the command line in the same form as the control requests.
  const Comportamento& c = opcoes.inicial;
  auto opcao = [&args](const char* nome, const std::optional<std::string>& v) {
    if (v) args.insert(args.end(), {nome, *v});
  };
  args.insert(args.end(), {"--modo", c.modo});
  opcao("--codigo", c.codigo);
  opcao("--mensagem", c.mensagem);
  opcao("--charset", c.charset);
  opcao("--declarar", c.declarar);
  opcao("--tipo-conteudo", c.tipoConteudo);
  opcao("--corpo", c.corpo);
  opcao("--remover", c.remover);
  if (c.status) opcao("--status", std::to_string(*c.status));
  if (c.atraso) opcao("--atraso", std::to_string(*c.atraso));

  int entrada[2], saida[2];
  if (pipe2(entrada, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (pipe2(saida, O_CLOEXEC) != 0) {
    close(entrada[0]);
    close(entrada[1]);
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_adddup2(&acoes, entrada[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&acoes, saida[1], STDOUT_FILENO);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int r = posix_spawnp(&pid_, "python3", &acoes, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&acoes);
  close(entrada[0]);
  close(saida[1]);
  entrada_ = entrada[1];
  if (r != 0) {
    pid_ = -1;
    close(saida[0]);
    Parar();
    throw std::runtime_error(std::string("cannot start python3: ") + std::strerror(r));
  }

  // Ready when it reports its ports; bounded wait.
  std::string linha;
  const auto limite = std::chrono::steady_clock::now() + opcoes.esperaInicio;
  while (linha.find('\n') == std::string::npos) {
    const auto resta = std::chrono::duration_cast<std::chrono::milliseconds>(limite - std::chrono::steady_clock::now());
    pollfd p{saida[0], POLLIN, 0};
    if (resta.count() <= 0 || poll(&p, 1, static_cast<int>(resta.count())) <= 0) break;
    char buffer[256];
    const ssize_t n = read(saida[0], buffer, sizeof buffer);
    if (n <= 0) break;
    linha.append(buffer, n);
  }
  close(saida[0]);
  if (std::sscanf(linha.c_str(), "http=%d https=%d fechada=%d", &portaHttp_, &portaHttps_, &portaFechada_) != 3) {
    Parar();
    throw std::runtime_error("the stand-in web service did not start: '" + linha + "'");
  }
}

ServicoSimulado::~ServicoSimulado() { Parar(); }

void ServicoSimulado::Parar() noexcept {
  if (entrada_ >= 0) close(entrada_);
  entrada_ = -1;
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  for (int i = 0; i < 300; ++i) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

std::string ServicoSimulado::Url(std::string_view caminho) const {
  return "http://127.0.0.1:" + std::to_string(portaHttp_) + std::string(caminho);
}
std::string ServicoSimulado::UrlHttps(std::string_view caminho) const {
  if (!portaHttps_) throw std::logic_error("the stand-in was started without https");
  return "https://127.0.0.1:" + std::to_string(portaHttps_) + std::string(caminho);
}
std::string ServicoSimulado::UrlFechada(std::string_view caminho) const {
  return "http://127.0.0.1:" + std::to_string(portaFechada_) + std::string(caminho);
}

std::string ServicoSimulado::Controlar(const std::string& acao, const std::string& corpo) const {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> c(curl_easy_init(), &curl_easy_cleanup);
  if (!c) throw std::runtime_error("curl_easy_init failed");
  const std::string url = Url("/_control/" + acao);
  std::string resposta;
  curl_easy_setopt(c.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(c.get(), CURLOPT_NOPROXY, "*");
  curl_easy_setopt(c.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c.get(), CURLOPT_TIMEOUT, 10L);
  curl_easy_setopt(c.get(), CURLOPT_POSTFIELDS, corpo.c_str());
  curl_easy_setopt(c.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(corpo.size()));
  curl_easy_setopt(c.get(), CURLOPT_WRITEFUNCTION, &Acumular);
  curl_easy_setopt(c.get(), CURLOPT_WRITEDATA, &resposta);
  const CURLcode r = curl_easy_perform(c.get());
  long status = 0;
  curl_easy_getinfo(c.get(), CURLINFO_RESPONSE_CODE, &status);
  if (r != CURLE_OK || status != 200)
    throw std::runtime_error("stand-in control " + acao + " failed: " +
                             (r != CURLE_OK ? std::string(curl_easy_strerror(r)) : resposta));
  return resposta;
}

void ServicoSimulado::Comportar(const Comportamento& c) { Controlar("modo", c.Formulario()); }

void ServicoSimulado::Enfileirar(const std::vector<Comportamento>& fila) {
  std::string corpo;
  for (const auto& c : fila) corpo += c.Formulario() + "\n";
  Controlar("fila", corpo);
}

void ServicoSimulado::Limpar() { Controlar("limpar", ""); }

ServicoSimulado::Contagem ServicoSimulado::Estado() const {
  Contagem n;
  const std::string r = Controlar("estado", "");
  if (std::sscanf(r.c_str(), "requisicoes=%d conexoes=%d", &n.requisicoes, &n.conexoes) != 2)
    throw std::runtime_error("bad stand-in state: " + r);
  return n;
}

std::vector<RequisicaoRecebida> ServicoSimulado::Requisicoes() const {
  std::vector<RequisicaoRecebida> lista;
  if (!registro_) return lista;
  std::vector<std::string> arquivos;
  for (const auto& e : std::filesystem::directory_iterator(registro_->Caminho()))
    if (e.path().extension() == ".txt") arquivos.push_back(e.path().string());
  std::sort(arquivos.begin(), arquivos.end());
  for (const auto& a : arquivos) lista.push_back(LerRegistro(LerArquivo(a)));
  return lista;
}

}  // namespace kiv::teste
