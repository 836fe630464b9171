#include "soap/HTTPReqResp.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "comum/Texto.h"
#include "platform/PaginaCodigo.h"

namespace kiv::soap {
namespace {

// A reply larger than this is refused rather than held in memory.
constexpr size_t kMaximoResposta = size_t{64} << 20;

struct LiberaCurl {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct LiberaLista {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using Curl = std::unique_ptr<CURL, LiberaCurl>;
using ListaCabecalhos = std::unique_ptr<curl_slist, LiberaLista>;

template <typename T>
void Definir(CURL* c, CURLoption opcao, T valor) {
  const CURLcode r = curl_easy_setopt(c, opcao, valor);
  if (r != CURLE_OK) throw ErroHTTP(curl_easy_strerror(r));
}

std::string SemAspas(std::string_view v) {
  std::string s = Trim(v);
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
    s = s.substr(1, s.size() - 2);
  return Trim(s);
}

// The charset parameter of a Content-Type value, or "".
std::string CharsetDoTipo(std::string_view tipo) {
  size_t inicio = tipo.find(';');
  while (inicio != std::string_view::npos) {
    const size_t fim = tipo.find(';', inicio + 1);
    const std::string_view parametro = tipo.substr(inicio + 1, fim == std::string_view::npos ? fim : fim - inicio - 1);
    const size_t igual = parametro.find('=');
    if (igual != std::string_view::npos && IgualSemCaso(Trim(parametro.substr(0, igual)), "charset"))
      return SemAspas(parametro.substr(igual + 1));
    inicio = fim;
  }
  return {};
}

// The encoding of an XML declaration at the start of the bytes, or "".
std::string EncodingDaDeclaracao(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.substr(0, 5) != "<?xml") return {};
  const std::string_view declaracao = bytes.substr(0, bytes.find("?>"));
  size_t p = declaracao.find("encoding");
  if (p == std::string_view::npos) return {};
  p = declaracao.find('=', p);
  if (p == std::string_view::npos) return {};
  p = declaracao.find_first_not_of(" \t\r\n", p + 1);
  if (p == std::string_view::npos || (declaracao[p] != '"' && declaracao[p] != '\'')) return {};
  const size_t fim = declaracao.find(declaracao[p], p + 1);
  if (fim == std::string_view::npos) return {};
  return std::string(declaracao.substr(p + 1, fim - p - 1));
}

// Texts for the usual statuses, for a status line that carries none.
const char* TextoPadraoStatus(long codigo) {
  switch (codigo) {
    case 300: return "Multiple Choices";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 407: return "Proxy Authentication Required";
    case 408: return "Request Timeout";
    case 413: return "Payload Too Large";
    case 415: return "Unsupported Media Type";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "";
  }
}

}  // namespace

void IniciarCurl() {
  static std::once_flag feito;
  std::call_once(feito, [] {
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) throw ErroHTTP("libcurl could not be initialised");
  });
}

std::string DecodificarResposta(std::string_view bytes, std::string_view tipoConteudo) {
  std::string charset = CharsetDoTipo(tipoConteudo);
  if (charset.empty()) charset = EncodingDaDeclaracao(bytes);
  const bool utf8Declarado = IgualSemCaso(charset, "utf-8") || IgualSemCaso(charset, "utf8");
  if (!charset.empty() && !utf8Declarado) {
    if (auto texto = plataforma::DeCharset(bytes, charset)) return *std::move(texto);
    // An unknown charset name: read the bytes as if nothing was declared.
  }
  // Declared UTF-8 that is not valid UTF-8 comes from a server that writes its code page anyway.
  if (plataforma::Utf8Valido(bytes)) return std::string(bytes);
  return plataforma::DeAnsi(bytes);
}

struct THTTPReqResp::Estado {
  Curl curl;
  ListaCabecalhos cabecalhos;
  char erro[CURL_ERROR_SIZE] = {};
  std::string url;
  std::string acao;
  bool ignorarCertificado = false;
  std::string resposta;
  std::string textoStatus;
  bool excedeu = false;

  static size_t Escrever(char* dados, size_t, size_t n, void* usuario) {
    auto* e = static_cast<Estado*>(usuario);
    if (e->resposta.size() + n > kMaximoResposta) {
      e->excedeu = true;
      return 0;
    }
    e->resposta.append(dados, n);
    return n;
  }

  // Keeps the text of the last status line ("HTTP/1.1 404 Not Found"), so an interim
  // "100 Continue" does not hide the final one.
  static size_t Cabecalho(char* dados, size_t, size_t n, void* usuario) {
    auto* e = static_cast<Estado*>(usuario);
    const std::string_view linha(dados, n);
    if (linha.substr(0, 5) == "HTTP/") {
      const size_t codigo = linha.find(' ');
      const size_t texto = codigo == std::string_view::npos ? codigo : linha.find(' ', codigo + 1);
      e->textoStatus = texto == std::string_view::npos ? std::string() : Trim(linha.substr(texto + 1));
    }
    return n;
  }

