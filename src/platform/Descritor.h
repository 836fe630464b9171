#pragma once
// File descriptors for the platform's file calls: an owner that closes, and the open, read and
// write loops that retry an interrupted call. Failures come back as errno values, so each caller
// words its own message.
#include <fcntl.h>
#include <sys/types.h>

#include <string>
#include <string_view>

namespace kiv::plataforma {

// Owns one file descriptor; a failed close() is seen only through Fechar().
class Descritor {
 public:
  explicit Descritor(int fd) : fd_(fd) {}
  ~Descritor();
  Descritor(const Descritor&) = delete;
  Descritor& operator=(const Descritor&) = delete;
  int fd() const { return fd_; }
  bool Valido() const { return fd_ >= 0; }
  // Hands the descriptor over to a new owner.
  int Soltar();
  // Closes now and returns 0 or the errno of close() (a full disk shows there on some file
  // systems).
  int Fechar();

 private:
  int fd_;
};

// open() with O_CLOEXEC, retried when interrupted; -1 with errno set on failure.
int AbrirArquivo(const std::string& caminho, int flags, mode_t modo = 0666);

// Writes all of `conteudo`; 0 or the errno of the failed write().
int EscreverTudo(int fd, std::string_view conteudo);

// Appends everything up to the end of the file to `destino`; 0 or the errno of the failed read().
int LerAteOFim(int fd, std::string& destino);

}  // namespace kiv::plataforma
