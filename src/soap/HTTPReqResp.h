#pragma once
// HTTPReqResp: the one HTTP client of a run (one reused libcurl handle, so the connection to the
// web service stays alive from one delivery to the next).
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kiv::soap {

// A failed exchange; what() is the message the run log shows.
class ErroHTTP : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// libcurl's process-wide set-up, done once whichever thread asks first.
void IniciarCurl();

// Default bounds of one exchange: libcurl alone would wait for ever on a server that accepts the
// connection and never answers.
inline constexpr std::chrono::milliseconds kLimiteConexao{30'000};
inline constexpr std::chrono::milliseconds kLimiteSemProgresso{120'000};

// The reply bytes as UTF-8: by the charset the reply declares (Content-Type, else the XML
// declaration), else as they are when they are valid UTF-8, else from the ANSI code page.
std::string DecodificarResposta(std::string_view bytes, std::string_view tipoConteudo);

class THTTPReqResp {
 public:
  THTTPReqResp();
  ~THTTPReqResp();
  THTTPReqResp(const THTTPReqResp&) = delete;
  THTTPReqResp& operator=(const THTTPReqResp&) = delete;

  // The address; throws ErroHTTP for a scheme other than http or https ("" is accepted here
  // and fails at the post).
  void SetURL(const std::string& url);
  const std::string& URL() const;
  void SetSoapAction(const std::string& acao);
  void SetIgnorarErrosCertificado(bool ignorar);
  // Bounds of one exchange: connecting, and time without progress (whole seconds, at least 1).
  void SetLimites(std::chrono::milliseconds conexao, std::chrono::milliseconds semProgresso);

  // Posts the UTF-8 request text and returns the whole reply as UTF-8 text; throws ErroHTTP.
  std::string Executar(const std::string& requisicao);

 private:
  struct Estado;
  std::unique_ptr<Estado> estado_;
};

}  // namespace kiv::soap