  void MontarCabecalhos() {
    curl_slist* lista = nullptr;
    for (const std::string& c : {std::string("Content-Type: text/xml; charset=\"utf-8\""),
                                 "SOAPAction: \"" + acao + "\"",
                                 // Without this libcurl sends "Expect: 100-continue" for larger
                                 // bodies and many servers let it wait a second for the go-ahead.
                                 std::string("Expect:")}) {
      curl_slist* nova = curl_slist_append(lista, c.c_str());
      if (!nova) {
        curl_slist_free_all(lista);
        throw std::bad_alloc();
      }
      lista = nova;
    }
    cabecalhos.reset(lista);
  }
};

THTTPReqResp::THTTPReqResp() : estado_(std::make_unique<Estado>()) {
  IniciarCurl();
  estado_->curl.reset(curl_easy_init());
  if (!estado_->curl) throw ErroHTTP("libcurl could not create a handle");
  CURL* c = estado_->curl.get();
  Definir(c, CURLOPT_ERRORBUFFER, estado_->erro);
  Definir(c, CURLOPT_NOSIGNAL, 1L);
  Definir(c, CURLOPT_PROTOCOLS_STR, "http,https");
  Definir(c, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  Definir(c, CURLOPT_TCP_NODELAY, 1L);
  Definir(c, CURLOPT_TCP_KEEPALIVE, 1L);
  Definir(c, CURLOPT_USERAGENT, "KIVXmlVW");
  Definir(c, CURLOPT_POST, 1L);
  Definir(c, CURLOPT_WRITEFUNCTION, &Estado::Escrever);
  Definir(c, CURLOPT_WRITEDATA, estado_.get());
  Definir(c, CURLOPT_HEADERFUNCTION, &Estado::Cabecalho);
  Definir(c, CURLOPT_HEADERDATA, estado_.get());
  // Proxies: with no CURLOPT_PROXY, libcurl reads http_proxy, https_proxy, all_proxy, no_proxy.
  SetLimites(kLimiteConexao, kLimiteSemProgresso);
  estado_->MontarCabecalhos();
}

THTTPReqResp::~THTTPReqResp() = default;

void THTTPReqResp::SetURL(const std::string& url) {
  if (!url.empty()) {
    const size_t separador = url.find("://");
    const std::string_view esquema = std::string_view(url).substr(0, separador);
    if (separador == std::string::npos || !(IgualSemCaso(esquema, "http") || IgualSemCaso(esquema, "https")))
      throw ErroHTTP("Invalid url '" + url + "' - only supports 'http' and 'https' schemes");
  }
  estado_->url = url;
}

const std::string& THTTPReqResp::URL() const { return estado_->url; }

void THTTPReqResp::SetSoapAction(const std::string& acao) {
  if (acao == estado_->acao) return;
  estado_->acao = acao;
  estado_->MontarCabecalhos();
}

void THTTPReqResp::SetIgnorarErrosCertificado(bool ignorar) { estado_->ignorarCertificado = ignorar; }

void THTTPReqResp::SetLimites(std::chrono::milliseconds conexao, std::chrono::milliseconds semProgresso) {
  CURL* c = estado_->curl.get();
  Definir(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(conexao.count()));
  // "No progress": below one byte per second for the whole period.
  const long segundos = std::max<long>(1, static_cast<long>((semProgresso.count() + 999) / 1000));
  Definir(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  Definir(c, CURLOPT_LOW_SPEED_TIME, segundos);
}

std::string THTTPReqResp::Executar(const std::string& requisicao) {
  Estado& e = *estado_;
  CURL* c = e.curl.get();
  const long verificar = e.ignorarCertificado ? 0L : 1L;
  Definir(c, CURLOPT_SSL_VERIFYPEER, verificar);
  Definir(c, CURLOPT_SSL_VERIFYHOST, e.ignorarCertificado ? 0L : 2L);
  Definir(c, CURLOPT_PROXY_SSL_VERIFYPEER, verificar);
  Definir(c, CURLOPT_PROXY_SSL_VERIFYHOST, e.ignorarCertificado ? 0L : 2L);
  Definir(c, CURLOPT_URL, e.url.c_str());
  Definir(c, CURLOPT_HTTPHEADER, e.cabecalhos.get());
  Definir(c, CURLOPT_POSTFIELDS, requisicao.data());
  Definir(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(requisicao.size()));

  e.erro[0] = '\0';
  e.resposta.clear();
  e.textoStatus.clear();
  e.excedeu = false;
  const CURLcode r = curl_easy_perform(c);
  if (r != CURLE_OK) {
    if (e.excedeu) throw ErroHTTP("Reply larger than " + std::to_string(kMaximoResposta) + " bytes");
    throw ErroHTTP(e.erro[0] ? e.erro : curl_easy_strerror(r));
  }

  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  // A SOAP fault comes with 500 and is evaluated like any other reply.
  if (status >= 300 && status != 500) {
    const std::string texto = e.textoStatus.empty() ? TextoPadraoStatus(status) : e.textoStatus;
    throw ErroHTTP(texto + " (" + std::to_string(status) + ") - '" + e.url + "'");
  }
  char* tipo = nullptr;
  curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &tipo);
  const std::string tipoConteudo = tipo ? tipo : "";
  if (IgualSemCaso(tipoConteudo, "text/plain") || IgualSemCaso(tipoConteudo, "text/html"))
    throw ErroHTTP("Received content of invalid Content-Type setting: " + tipoConteudo + " - SOAP expects \"text/xml\"");
  return DecodificarResposta(e.resposta, tipoConteudo);
}

}  // namespace kiv::soap
