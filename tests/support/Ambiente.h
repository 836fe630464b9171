#pragma once
// Small helpers the test programs share.
#include <optional>
#include <string>

#include "platform/Regional.h"
#include "platform/Relogio.h"

namespace kiv::teste {

// A fresh folder under the system's temporary folder, removed with its owner.
class PastaTemporaria {
 public:
  PastaTemporaria();
  ~PastaTemporaria();
  PastaTemporaria(const PastaTemporaria&) = delete;
  PastaTemporaria& operator=(const PastaTemporaria&) = delete;
  const std::string& Caminho() const { return caminho_; }
  std::string operator/(const std::string& nome) const { return caminho_ + "/" + nome; }

 private:
  std::string caminho_;
};

std::string LerArquivo(const std::string& caminho);
void EscreverArquivo(const std::string& caminho, const std::string& conteudo);
bool Existe(const std::string& caminho);

// Path of an NF-e sample document.
std::string Fixture(const std::string& nome);

// Runs a shell command; returns its standard output and sets `status` to its exit status.
std::string Rodar(const std::string& comando, int& status);

// A TCP port on 127.0.0.1 that nobody listens on (bound, then released).
int PortaFechada();

// Fixes the clock and the regional settings for one test and restores them afterwards.
class AmbienteFixo {
 public:
  AmbienteFixo(plataforma::DataHora agora, plataforma::ConfiguracaoRegional regional);
  ~AmbienteFixo();
};

// 14:30 on 15 March 2012; comma decimal separator, dd/MM/yyyy.
plataforma::DataHora Marco2012();
plataforma::ConfiguracaoRegional RegionalBrasil();

}  // namespace kiv::teste
