#include "run/RegistroEnviados.h"

#include <cstdio>
#include <map>
#include <utility>

namespace kiv::run {

// Placeholder until the register lands: an in-memory table that is never saved.
struct TRegistroEnviados::Estado {
  bool aberto = false;
  std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> entradas;
};

std::string PastaWork(const std::string& caminhoConfiguracao) {
  const auto barra = caminhoConfiguracao.find_last_of('/');
  return (barra == std::string::npos ? std::string() : caminhoConfiguracao.substr(0, barra + 1)) + "Work";
}

std::string ArquivoRegistro(const std::string& pastaWork, const plataforma::DataHora& d) {
  char data[16];
  std::snprintf(data, sizeof data, "%04d%02d%02d", d.ano, d.mes, d.dia);
  return pastaWork + "/NfeEnvVW_" + data + ".xml";
}

TRegistroEnviados::TRegistroEnviados() : estado_(std::make_unique<Estado>()) {}
TRegistroEnviados::~TRegistroEnviados() = default;

void TRegistroEnviados::Preparar(const std::string&, const std::string&) {
  estado_->entradas.clear();
  estado_->aberto = true;
}

bool TRegistroEnviados::Localizar(const std::string& chave, const std::string& tipo) const {
  return estado_->entradas.count({chave, tipo}) > 0;
}

void TRegistroEnviados::Registrar(const std::string& chave, const std::string& tipo, const std::string& status,
                                  const std::string& descricao) {
  estado_->entradas[{chave, tipo}] = {status, descricao};
}

void TRegistroEnviados::Fechar() { estado_->aberto = false; }
bool TRegistroEnviados::Aberto() const { return estado_->aberto; }
size_t TRegistroEnviados::Quantidade() const { return estado_->entradas.size(); }

}  // namespace kiv::run
