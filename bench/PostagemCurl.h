#pragma once
// The physical limit of a strictly sequential SOAP exchange: bare libcurl posting request texts
// over one reused handle, with the package's headers and nothing else (no options per post, no
// decoding, no evaluation of the answer beyond keeping it).
#include <curl/curl.h>

#include <memory>
#include <string>

#include "soap/aakonline.h"

namespace kiv::bench {

class PostagemCurl {
 public:
  explicit PostagemCurl(const std::string& url) : url_(url) {
    curl_slist* l = nullptr;
    l = curl_slist_append(l, "Content-Type: text/xml; charset=\"utf-8\"");
    l = curl_slist_append(l, ("SOAPAction: \"" + std::string(soap::kAcaoEnviaXML) + "\"").c_str());
    l = curl_slist_append(l, "Expect:");
    cabecalhos_.reset(l);
    CURL* c = curl_.get();
    curl_easy_setopt(c, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, cabecalhos_.get());
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Acumular);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &resposta_);
    curl_easy_setopt(c, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(c, CURLOPT_USERAGENT, "KIVXmlVW");
  }

  // Posts one request text; false when the exchange failed. The reply is in Resposta().
  bool Postar(const std::string& requisicao) {
    resposta_.clear();
    curl_easy_setopt(curl_.get(), CURLOPT_POSTFIELDS, requisicao.data());
    curl_easy_setopt(curl_.get(), CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(requisicao.size()));
    return curl_easy_perform(curl_.get()) == CURLE_OK;
  }

  const std::string& Resposta() const { return resposta_; }

 private:
  static size_t Acumular(char* dados, size_t, size_t n, void* usuario) {
    static_cast<std::string*>(usuario)->append(dados, n);
    return n;
  }

  std::string url_;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl_{curl_easy_init(), &curl_easy_cleanup};
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> cabecalhos_{nullptr, &curl_slist_free_all};
  std::string resposta_;
};

}  // namespace kiv::bench
