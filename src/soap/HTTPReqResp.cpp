#include "soap/HTTPReqResp.h"

namespace kiv::soap {

// Placeholder until the libcurl transport lands.
struct THTTPReqResp::Estado {
  std::string url;
};

THTTPReqResp::THTTPReqResp() : estado_(std::make_unique<Estado>()) {}
THTTPReqResp::~THTTPReqResp() = default;
void THTTPReqResp::SetURL(const std::string& url) { estado_->url = url; }
void THTTPReqResp::SetSoapAction(const std::string&) {}
void THTTPReqResp::SetIgnorarErrosCertificado(bool) {}
void THTTPReqResp::SetLimites(std::chrono::milliseconds, std::chrono::milliseconds) {}
std::string THTTPReqResp::Executar(const std::string&) { throw ErroHTTP("HTTP transport not available"); }

}  // namespace kiv::soap
