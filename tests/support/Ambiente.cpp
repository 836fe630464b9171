#include "support/Ambiente.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kiv::teste {

PastaTemporaria::PastaTemporaria() {
  std::string modelo = (std::filesystem::temp_directory_path() / "kivteste-XXXXXX").string();
  if (!mkdtemp(modelo.data())) throw std::runtime_error("mkdtemp failed");
  caminho_ = modelo;
}

PastaTemporaria::~PastaTemporaria() {
  std::error_code ec;
  std::filesystem::remove_all(caminho_, ec);
}

std::string LerArquivo(const std::string& caminho) {
  std::ifstream f(caminho, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + caminho);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void EscreverArquivo(const std::string& caminho, const std::string& conteudo) {
  std::ofstream f(caminho, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + caminho);
  f << conteudo;
}

bool Existe(const std::string& caminho) { return std::filesystem::exists(caminho); }

std::string Fixture(const std::string& nome) { return std::string(KIV_FIXTURES_DIR) + "/" + nome; }

std::string Rodar(const std::string& comando, int& status) {
  std::string saida;
  FILE* p = popen(comando.c_str(), "r");
  if (!p) throw std::runtime_error("popen failed: " + comando);
  std::array<char, 65536> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), p)) > 0) saida.append(buffer.data(), n);
  const int r = pclose(p);
  status = WIFEXITED(r) ? WEXITSTATUS(r) : 128 + (WIFSIGNALED(r) ? WTERMSIG(r) : 0);
  return saida;
}

int PortaFechada() {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t n = sizeof a;
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
  close(s);
  return ntohs(a.sin_port);
}

AmbienteFixo::AmbienteFixo(plataforma::DataHora agora, plataforma::ConfiguracaoRegional regional) {
  plataforma::FixarRelogio(agora);
  plataforma::FixarRegional(std::move(regional));
}

AmbienteFixo::~AmbienteFixo() {
  plataforma::FixarRelogio(std::nullopt);
  plataforma::FixarRegional(std::nullopt);
}

plataforma::DataHora Marco2012() { return {2012, 3, 15, 14, 30, 0, 0}; }

plataforma::ConfiguracaoRegional RegionalBrasil() { return {",", "/", "dd/MM/yyyy", ":"}; }

}  // namespace kiv::teste
