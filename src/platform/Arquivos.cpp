#include "platform/Arquivos.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

#include "platform/Descritor.h"

namespace kiv::plataforma {
namespace {

[[noreturn]] void Falha(int erro, const std::string& caminho) {
  throw std::system_error(erro, std::generic_category(), caminho);
}

void CriarPasta(const std::string& pasta) {
  if (::mkdir(pasta.c_str(), 0777) == 0) return;
  const int erro = errno;
  struct stat st {};
  if (::stat(pasta.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return;
    Falha(ENOTDIR, pasta);
  }
  Falha(erro, pasta);
}

}  // namespace

std::string PastaDe(const std::string& caminho) {
  const auto barra = caminho.find_last_of('/');
  if (barra == std::string::npos) return ".";
  return barra == 0 ? "/" : caminho.substr(0, barra);
}

void CriarPastas(const std::string& pasta) {
  // Each parent in turn, so that the message names the component that could not be made.
  for (size_t barra = pasta.find('/', 1); barra != std::string::npos; barra = pasta.find('/', barra + 1))
    if (pasta[barra - 1] != '/') CriarPasta(pasta.substr(0, barra));
  CriarPasta(pasta);
}

void ProvarEscrita(const std::string& pasta) {
  std::string modelo = pasta + "/.kivxmlvw-prova-XXXXXX";
  const int fd = ::mkostemp(modelo.data(), O_CLOEXEC);
  if (fd < 0) Falha(errno, pasta);
  ::close(fd);
  if (::unlink(modelo.c_str()) != 0) Falha(errno, modelo);
}

bool Existe(const std::string& caminho) {
  struct stat st {};
  return ::stat(caminho.c_str(), &st) == 0;
}

std::optional<std::string> LerSeExistir(const std::string& caminho) {
  Descritor arquivo(AbrirArquivo(caminho, O_RDONLY));
  if (!arquivo.Valido()) {
    if (errno == ENOENT) return std::nullopt;
    Falha(errno, caminho);
  }
  struct stat st {};
  if (::fstat(arquivo.fd(), &st) != 0) Falha(errno, caminho);
  if (S_ISDIR(st.st_mode)) Falha(EISDIR, caminho);
  std::string conteudo;
  conteudo.reserve(st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0);
  if (const int erro = LerAteOFim(arquivo.fd(), conteudo)) Falha(erro, caminho);
  return conteudo;
}

void SubstituirArquivo(const std::string& caminho, std::string_view conteudo) {
  const std::string temporario = caminho + ".tmp";
  Descritor arquivo(AbrirArquivo(temporario, O_WRONLY | O_CREAT | O_TRUNC));
  if (!arquivo.Valido()) Falha(errno, temporario);
  try {
    if (const int erro = EscreverTudo(arquivo.fd(), conteudo)) Falha(erro, temporario);
    if (::fsync(arquivo.fd()) != 0) Falha(errno, temporario);
    if (const int erro = arquivo.Fechar()) Falha(erro, temporario);
    if (::rename(temporario.c_str(), caminho.c_str()) != 0) Falha(errno, caminho);
  } catch (...) {
    ::unlink(temporario.c_str());
    throw;
  }
  // The rename is durable only once the folder's entry is on disk.
  const std::string pasta = PastaDe(caminho);
  Descritor dir(AbrirArquivo(pasta, O_RDONLY | O_DIRECTORY));
  if (!dir.Valido()) Falha(errno, pasta);
  if (::fsync(dir.fd()) != 0 && errno != EINVAL) Falha(errno, pasta);
}

TravaExclusiva::TravaExclusiva(const std::string& caminho) {
  // Read access is enough for flock, so a lock file another user created can still be used.
  Descritor arquivo(AbrirArquivo(caminho, O_RDONLY | O_CREAT));
  if (!arquivo.Valido()) Falha(errno, caminho);
  while (::flock(arquivo.fd(), LOCK_EX) != 0)
    if (errno != EINTR) Falha(errno, caminho);
  fd_ = arquivo.Soltar();
}

TravaExclusiva::~TravaExclusiva() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

TravaExclusiva::TravaExclusiva(TravaExclusiva&& outra) noexcept : fd_(std::exchange(outra.fd_, -1)) {}

TravaExclusiva& TravaExclusiva::operator=(TravaExclusiva&& outra) noexcept {
  if (this != &outra) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(outra.fd_, -1);
  }
  return *this;
}

}  // namespace kiv::plataforma
